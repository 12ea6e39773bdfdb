#pragma once

#include "core/ByteUtils.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ventora::test {

/// Synthetic VBIOS images laid out from the PCI expansion ROM and ATOMBIOS structures. A layout
/// with its defaults builds one valid legacy image (55 AA, PCIR, last image, ATOM tables whose
/// master data table entry 15 points at `table`); every field is a knob that breaks one link.

/// The ATOM chain: the u16 at 0x48 -> ROM header ("ATOM" at +4) -> its u16 at +0x20, the
/// master data table -> its u16 at +0x22 (entry 15), the PowerPlayInfo table.
struct AtomLinks {
    std::uint16_t romHeaderOffset = 0x200;
    bool atomSignature = true;
    std::uint16_t masterDataTableOffset = 0x240;
    std::uint16_t powerPlayInfoOffset = 0x400;
};

struct RomImageLayout {
    std::size_t length = 0x10000;
    bool romSignature = true;
    std::uint16_t pcirOffset = 0x1C0;
    bool pcirSignature = true;
    std::uint16_t vendorID = 0x1002;
    std::uint16_t deviceID = 0x731F;
    std::uint16_t pcirLength = 0x18;
    /// Image length in 512-byte units as stored; absent means length / 512.
    std::optional<std::uint16_t> imageLengthUnits{};
    std::uint8_t codeType = 0x00;
    bool lastImage = true;
    /// Absent: the pointer at 0x48 stays 0 and no "ATOM" is written.
    std::optional<AtomLinks> atom = AtomLinks{};
    /// Copied to `tableOffset` when not empty.
    Bytes table{};
    std::size_t tableOffset = 0x400;
    std::uint8_t fill = 0x00;
};

using LayoutEdit = void (*)(RomImageLayout&);

/// A legacy image holding `table`, then changed by `edit`.
[[nodiscard]] RomImageLayout legacyImage(Bytes table, LayoutEdit edit = nullptr);

/// A UEFI image: 0x8000 bytes, code type 3, not the last one, no ATOM tables; then changed by
/// `edit`.
[[nodiscard]] RomImageLayout uefiImage(LayoutEdit edit = nullptr);

[[nodiscard]] Bytes romImage(const RomImageLayout& layout);

/// The images of `layouts` laid end to end (set `lastImage` only on the final one).
[[nodiscard]] Bytes romChain(const std::vector<RomImageLayout>& layouts);

/// A dump whose first 0x40000 bytes are a UEFI image starting with the reversed AA 55 and
/// whose legacy image follows at 0x40000.
[[nodiscard]] Bytes uefiFirstDump(const RomImageLayout& legacy);

} // namespace ventora::test
