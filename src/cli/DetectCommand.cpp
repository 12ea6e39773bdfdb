#include "cli/DetectCommand.hpp"

#include "cli/Arguments.hpp"
#include "cli/Console.hpp"
#include "devicepath/DevicePathDetector.hpp"

#include <iostream>

namespace ventora::cli {

// Automatic detection on this machine: the detector's log lines, then the path alone as the
// last line, so scripts can take it with `tail -n 1`. A failed detection ends with its one
// log line, which names the reason, as the error.
int runDetect(const std::vector<std::string>& args, const PlatformContext& context) {
    if (!parseArguments(args, {}, {}).positionals.empty()) {
        throw UsageError("detect takes no arguments.");
    }
    std::vector<std::string> messages;
    const auto path = DevicePathDetector::detectPath(messages, nullptr, context);
    printLines(messages);
    if (!path) {
        return fail(messages.empty() ? "No DeviceProperties path was detected." : messages.back(),
                    failed);
    }
    std::cout << *path << std::endl;
    return success;
}

} // namespace ventora::cli
