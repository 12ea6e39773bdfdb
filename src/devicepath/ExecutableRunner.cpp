#include "devicepath/ExecutableRunner.hpp"

#include "core/FileSystem.hpp"
#include "core/Unicode.hpp"
#include "core/Uuid.hpp"
#include "devicepath/ProcessRunner.hpp"

#include <algorithm>
#include <exception>
#include <unistd.h>

namespace ventora::DevicePathDetector {
namespace {

/// Deletes the capture file when the run is over, however it ended.
class CaptureFileRemover {
public:
    explicit CaptureFileRemover(std::filesystem::path path) : m_path(std::move(path)) {}
    ~CaptureFileRemover() { ::unlink(m_path.c_str()); }
    CaptureFileRemover(const CaptureFileRemover&) = delete;
    CaptureFileRemover& operator=(const CaptureFileRemover&) = delete;

private:
    std::filesystem::path m_path;
};

} // namespace

CapturedRun runCapturing(const std::filesystem::path& executable,
                         const std::vector<std::string>& arguments,
                         const std::optional<std::filesystem::path>& workingDirectory,
                         double timeout, const CancellationToken* token,
                         std::string_view captureSuffix, const PlatformContext& context,
                         std::size_t maximumOutput) {
    const auto capture = context.temporaryDirectory /
                         ("Ventora-" + newUuidString() + "." + std::string(captureSuffix));
    UniqueFd fd = FileSystem::createExclusiveFile(capture);
    const CaptureFileRemover remover(capture);

    const int status = ProcessRunner::run({.executable = executable,
                                           .arguments = arguments,
                                           .workingDirectory = workingDirectory,
                                           .standardOutputFd = fd.get(),
                                           .standardErrorFd = fd.get(),
                                           .timeoutSeconds = timeout,
                                           .token = token});
    fd.reset();
    Bytes output = FileSystem::readWholeFile(capture, maximumOutput);
    output.resize(std::min(output.size(), maximumOutput));
    return {status, std::move(output)};
}

std::optional<std::string> runExecutable(const std::filesystem::path& executable,
                                         const std::vector<std::string>& arguments, double timeout,
                                         const CancellationToken* token,
                                         std::string_view captureSuffix,
                                         const PlatformContext& context) {
    if (isCancelled(token)) {
        return std::nullopt;
    }
    // Detection reports no reasons: every failure, including the platform's errors from
    // creating, launching and reading, is an absent result.
    try {
        const CapturedRun run = runCapturing(executable, arguments, std::nullopt, timeout, token,
                                             captureSuffix, context);
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
