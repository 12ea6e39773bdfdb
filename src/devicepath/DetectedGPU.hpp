#pragma once

#include "core/GpuFamily.hpp"

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

} // namespace ventora
