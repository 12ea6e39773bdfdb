#include "input/AtomPowerPlayInfo.hpp"

#include "core/HexFormat.hpp"
#include "input/RomSignature.hpp"
#include "input/SpptFileParser.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"

#include <algorithm>

namespace ventora::VbiosPowerPlayExtractor {
namespace {

using ByteUtils::isRangeValid;
using ByteUtils::readUInt16LE;

constexpr std::int64_t romHeaderPointerOffset = 0x48;
constexpr std::int64_t atomHeaderSize = 0x24;
constexpr std::int64_t masterDataTableSize = 0x24;
constexpr std::int64_t signatureScanStart = 0x30;
constexpr std::int64_t signatureScanEnd = 0x300;

bool hasAtomSignature(ByteView data, std::int64_t offset) {
    return hasRomSignature(data, offset, "ATOM");
}

/// The first position in [start, end] where "ATOM" lies wholly inside `data`, or -1.
std::int64_t findAtomSignatureNear(ByteView data, std::int64_t start, std::int64_t end) {
    const std::int64_t last = std::min(end, static_cast<std::int64_t>(data.size()) - 4);
    for (std::int64_t p = std::max<std::int64_t>(start, 0); p <= last; ++p) {
        if (hasAtomSignature(data, p)) {
            return p;
        }
    }
    return -1;
}

/// The ROM header position: the pointer at 0x48 when "ATOM" stands at +4 there, else where a
/// scan of the header area finds the signature.
std::optional<std::int64_t> locateRomHeader(ByteView rom, std::int64_t baseOffset,
                                            std::vector<std::string>& messages) {
    const std::int64_t header = readUInt16LE(rom, romHeaderPointerOffset);
    if (!isRangeValid(rom, header, atomHeaderSize)) {
        messages.push_back("ATOM ROM header offset " + hexOffset(baseOffset + header) +
                           " is outside the ROM.");
        return std::nullopt;
    }
    if (hasAtomSignature(rom, header + 4)) {
        return header;
    }
    const std::int64_t end = std::min(static_cast<std::int64_t>(rom.size()), signatureScanEnd);
    const std::int64_t found = findAtomSignatureNear(rom, signatureScanStart, end);
    if (found < 0) {
        messages.push_back("ATOM signature was not found in the VBIOS header area.");
        return std::nullopt;
    }
    messages.push_back("ATOM signature found by scan at " + hexOffset(baseOffset + found) +
                       "; using header offset " + hexOffset(baseOffset + found - 4) + ".");
    return found - 4;
}

std::optional<Bytes> copyPowerPlayTable(ByteView rom, std::int64_t baseOffset,
                                        std::int64_t powerPlayInfoOffset,
                                        std::vector<std::string>& messages) {
    const std::int64_t size = readUInt16LE(rom, powerPlayInfoOffset);
    const bool sizeAccepted = size >= static_cast<std::int64_t>(SpptFileParser::minimumTableSize) &&
                              size <= static_cast<std::int64_t>(SpptFileParser::maximumTableSize);
    if (!sizeAccepted || !isRangeValid(rom, powerPlayInfoOffset, size)) {
        messages.push_back("PowerPlayInfo table size " + hexOffset(size) +
                           " is invalid. ROM parsing stopped to avoid corrupt output.");
        return std::nullopt;
    }
    messages.push_back("Extracted PowerPlayInfo/SPPT from saved VBIOS ROM. Offset: " +
                       hexOffset(baseOffset + powerPlayInfoOffset) +
                       ", size: " + std::to_string(size) + " bytes.");
    messages.emplace_back(readOnlyLine);
    const auto begin = rom.begin() + powerPlayInfoOffset;
    return Bytes(begin, begin + size);
}

} // namespace

std::optional<Bytes> tryExtractByAtomMasterDataTable(ByteView rom, std::int64_t baseOffset,
                                                     std::vector<std::string>& messages) {
    const auto header = locateRomHeader(rom, baseOffset, messages);
    if (!header) {
        return std::nullopt;
    }
    // A header found by the signature scan may lie near the image end; the reads below then
    // yield 0 rather than leaving the image.
    const std::int64_t master = readUInt16LE(rom, *header + 0x20);
    if (!isRangeValid(rom, master, masterDataTableSize)) {
        messages.push_back("ATOM master data table offset " + hexOffset(baseOffset + master) +
                           " is invalid.");
        return std::nullopt;
    }
    const std::int64_t powerPlayInfo = readUInt16LE(rom, master + 0x22);
    if (powerPlayInfo == 0 || !isRangeValid(rom, powerPlayInfo, 8)) {
        messages.push_back("PowerPlayInfo table offset " + hexOffset(baseOffset + powerPlayInfo) +
                           " is invalid or empty.");
        return std::nullopt;
    }
    return copyPowerPlayTable(rom, baseOffset, powerPlayInfo, messages);
}

} // namespace ventora::VbiosPowerPlayExtractor
