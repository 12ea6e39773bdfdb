#include "cli/InspectCommand.hpp"

#include "cli/Arguments.hpp"
#include "cli/Console.hpp"
#include "cli/InputSource.hpp"
#include "core/AppError.hpp"
#include "core/HexFormat.hpp"
#include "input/SpptFileParser.hpp"
#include "patch/FanStopSummary.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <iostream>
#include <nlohmann/json.hpp>

namespace ventora::cli {
namespace {

struct FanField {
    const char* key;
    std::int64_t offset;
    int width;
};

std::vector<FanField> fanFields(const PowerPlayLayout& layout) {
    const FanFields& fields = layout.fields;
    return {{"fanZeroRpmEnable", fields.enable, 1},
            {"fanStopTemp", fields.stop, fields.temperatureWidth},
            {"fanStartTemp", fields.start, fields.temperatureWidth}};
}

int fieldValue(ByteView table, const FanField& field) {
    return field.width == 1 ? table[static_cast<std::size_t>(field.offset)]
                            : ByteUtils::readUInt16LE(table, field.offset);
}

void printJson(const SpptDocument& document, const std::optional<PowerPlayLayout>& layout,
               const std::vector<std::string>& log) {
    nlohmann::json out;
    out["source"] = document.sourceDescription;
    out["tableSize"] = document.data.size();
    out["family"] = nullptr;
    out["layout"] = nullptr;
    out["offsets"] = nullptr;
    out["values"] = nullptr;
    if (layout) {
        out["family"] = std::string(rawValue(layout->family));
        out["layout"] = layout->name;
        for (const FanField& field : fanFields(*layout)) {
            out["offsets"][field.key] = field.offset;
            out["values"][field.key] = fieldValue(document.data, field);
        }
    }
    const auto& identity = document.sourceIdentity;
    out["sourceVendorID"] = identity ? nlohmann::json(identity->vendorID) : nlohmann::json(nullptr);
    out["sourceDeviceID"] = identity ? nlohmann::json(identity->deviceID) : nlohmann::json(nullptr);
    out["log"] = log;
    std::cout << out.dump(2) << std::endl;
}

void printText(const SpptDocument& document, const std::optional<PowerPlayLayout>& layout,
               const std::vector<std::string>& log) {
    printLines(log);
    std::cout << "Table size: " << document.data.size() << " bytes\n"
              << "State: " << FanStopSummary::describe(document.data) << '\n';
    if (layout) {
        std::cout << "Family: " << rawValue(layout->family) << '\n'
                  << "Layout: " << layout->name << '\n';
        for (const FanField& field : fanFields(*layout)) {
            std::cout << field.key << ": offset " << hexOffset(field.offset) << ", value "
                      << fieldValue(document.data, field) << '\n';
        }
    }
    if (const auto& identity = document.sourceIdentity) {
        std::cout << "PCI identity: vendor " << hexId(identity->vendorID) << ", device "
                  << hexId(identity->deviceID) << '\n';
    } else {
        std::cout << "PCI identity: unavailable\n";
    }
    std::cout.flush();
}

} // namespace

int runInspect(const std::vector<std::string>& args, const PlatformContext& context) {
    std::vector<std::string> words = args;
    const auto fromGpu = takeFromGpuOption(words);
    const ParsedArguments arguments = parseArguments(words, {}, {"--json"});
    const auto loaded = loadInput(chooseInput(arguments, fromGpu, context));
    std::vector<std::string> log = loaded.messages;
    const auto layout = ZeroRpmPatcher::detectLayout(loaded.document.data, &log);
    if (arguments.flags.count("--json") != 0) {
        printJson(loaded.document, layout, log);
    } else {
        printText(loaded.document, layout, log);
    }
    return layout ? success : fail(unsupportedLayoutMessage, refusedUnsupported);
}

} // namespace ventora::cli
