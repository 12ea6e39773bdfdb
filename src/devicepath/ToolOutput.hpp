#pragma once

#include "core/CancellationToken.hpp"
#include "core/PlatformContext.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventora::DevicePathDetector {

/// Runs an outside tool for detection through ProcessRunner::runCapturing and returns
/// everything it printed. Every failure (cancelled before, during or right after the run, no
/// capture file, launch failure, non-zero or signalled exit, time-out, unreadable capture,
/// invalid UTF-8) gives an absent result; nothing is thrown or logged.
[[nodiscard]] std::optional<std::string> toolOutput(const std::filesystem::path& executable,
                                                    const std::vector<std::string>& arguments,
                                                    double timeout, const CancellationToken* token,
                                                    std::string_view captureSuffix,
                                                    const PlatformContext& context);

} // namespace ventora::DevicePathDetector
