#include "devicepath/ToolOutput.hpp"

#include "core/Unicode.hpp"
#include "process/CapturedRun.hpp"

#include <exception>
#include <unistd.h>

namespace ventora::DevicePathDetector {

std::optional<std::string> toolOutput(const std::filesystem::path& executable,
                                      const std::vector<std::string>& arguments, double timeout,
                                      const CancellationToken* token,
                                      std::string_view captureSuffix,
                                      const PlatformContext& context) {
    // A tool that is not installed is not worth a capture file and a launch.
    if (isCancelled(token) || ::access(executable.c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    // Detection reports no reasons: every failure, including the platform's errors from
    // creating, launching and reading, is an absent result.
    try {
        const auto run = ProcessRunner::runCapturing(executable, arguments, std::nullopt, timeout,
                                                     token, captureSuffix, context);
        if (isCancelled(token) || run.status != 0) {
            return std::nullopt;
        }
        std::string text(run.output.begin(), run.output.end());
        if (!Unicode::isValidUtf8(text)) {
            return std::nullopt;
        }
        return text;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace ventora::DevicePathDetector
