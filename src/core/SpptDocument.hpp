#pragma once

#include "core/ByteUtils.hpp"
#include "core/FileBuffer.hpp"
#include "core/PciIdentity.hpp"

#include <optional>
#include <string>

namespace ventora {

/// A loaded PowerPlay table and where it came from. Created only by the input loader,
/// which guarantees 256 to 20480 bytes whose first little-endian word equals the length.
struct SpptDocument {
    Bytes data;
    std::string sourceDescription;
    std::optional<FileBuffer> originalRom;
    /// The PCI identity the source states (a VBIOS image or the driver), when it states one.
    std::optional<PciIdentity> sourceIdentity;
};

} // namespace ventora
