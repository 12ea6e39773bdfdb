#pragma once

#include "core/CancellationToken.hpp"
#include "devicepath/DetectedGPU.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

/// The detection driver's two operations answered from Linux's sysfs instead of the I/O
/// Registry: the same contract (never throws, one line per outcome, several candidates never
/// resolved by order), with sysfs wording in the lines.
namespace ventora::SysfsDetector {

/// The path of the one supported AMD GPU; with several, of the one whose device id is
/// `sourceDeviceID` when exactly one has it.
[[nodiscard]] std::optional<std::string> detectPath(const std::filesystem::path& sysfs,
                                                    std::vector<std::string>& messages,
                                                    const CancellationToken* token,
                                                    std::optional<int> sourceDeviceID);

/// The supported AMD GPU at exactly the canonical path `canonical`.
[[nodiscard]] std::optional<DetectedGPU> detectGPU(const std::filesystem::path& sysfs,
                                                   const std::string& canonical,
                                                   std::vector<std::string>& messages,
                                                   const CancellationToken* token);

} // namespace ventora::SysfsDetector
