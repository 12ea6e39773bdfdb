#pragma once

#include "core/ByteUtils.hpp"
#include "core/CancellationToken.hpp"
#include "core/PciIdentity.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventora {

/// Finds the PowerPlay table in a saved VBIOS image, read-only: the PCI expansion ROM chain to
/// the legacy image, then the ATOM master data table, then a strict header scan. Every read
/// is range-checked; messages print file offsets (an image's base offset plus the image offset).
namespace VbiosPowerPlayExtractor {

inline constexpr std::int64_t maximumRomSize = 67108864;
inline constexpr std::int64_t minimumRomSize = 256;
inline constexpr int maximumChainImages = 32;
inline constexpr std::int64_t uefiFirstLegacyImageOffset = 0x40000;

/// Written after every successful extraction.
inline constexpr std::string_view readOnlyLine =
    "VBIOS was read as a file only. No firmware write or flash operation was performed.";

struct Extraction {
    Bytes table;
    std::vector<std::string> messages;
    /// The whole buffer handed to extract(), kept for the PCI identity and the backups.
    Bytes originalRom;
};

/// Throws AppError when the file is refused, no strategy finds a table, or the token is
/// cancelled at a checkpoint ("VBIOS extraction cancelled.").
[[nodiscard]] Extraction extract(Bytes rom, const CancellationToken* token = nullptr);

[[nodiscard]] std::optional<Bytes>
tryExtractFromPciExpansionRomChain(ByteView original, std::vector<std::string>& messages);

[[nodiscard]] bool hasPcirSignature(ByteView data, std::int64_t offset);

/// One validated image header and PCI data structure of the chain.
struct PciImageIdentity {
    int vendorID;
    int deviceID;
    std::int64_t imageLength;
    bool last;
};

[[nodiscard]] std::optional<PciImageIdentity> identity(ByteView rom, std::int64_t offset);

/// The first non-zero vendor/device pair of the chain, else that of a legacy image at
/// 0x40000 (UEFI-first dumps); nothing when no image carries one.
[[nodiscard]] std::optional<PciIdentity> pciIdentity(ByteView rom);

// ATOM master data table strategy.
[[nodiscard]] bool hasAtomSignature(ByteView data, std::int64_t offset);
[[nodiscard]] std::int64_t findAtomSignatureNear(ByteView data, std::int64_t start,
                                                 std::int64_t end);
[[nodiscard]] std::optional<Bytes>
tryExtractByAtomMasterDataTable(ByteView rom, std::int64_t baseOffset,
                                std::vector<std::string>& messages);
[[nodiscard]] std::optional<Bytes> copyPowerPlayTable(ByteView rom, std::int64_t baseOffset,
                                                      std::int64_t powerPlayInfoOffset,
                                                      std::vector<std::string>& messages);

/// Fallback: the first position in [256, min(length - 8, 65536)) where a table of a supported
/// family's exact structural signature starts.
[[nodiscard]] std::optional<Bytes>
tryExtractByPowerPlayHeaderScan(ByteView rom, std::int64_t baseOffset,
                                std::vector<std::string>& messages);

} // namespace VbiosPowerPlayExtractor
} // namespace ventora
