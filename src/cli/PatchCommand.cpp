#include "cli/PatchCommand.hpp"

#include "cli/Arguments.hpp"
#include "cli/Console.hpp"
#include "cli/InputSource.hpp"
#include "core/AppError.hpp"
#include "core/FileSystem.hpp"
#include "input/SpptFileParser.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <filesystem>
#include <iostream>

namespace ventora::cli {
namespace {

namespace fs = std::filesystem;

// The input is only ever read; refusing an output that names the same file keeps it so.
bool isSameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::exists(b, error) && fs::equivalent(a, b, error);
}

} // namespace

int runPatch(const std::vector<std::string>& args, const PlatformContext& context) {
    std::vector<std::string> words = args;
    const auto fromGpu = takeFromGpuOption(words);
    const ParsedArguments arguments =
        parseArguments(words, {"--preset", "--start", "--stop", "-o"}, {});
    const auto preset = arguments.option("--preset");
    const auto output = arguments.option("-o");
    if (!preset || !output) {
        throw UsageError("patch needs --preset and -o.");
    }
    const PatchMode mode = parsePreset(*preset, arguments);
    const InputSource input = chooseInput(arguments, fromGpu, context);
    if (isSameFile(input.path, *output)) {
        return fail("The output file must not be the input file.", failed);
    }

    const auto loaded = loadInput(input);
    printLines(loaded.messages);
    const PatchResult result = ZeroRpmPatcher::apply(loaded.document, mode);
    printLines(result.messages);
    if (!result.gpuFamily) {
        return fail(unsupportedLayoutMessage, refusedUnsupported);
    }
    FileSystem::writeFileDurably(*output, result.data);
    std::cout << "Patched table written: " << fs::absolute(*output).string() << std::endl;
    return success;
}

} // namespace ventora::cli
