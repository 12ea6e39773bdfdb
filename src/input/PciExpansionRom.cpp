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
constexpr std::size_t maximumChainImages = 32;

/// One validated image of the chain: where it starts, its header and its PCI data structure.
struct ChainImage {
    std::int64_t offset;
    PciIdentity identity;
    std::int64_t length;
    int codeType;
    bool last;
};

/// The image starting at `offset`, when its header, its PCIR structure and its length all lie
/// inside `rom`.
std::optional<ChainImage> imageAt(ByteView rom, std::int64_t offset) {
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
    const std::int64_t length = readUInt16LE(rom, pcir + 0x10) * imageUnit;
    if (length == 0 || !isRangeValid(rom, offset, length)) {
        return std::nullopt;
    }
    const auto at = static_cast<std::size_t>(pcir);
    return ChainImage{offset,
                      {readUInt16LE(rom, pcir + 0x04), readUInt16LE(rom, pcir + 0x06)},
                      length,
                      rom[at + 0x14],
                      (rom[at + 0x15] & 0x80) != 0};
}

/// Where the image after `current` starts, or nothing when the chain ends with `current`.
std::optional<std::int64_t> nextImageOffset(ByteView rom, const ChainImage& current) {
    const std::int64_t next = current.offset + current.length;
    if (current.last || next <= current.offset || next >= static_cast<std::int64_t>(rom.size())) {
        return std::nullopt;
    }
    return next;
}

/// The validated images of the chain in order: at most 32, up to the first one that is broken,
/// marked last or followed by the end of the file.
std::vector<ChainImage> chainImages(ByteView rom) {
    std::vector<ChainImage> images;
    std::optional<std::int64_t> offset = 0;
    while (offset && images.size() < maximumChainImages) {
        const auto image = imageAt(rom, *offset);
        if (!image) {
            break;
        }
        images.push_back(*image);
        offset = nextImageOffset(rom, *image);
    }
    return images;
}

/// The PCI identity an image states: one with a non-zero vendor or device id.
std::optional<PciIdentity> statedIdentity(const std::optional<ChainImage>& image) {
    if (!image || image->identity == PciIdentity{}) {
        return std::nullopt;
    }
    return image->identity;
}

std::string chainLine(std::size_t index, const ChainImage& image) {
    return "PCI expansion ROM image " + std::to_string(index) + ": offset " +
           hexOffset(image.offset) + ", length " + std::to_string(image.length) +
           " bytes, code type " + hexByte(image.codeType) + ".";
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
    const std::vector<ChainImage> images = chainImages(original);
    for (std::size_t index = 0; index < images.size(); ++index) {
        const ChainImage& image = images[index];
        chainLines.push_back(chainLine(index, image));
        if (image.codeType != 0) {
            continue;
        }
        const ByteView bytes = original.subspan(static_cast<std::size_t>(image.offset),
                                                static_cast<std::size_t>(image.length));
        if (auto table = tryLegacyImage(bytes, image.offset, chainLines, messages)) {
            return table;
        }
    }
    return std::nullopt;
}

std::optional<PciIdentity> pciIdentity(ByteView rom) {
    for (const ChainImage& image : chainImages(rom)) {
        if (auto stated = statedIdentity(image)) {
            return stated;
        }
    }
    return statedIdentity(imageAt(rom, uefiFirstLegacyImageOffset));
}

} // namespace ventora::VbiosPowerPlayExtractor
