#pragma once

#include "core/ByteUtils.hpp"
#include "core/CancellationToken.hpp"
#include "core/FileBuffer.hpp"

#include <cstdint>
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

/// Written after every successful extraction.
inline constexpr std::string_view readOnlyLine =
    "VBIOS was read as a file only. No firmware write or flash operation was performed.";

struct Extraction {
    Bytes table;
    std::vector<std::string> messages;
    /// The whole buffer handed to extract(), kept for the PCI identity and the backups.
    FileBuffer originalRom;
};

/// Throws AppError when the file is refused, no strategy finds a table, or the token is
/// cancelled at a checkpoint ("VBIOS extraction cancelled.").
[[nodiscard]] Extraction extract(FileBuffer rom, const CancellationToken* token = nullptr);

} // namespace VbiosPowerPlayExtractor
} // namespace ventora
