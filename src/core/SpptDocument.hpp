#pragma once

#include "core/ByteUtils.hpp"

#include <optional>
#include <string>

namespace ventora {

/// A loaded PowerPlay table and where it came from. Created only by the input loader,
/// which guarantees 256 to 20480 bytes whose first little-endian word equals the length.
/// The vendor and device ids are present together or not at all.
struct SpptDocument {
    Bytes data;
    std::string sourceDescription;
    std::optional<Bytes> originalRom;
    std::optional<int> sourceVendorID;
    std::optional<int> sourceDeviceID;
};

} // namespace ventora
