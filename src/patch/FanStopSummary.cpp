#include "patch/FanStopSummary.hpp"

#include "patch/ZeroRpmPatcher.hpp"

namespace ventora::FanStopSummary {
namespace {

constexpr const char* unsupportedLayout = "Not a supported layout: it will not be patched";

int temperatureAt(ByteView table, const FanFields& fields, std::int64_t offset) {
    return fields.temperatureWidth == 1 ? table[static_cast<std::size_t>(offset)]
                                        : ByteUtils::readUInt16LE(table, offset);
}

} // namespace

std::optional<FanStopState> read(ByteView table) {
    const std::optional<PowerPlayLayout> layout = ZeroRpmPatcher::detectLayout(table, nullptr);
    if (!layout) {
        return std::nullopt;
    }
    const FanFields& fields = layout->fields;
    return FanStopState{
        layout->family,
        table[static_cast<std::size_t>(fields.enable)] != 0,
        {temperatureAt(table, fields, fields.start), temperatureAt(table, fields, fields.stop)}};
}

std::string describe(ByteView table) {
    const std::optional<FanStopState> state = read(table);
    if (!state) {
        return unsupportedLayout;
    }
    std::string text = std::string(rawValue(state->family)) + " · fan-stop ";
    if (!state->enabled) {
        return text + "off";
    }
    return text + "on · starts " + std::to_string(state->temperatures.start) + " °C, stops " +
           std::to_string(state->temperatures.stop) + " °C";
}

std::string describeChange(const SpptDocument& document, PatchMode mode) {
    const PatchResult result = ZeroRpmPatcher::apply(document, mode);
    if (!result.gpuFamily) {
        return unsupportedLayout;
    }
    if (result.changedByteCount == 0) {
        return "already set: the archive would change nothing";
    }
    return "changes " + std::to_string(result.changedByteCount) +
           (result.changedByteCount == 1 ? " byte" : " bytes");
}

} // namespace ventora::FanStopSummary
