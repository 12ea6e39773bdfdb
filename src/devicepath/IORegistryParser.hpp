#pragma once

#include "devicepath/DetectedGPU.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Reading the text of `ioreg -p IODeviceTree -w0 -l`: the node tree (marker "+-o ",
/// indentation, name token) and the vendor-id / device-id property lines, turned into PCI
/// device candidates with canonical OpenCore paths. Pure functions of the text: nothing is
/// run, logged or thrown; unreadable parts simply yield absent values or dropped candidates.
namespace ventora::DevicePathDetector {

/// One PCI device candidate, keyed by its canonical path.
struct RegistryTarget {
    std::string path;
    std::optional<int> vendorID;
    std::optional<int> deviceID;
    bool vendorPropertySeen; // a vendor-id line was seen, readable or not
    bool isGFX0;

    bool operator==(const RegistryTarget&) const = default;
};

/// One candidate per distinct canonical path, sorted by path.
[[nodiscard]] std::vector<RegistryTarget> parseIORegistryTargets(std::string_view text);

/// The path automatic detection uses: the one GFX0 whose vendor is AMD or not stated, else
/// the one supported AMD GPU; absent when neither is unique.
[[nodiscard]] std::optional<std::string> parseIORegistry(std::string_view text);

/// The supported AMD GPUs among `targets`, one per path, sorted by path.
[[nodiscard]] std::vector<DetectedGPU> supportedGPUs(const std::vector<RegistryTarget>& targets);

} // namespace ventora::DevicePathDetector
