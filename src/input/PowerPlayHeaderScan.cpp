#include "core/HexFormat.hpp"
#include "input/SpptFileParser.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"
#include "patch/FamilyDetectors.hpp"

#include <algorithm>

namespace ventora::VbiosPowerPlayExtractor {
namespace {

using ByteUtils::readUInt16LE;
using ByteUtils::readUInt32LE;

constexpr std::int64_t firstCandidate = 256;
constexpr std::int64_t smallestScannedImage = 265;
constexpr std::int64_t windowLimit = 65536;

/// The candidate table starting at `p` when its common header's size is plausible and the
/// whole table lies inside the image.
std::optional<ByteView> candidateAt(ByteView rom, std::int64_t p) {
    const std::int64_t size = readUInt16LE(rom, p);
    const bool sizeAccepted =
        (size >> 8) != 0 && size <= static_cast<std::int64_t>(SpptFileParser::maximumTableSize);
    if (!sizeAccepted || p + size > static_cast<std::int64_t>(rom.size())) {
        return std::nullopt;
    }
    return rom.subspan(static_cast<std::size_t>(p), static_cast<std::size_t>(size));
}

std::string revisionText(ByteView table) {
    return std::to_string(table[2]) + "." + std::to_string(table[3]);
}

std::string foundLine(std::string_view family, std::int64_t fileOffset, ByteView table) {
    return "Validated " + std::string(family) + " PowerPlay table found by scan at " +
           hexOffset(fileOffset) + ", revision " + revisionText(table) + ", size " +
           std::to_string(table.size()) + " bytes";
}

std::string fanTableRevisionSuffix(ByteView table, std::int64_t fanTableOffsetField) {
    const std::int64_t fanTable = readUInt16LE(table, fanTableOffsetField);
    return ", fan table revision " + std::to_string(table[static_cast<std::size_t>(fanTable)]) +
           ".";
}

void appendFoundLines(PowerPlayLayoutKind kind, std::int64_t fileOffset, ByteView table,
                      std::vector<std::string>& messages) {
    switch (kind) {
    case PowerPlayLayoutKind::rdna2:
        messages.push_back(foundLine("RDNA2", fileOffset, table) + ".");
        messages.push_back("SMC PPTable Version " + std::to_string(readUInt32LE(table, 802)) +
                           " observed; fallback compatibility is determined by the strict "
                           "structural signature, not by a version allowlist.");
        break;
    case PowerPlayLayoutKind::vega20:
        messages.push_back(foundLine("Vega 20 Radeon VII", fileOffset, table) + ".");
        break;
    case PowerPlayLayoutKind::navi10:
        messages.push_back(foundLine("Navi 10", fileOffset, table) + ".");
        break;
    case PowerPlayLayoutKind::vega10:
        messages.push_back(foundLine("Vega 10", fileOffset, table) +
                           fanTableRevisionSuffix(table, 50));
        break;
    case PowerPlayLayoutKind::polaris:
        messages.push_back(foundLine("Polaris", fileOffset, table) +
                           fanTableRevisionSuffix(table, 37));
        break;
    }
    messages.emplace_back(readOnlyLine);
}

} // namespace

std::optional<Bytes> tryExtractByPowerPlayHeaderScan(ByteView rom, std::int64_t baseOffset,
                                                     std::vector<std::string>& messages) {
    messages.push_back("Trying PowerPlay header scan fallback...");
    const auto length = static_cast<std::int64_t>(rom.size());
    if (length < smallestScannedImage) {
        return std::nullopt;
    }
    const std::int64_t end = std::min(length - 8, windowLimit);
    for (std::int64_t p = firstCandidate; p < end; ++p) {
        const auto candidate = candidateAt(rom, p);
        // The header revisions pick at most one family; the shared detector then decides.
        if (!candidate || !FamilyDetectors::familyForRevisions((*candidate)[2], (*candidate)[3])) {
            continue;
        }
        if (const auto layout = FamilyDetectors::recognise(*candidate)) {
            appendFoundLines(layout->kind, baseOffset + p, *candidate, messages);
            return Bytes(candidate->begin(), candidate->end());
        }
    }
    return std::nullopt;
}

} // namespace ventora::VbiosPowerPlayExtractor
