#pragma once

#include "core/ByteUtils.hpp"
#include "core/CancellationToken.hpp"
#include "core/PlatformContext.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventora::DevicePathDetector {

/// How a captured run ended: the exit status (0..255, or -1 when the child ended by a signal
/// or was stopped by the watchdog) and what it printed on both streams, interleaved.
struct CapturedRun {
    int status;
    Bytes output;
};

/// Runs an outside tool under the process runner with both streams sent to one capture file,
/// "Ventora-<UUID>.<captureSuffix>" in the context's temporary folder, created exclusively and
/// private and removed on every way out. At most `maximumOutput` bytes of it are read back.
/// Throws the platform's error when the capture file cannot be made or the tool cannot start.
[[nodiscard]] CapturedRun
runCapturing(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
             const std::optional<std::filesystem::path>& workingDirectory, double timeout,
             const CancellationToken* token, std::string_view captureSuffix,
             const PlatformContext& context, std::size_t maximumOutput = SIZE_MAX);

/// Runs an outside tool for detection through runCapturing and returns everything it printed.
/// Every failure (cancelled before, during or
/// right after the run, no capture file, launch failure, non-zero or signalled exit, time-out,
/// unreadable capture, invalid UTF-8) gives an absent result; nothing is thrown or logged.
[[nodiscard]] std::optional<std::string>
runExecutable(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
              double timeout, const CancellationToken* token, std::string_view captureSuffix,
              const PlatformContext& context);

} // namespace ventora::DevicePathDetector
