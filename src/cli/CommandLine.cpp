#include "cli/CommandLine.hpp"

#include "cli/Arguments.hpp"
#include "cli/Console.hpp"
#include "cli/DetectCommand.hpp"
#include "cli/GenerateCommand.hpp"
#include "cli/InspectCommand.hpp"
#include "cli/PatchCommand.hpp"

#include <exception>
#include <iostream>
#include <string_view>

namespace ventora::cli {
namespace {

struct Command {
    std::string_view name;
    int (*run)(const std::vector<std::string>&, const PlatformContext&);
};

constexpr Command commands[] = {
    {"inspect", runInspect},
    {"patch", runPatch},
    {"generate", runGenerate},
    {"detect", runDetect},
};

std::string usage() {
    return "usage: ventora-cli inspect [--json] FILE\n"
           "       ventora-cli patch --preset PRESET FILE -o OUT.bin\n"
           "       ventora-cli generate --preset PRESET [--device-path PATH] [--output-dir DIR]\n"
           "                            [--config CONFIG.plist] FILE\n"
           "       ventora-cli detect\n"
           "PRESET: " +
           presetSyntax() +
           " (whole degrees Celsius)\n"
           "FILE may be --from-gpu[=ADDRESS]: the table the running driver uses (Linux).\n";
}

int dispatch(const std::vector<std::string>& words,
             const std::function<PlatformContext()>& context) {
    if (words.empty()) {
        throw UsageError("No command given.");
    }
    for (const Command& command : commands) {
        if (command.name == words.front()) {
            return command.run({words.begin() + 1, words.end()}, context());
        }
    }
    throw UsageError("Unknown command " + words.front() + ".");
}

} // namespace

int runCommandLine(const std::vector<std::string>& words,
                   const std::function<PlatformContext()>& context) {
    try {
        return dispatch(words, context);
    } catch (const UsageError& error) {
        std::cerr << usage();
        return fail(error.what(), usageError);
    } catch (const std::exception& error) {
        return fail(error.what(), failed);
    }
}

} // namespace ventora::cli
