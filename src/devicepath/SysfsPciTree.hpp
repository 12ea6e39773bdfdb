#pragma once

#include "core/GpuFamily.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ventora {

/// A supported AMD GPU as Linux lists it: its PCI address ("0000:0c:00.0") and identity.
struct SysfsGPU {
    std::string address;
    int vendorID;
    int deviceID;
    GpuFamily family;

    bool operator==(const SysfsGPU&) const = default;
};

/// A GPU's OpenCore path worked out from its chain in sysfs, or the reason there is none.
struct SysfsDevicePath {
    /// Canonical path; absent when none can be formed, and `failure` then says why.
    std::optional<std::string> path;
    std::string failure;
    /// Set when the root had no ACPI _UID and was taken as 0.
    std::optional<std::string> rootNote;
    /// The GPU's own node has an ACPI object (a firmware_node).
    bool describedInAcpi = false;
};

/// Reads Linux's PCI tree under a sysfs folder (/sys, or a test's fake tree): which supported
/// AMD GPUs there are and which OpenCore path leads to each. Only reads; never throws.
namespace SysfsPciTree {

/// The display controllers of vendor 0x1002 whose device id belongs to a supported family,
/// in address order; absent when bus/pci/devices cannot be listed.
[[nodiscard]] std::optional<std::vector<SysfsGPU>>
supportedGPUs(const std::filesystem::path& sysfs);

/// PciRoot(0x<the root's ACPI _UID>) followed by one Pci(dev,func) per function after it.
[[nodiscard]] SysfsDevicePath devicePath(const std::filesystem::path& sysfs, const SysfsGPU& gpu);

/// Where the driver shows the table it uses for this GPU.
[[nodiscard]] std::filesystem::path powerPlayTablePath(const std::filesystem::path& sysfs,
                                                       const SysfsGPU& gpu);

/// "RDNA2, device-id 0x73BF (0000:0c:00.0)", the GPU as messages and choices name it.
[[nodiscard]] std::string describe(const SysfsGPU& gpu);

/// The GPUs described one after the other, separated by "; ".
[[nodiscard]] std::string describe(const std::vector<SysfsGPU>& gpus);

} // namespace SysfsPciTree
} // namespace ventora
