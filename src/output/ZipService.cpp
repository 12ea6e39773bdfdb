#include "output/ZipService.hpp"

#include "core/AppError.hpp"
#include "core/Unicode.hpp"
#include "process/CaptureFile.hpp"
#include "process/ProcessRunner.hpp"

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace ventora::ZipService {
namespace {

namespace fs = std::filesystem;

// An unreadable capture gives an empty detail rather than a second failure.
Bytes readCapture(CaptureFile& capture) {
    try {
        return capture.read();
    } catch (const std::system_error&) {
        return {};
    }
}

std::string failureDetail(const Bytes& captured) {
    const std::string_view text(reinterpret_cast<const char*>(captured.data()), captured.size());
    if (!Unicode::isValidUtf8(text)) {
        return "Unknown error";
    }
    const std::string_view detail = Unicode::trimWhitespace(text);
    return detail.empty() ? "Unknown error" : std::string(detail);
}

void run(const PlatformContext& context, std::vector<std::string> arguments,
         std::optional<fs::path> workingDirectory, const std::string& operation,
         double timeoutSeconds, const CancellationToken* token) {
    if (isCancelled(token)) {
        throw AppError(operation + " cancelled.", ErrorKind::cancelled);
    }
    std::optional<CaptureFile> capture;
    try {
        capture.emplace(context.temporaryDirectory, "stderr");
    } catch (const std::system_error&) {
        throw AppError(operation + " could not create its diagnostic capture file.");
    }
    int status = 0;
    try {
        status = ProcessRunner::run({.executable = context.zipExecutable,
                                     .arguments = std::move(arguments),
                                     .workingDirectory = std::move(workingDirectory),
                                     // Info-ZIP prints its errors and test verdicts on
                                     // standard output; -q keeps it silent on success.
                                     .standardOutputFd = capture->fd(),
                                     .standardErrorFd = capture->fd(),
                                     .timeoutSeconds = timeoutSeconds,
                                     .token = token});
    } catch (const std::system_error& error) {
        throw AppError(operation + " could not start: " + error.code().message());
    }
    const Bytes captured = readCapture(*capture);
    if (isCancelled(token)) {
        throw AppError(operation + " cancelled.", ErrorKind::cancelled);
    }
    if (status != 0) {
        throw AppError(operation + " failed: " + failureDetail(captured));
    }
}

} // namespace

void createZip(const fs::path& source, const fs::path& destination, const CancellationToken* token,
               const PlatformContext& context, const ZipTimeouts& timeouts) {
    if (isCancelled(token)) {
        throw AppError("ZIP creation cancelled.", ErrorKind::cancelled);
    }
    std::error_code error;
    if (!fs::is_directory(source, error)) {
        throw AppError("ZIP source folder does not exist or is not a directory: " +
                       source.string());
    }
    if (fs::exists(fs::symlink_status(destination))) {
        fs::remove(destination);
    }
    // zip runs inside the source folder, so a relative destination would land there.
    const fs::path archive = fs::absolute(destination);
    run(context, {"-qry", archive.string(), "."}, source, "zip", timeouts.archiveSeconds, token);
    if (fs::file_size(archive) == 0) {
        throw AppError("zip produced an empty archive.");
    }
    validateZip(archive, token, context, timeouts);
}

void validateZip(const fs::path& archive, const CancellationToken* token,
                 const PlatformContext& context, const ZipTimeouts& timeouts) {
    run(context, {"-T", archive.string()}, std::nullopt, "zip validation",
        timeouts.validationSeconds, token);
}

} // namespace ventora::ZipService
