#include "input/PciExpansionRom.hpp"

#include "core/HexFormat.hpp"
#include "input/AtomPowerPlayInfo.hpp"
#include "input/PowerPlayHeaderScan.hpp"
#include "input/RomSignature.hpp"

namespace ventora::VbiosPowerPlayExtractor {
namespace {

using ByteUtils::isRangeValid;
using ByteUtils::readUInt16LE;

constexpr std::int64_t imageHeaderSize = 0x1A;
constexpr std::int64_t pcirMinimumSize = 0x18;
constexpr std::int64_t imageUnit = 512;
constexpr int maximumChainImages = 32;

/// One validated image header and PCI data structure of the chain.
struct PciImageIdentity {
    int vendorID;
    int deviceID;
    std::int64_t imageLength;
    bool last;
};

/// The image starting at `offset`, when its header, its PCIR structure and its length all lie
/// inside `rom`.
std::optional<PciImageIdentity> identity(ByteView rom, std::int64_t offset) {
    if (!isRangeValid(rom, offset, imageHeaderSize) || !hasRomSignature(rom, offset, "\x55\xAA")) {
        return std::nullopt;
    }
    const std::int64_t pointer = readUInt16LE(rom, offset + 0x18);
    const std::int64_t pcir = offset + pointer;
    if (pointer < imageHeaderSize || !isRangeValid(rom, pcir, pcirMinimumSize) ||
        !hasRomSignature(rom, pcir, "PCIR")) {
        return std::nullopt;
    }
    const std::int64_t structureLength = readUInt16LE(rom, pcir + 0x0A);
    if (structureLength < pcirMinimumSize || !isRangeValid(rom, pcir, structureLength)) {
        return std::nullopt;
    }
    const std::int64_t imageLength = readUInt16LE(rom, pcir + 0x10) * imageUnit;
    if (imageLength == 0 || !isRangeValid(rom, offset, imageLength)) {
        return std::nullopt;
    }
    return PciImageIdentity{readUInt16LE(rom, pcir + 0x04), readUInt16LE(rom, pcir + 0x06),
                            imageLength, (rom[static_cast<std::size_t>(pcir + 0x15)] & 0x80) != 0};
}

/// Where the next image of the chain starts, or nothing when the chain ends after `current`.
std::optional<std::int64_t> nextImageOffset(ByteView rom, std::int64_t offset,
                                            const PciImageIdentity& current) {
    const std::int64_t next = offset + current.imageLength;
    if (current.last || next <= offset || next >= static_cast<std::int64_t>(rom.size())) {
        return std::nullopt;
    }
    return next;
}

std::string chainLine(int index, std::int64_t offset, std::int64_t length, int codeType) {
    return "PCI expansion ROM image " + std::to_string(index) + ": offset " + hexOffset(offset) +
           ", length " + std::to_string(length) + " bytes, code type " + hexByte(codeType) + ".";
}

void appendAll(std::vector<std::string>& target, const std::vector<std::string>& lines) {
    target.insert(target.end(), lines.begin(), lines.end());
}

/// A strategy for one legacy image of the chain, and the line announcing the image it found.
struct ImageStrategy {
    std::optional<Bytes> (*extract)(ByteView, std::int64_t, std::vector<std::string>&);
    const char* usingLine;
};

constexpr ImageStrategy imageStrategies[] = {
    {tryExtractByAtomMasterDataTable,
     "Using legacy ATOMBIOS image discovered through the PCI expansion ROM chain."},
    {tryExtractByPowerPlayHeaderScan,
     "Using legacy PCI expansion ROM image discovered through the PCIR chain."},
};

/// The ATOM strategy, then the header scan, on one legacy image of the chain. Both share one
/// list of image lines, so a scan success still shows why the ATOM attempt failed; the chain
/// lines and the matching "Using legacy" line are only written on success.
std::optional<Bytes> tryLegacyImage(ByteView image, std::int64_t baseOffset,
                                    const std::vector<std::string>& chainLines,
                                    std::vector<std::string>& messages) {
    std::vector<std::string> imageLines;
    for (const ImageStrategy& strategy : imageStrategies) {
        if (auto table = strategy.extract(image, baseOffset, imageLines)) {
            appendAll(messages, chainLines);
            messages.emplace_back(strategy.usingLine);
            appendAll(messages, imageLines);
            return table;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<Bytes> tryExtractFromPciExpansionRomChain(ByteView original,
                                                        std::vector<std::string>& messages) {
    std::vector<std::string> chainLines;
    std::int64_t offset = 0;
    for (int index = 0; index < maximumChainImages; ++index) {
        const auto image = identity(original, offset);
        if (!image) {
            return std::nullopt;
        }
        const std::int64_t pcir = offset + readUInt16LE(original, offset + 0x18);
        const int codeType = original[static_cast<std::size_t>(pcir + 0x14)];
        chainLines.push_back(chainLine(index, offset, image->imageLength, codeType));
        if (codeType == 0) {
            const ByteView bytes = original.subspan(static_cast<std::size_t>(offset),
                                                    static_cast<std::size_t>(image->imageLength));
            if (auto table = tryLegacyImage(bytes, offset, chainLines, messages)) {
                return table;
            }
        }
        const auto next = nextImageOffset(original, offset, *image);
        if (!next) {
            return std::nullopt;
        }
        offset = *next;
    }
    return std::nullopt;
}

std::optional<PciIdentity> pciIdentity(ByteView rom) {
    std::int64_t offset = 0;
    for (int index = 0; index < maximumChainImages; ++index) {
        const auto image = identity(rom, offset);
        if (!image) {
            break;
        }
        if (image->vendorID != 0 || image->deviceID != 0) {
            return PciIdentity{image->vendorID, image->deviceID};
        }
        const auto next = nextImageOffset(rom, offset, *image);
        if (!next) {
            break;
        }
        offset = *next;
    }
    constexpr std::int64_t fallbackMinimumSize = 0x4001B;
    if (static_cast<std::int64_t>(rom.size()) >= fallbackMinimumSize) {
        const auto legacy = identity(rom, uefiFirstLegacyImageOffset);
        if (legacy && (legacy->vendorID != 0 || legacy->deviceID != 0)) {
            return PciIdentity{legacy->vendorID, legacy->deviceID};
        }
    }
    return std::nullopt;
}

} // namespace ventora::VbiosPowerPlayExtractor
