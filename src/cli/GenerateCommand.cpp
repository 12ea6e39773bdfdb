#include "cli/CliSupport.hpp"
#include "cli/Commands.hpp"
#include "cli/GpuInput.hpp"
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

// The three lines the window logs when a generation starts. A path the grammar rejects is
// shown as typed; the export then refuses it with its own message.
std::vector<std::string> openingLines(PatchMode mode, const std::optional<std::string>& path) {
    std::vector<std::string> lines{"Starting " + presetName(mode) + " export..."};
    const std::string typed(path ? Unicode::trimWhitespace(*path) : "");
    if (typed.empty()) {
        lines.emplace_back("No manual DeviceProperties path selected; locating GFX0/AMD in "
                           "IORegistry. A generic fallback will be used if no usable path is "
                           "found.");
    } else {
        lines.push_back("Using manual supported AMD GPU DeviceProperties path: " +
                        DevicePathDetector::canonicalDevicePropertiesPath(typed).value_or(typed));
    }
    lines.emplace_back(
        "IMPORTANT: Review/confirm the DeviceProperties path before using the generated "
        "config.plist.");
    return lines;
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
    printLines(openingLines(mode, devicePath));
    try {
        const ExportResult result = OutputBuilder::exportPackage(loaded.document, mode, devicePath,
                                                                 nullptr, context, options);
        std::cout << "Export completed: " << result.zipURL.string() << '\n'
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
