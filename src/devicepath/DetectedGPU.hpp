#pragma once

#include "core/GpuFamily.hpp"
#include "core/HexFormat.hpp"

#include <cstdint>
#include <string>

namespace ventora {

/// A supported AMD GPU found or confirmed at a device path. Detection only produces
/// records with vendor 0x1002 and a device id whose family is known.
struct DetectedGPU {
    std::string path;
    int vendorID;
    int deviceID;
    GpuFamily family;

    bool operator==(const DetectedGPU&) const = default;
};

/// "RDNA2, device-id 0x73BF, path PciRoot(0x0)/...", the GPU as the detection lines name it.
[[nodiscard]] inline std::string describe(const DetectedGPU& gpu) {
    return std::string(rawValue(gpu.family)) + ", device-id " +
           hexId(static_cast<std::uint64_t>(gpu.deviceID)) + ", path " + gpu.path + ".";
}

} // namespace ventora
