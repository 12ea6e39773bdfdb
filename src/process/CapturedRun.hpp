#pragma once

#include "core/ByteUtils.hpp"
#include "core/CancellationToken.hpp"
#include "core/PlatformContext.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventora::ProcessRunner {

/// How a captured run ended: the exit status (0..255, or -1 when the child ended by a signal
/// or was stopped by the watchdog) and what it printed on both streams, interleaved.
struct CapturedRun {
    int status;
    Bytes output;
};

/// Runs an outside tool with both streams sent to one CaptureFile named with `captureSuffix`
/// in the context's temporary folder. At most `maximumOutput` bytes of it are read back.
/// Throws the platform's error when the capture file cannot be made or the tool cannot start.
[[nodiscard]] CapturedRun
runCapturing(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
             const std::optional<std::filesystem::path>& workingDirectory, double timeout,
             const CancellationToken* token, std::string_view captureSuffix,
             const PlatformContext& context, std::size_t maximumOutput = SIZE_MAX);

} // namespace ventora::ProcessRunner
