#include "process/CapturedRun.hpp"

#include "process/CaptureFile.hpp"
#include "process/ProcessRunner.hpp"

namespace ventora::ProcessRunner {

CapturedRun runCapturing(const std::filesystem::path& executable,
                         const std::vector<std::string>& arguments,
                         const std::optional<std::filesystem::path>& workingDirectory,
                         double timeout, const CancellationToken* token,
                         std::string_view captureSuffix, const PlatformContext& context,
                         std::size_t maximumOutput) {
    CaptureFile capture(context.temporaryDirectory, captureSuffix);
    const int status = run({.executable = executable,
                            .arguments = arguments,
                            .workingDirectory = workingDirectory,
                            .standardOutputFd = capture.fd(),
                            .standardErrorFd = capture.fd(),
                            .timeoutSeconds = timeout,
                            .token = token});
    return {status, capture.read(maximumOutput)};
}

} // namespace ventora::ProcessRunner
