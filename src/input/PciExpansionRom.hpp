#pragma once

#include "core/ByteUtils.hpp"
#include "core/PciIdentity.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// The PCI expansion ROM chain of a VBIOS file: images with a 55 AA header and a PCIR data
/// structure, laid end to end.
namespace ventora::VbiosPowerPlayExtractor {

inline constexpr std::int64_t uefiFirstLegacyImageOffset = 0x40000;

/// Walks the chain and tries the ATOM tables, then the header scan, on each legacy (code type
/// 0) image; the chain lines are written only when one of them finds the table.
[[nodiscard]] std::optional<Bytes>
tryExtractFromPciExpansionRomChain(ByteView original, std::vector<std::string>& messages);

/// The first non-zero vendor/device pair of the chain, else that of a legacy image at
/// 0x40000 (UEFI-first dumps); nothing when no image carries one.
[[nodiscard]] std::optional<PciIdentity> pciIdentity(ByteView rom);

} // namespace ventora::VbiosPowerPlayExtractor
