#pragma once

#include "core/CancellationToken.hpp"
#include "core/PlatformContext.hpp"
#include "devicepath/DetectedGPU.hpp"
// The namespace's other facts, for callers that reach it through this header.
#include "devicepath/DevicePathSyntax.hpp"
#include "devicepath/GpuIdentityTables.hpp"
#include "devicepath/WindowsLocationPath.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Works out the OpenCore DeviceProperties path of this machine's GPU through gfxutil and
/// the I/O Registry (macOS) or sysfs (Linux), and holds the fixed knowledge about supported
/// device ids, the device-id spoof map and the path syntax. Stateless: every call starts
/// afresh; nothing throws, and the detection operations report through exactly one appended
/// log line.
namespace ventora::DevicePathDetector {

/// Automatic detection: from sysfs when the context has it (Linux), else gfxutil's GFX0 first,
/// then the I/O Registry. `sourceDeviceID`, the loaded source's AMD device id during an
/// export, picks among several GPUs in sysfs when exactly one of them has it.
[[nodiscard]] std::optional<std::string>
detectPath(std::vector<std::string>& messages, const CancellationToken* token,
           const PlatformContext& context = PlatformContext::fromSystem(),
           std::optional<int> sourceDeviceID = std::nullopt);

/// Confirms a supported AMD GPU at a typed path, through sysfs when the context has it, else
/// through gfxutil or the I/O Registry.
[[nodiscard]] std::optional<DetectedGPU>
detectGPU(std::string_view path, std::vector<std::string>& messages, const CancellationToken* token,
          const PlatformContext& context = PlatformContext::fromSystem());

} // namespace ventora::DevicePathDetector
