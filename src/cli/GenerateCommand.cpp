#include "cli/GenerateCommand.hpp"

#include "cli/Arguments.hpp"
#include "cli/Console.hpp"
#include "cli/InputSource.hpp"
#include "core/AppError.hpp"
#include "core/Unicode.hpp"
#include "devicepath/DevicePathDetector.hpp"
#include "input/SpptFileParser.hpp"
#include "output/OutputBuilder.hpp"

#include <filesystem>
#include <iostream>

namespace ventora::cli {
namespace {

namespace fs = std::filesystem;

// A path the grammar rejects is shown as typed; the export then refuses it with its own
// message.
std::optional<std::string> shownDevicePath(const std::optional<std::string>& path) {
    const std::string typed(path ? Unicode::trimWhitespace(*path) : "");
    if (typed.empty()) {
        return std::nullopt;
    }
    return DevicePathDetector::canonicalDevicePropertiesPath(typed).value_or(typed);
}

} // namespace

int runGenerate(const std::vector<std::string>& args, const PlatformContext& systemContext) {
    std::vector<std::string> words = args;
    const auto fromGpu = takeFromGpuOption(words);
    const ParsedArguments arguments = parseArguments(
        words, {"--preset", "--start", "--stop", "--device-path", "--output-dir", "--config"}, {});
    const auto preset = arguments.option("--preset");
    if (!preset) {
        throw UsageError("generate needs --preset.");
    }
    const PatchMode mode = parsePreset(*preset, arguments);
    const InputSource input = chooseInput(arguments, fromGpu, systemContext);
    PlatformContext context = systemContext;
    if (const auto outputDirectory = arguments.option("--output-dir")) {
        context.desktopDirectory = fs::absolute(*outputDirectory);
    }

    ExportOptions options;
    if (const auto baseConfig = arguments.option("--config")) {
        options.baseConfig = fs::absolute(*baseConfig);
    }

    const auto loaded = loadInput(input);
    printLines(loaded.messages);
    auto devicePath = arguments.option("--device-path");
    if (devicePath) {
        devicePath = DevicePathDetector::acceptTypedDevicePath(*devicePath);
    }
    printLines(OutputBuilder::openingLines(mode, shownDevicePath(devicePath)));
    try {
        const ExportResult result = OutputBuilder::exportPackage(loaded.document, mode, devicePath,
                                                                 nullptr, context, options);
        std::cout << "Export completed: " << result.archivePath.string() << '\n'
                  << result.report << std::endl;
    } catch (const AppError& error) {
        if (error.kind() == ErrorKind::unsupportedLayout) {
            return fail(error.message(), refusedUnsupported);
        }
        throw;
    }
    return success;
}

} // namespace ventora::cli
