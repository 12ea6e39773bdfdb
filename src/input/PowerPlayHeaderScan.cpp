#include "input/PowerPlayHeaderScan.hpp"

#include "core/HexFormat.hpp"
#include "input/SpptFileParser.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"
#include "patch/FamilyDescriptions.hpp"
#include "patch/ZeroRpmPatcher.hpp"

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

/// The found line, then for a family whose SMC PPTable version is never compared, that version.
void appendFoundLines(const PowerPlayLayout& layout, std::int64_t fileOffset, ByteView table,
                      std::vector<std::string>& messages) {
    const FamilyDescription& family = FamilyDescriptions::of(layout.family);
    std::string found = "Validated " + std::string(family.scanName) +
                        " PowerPlay table found by scan at " + hexOffset(fileOffset) +
                        ", revision " + std::to_string(table[2]) + "." + std::to_string(table[3]) +
                        ", size " + std::to_string(table.size()) + " bytes";
    if (layout.fanTable) {
        found += ", fan table revision " + std::to_string(layout.fanTable->revision);
    }
    messages.push_back(found + ".");
    if (family.observedSmcVersion) {
        messages.push_back("SMC PPTable Version " +
                           std::to_string(readUInt32LE(table, *family.observedSmcVersion)) +
                           " observed; fallback compatibility is determined by the strict "
                           "structural signature, not by a version allowlist.");
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
        // The same silent recognition the patcher applies decides; most positions fail early.
        const auto candidate = candidateAt(rom, p);
        if (!candidate) {
            continue;
        }
        if (const auto layout = ZeroRpmPatcher::detectLayout(*candidate, nullptr)) {
            appendFoundLines(*layout, baseOffset + p, *candidate, messages);
            return Bytes(candidate->begin(), candidate->end());
        }
    }
    return std::nullopt;
}

} // namespace ventora::VbiosPowerPlayExtractor
