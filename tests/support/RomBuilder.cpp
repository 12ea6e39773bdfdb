#include "support/RomBuilder.hpp"

#include <string_view>

namespace ventora::test {
namespace {

// Knobs may point a structure past the image end; whatever does not fit is left out, as in a
// truncated dump.
void put8(Bytes& image, std::size_t offset, std::uint8_t value) {
    if (offset < image.size()) {
        image[offset] = value;
    }
}

void put16(Bytes& image, std::size_t offset, std::uint16_t value) {
    put8(image, offset, static_cast<std::uint8_t>(value));
    put8(image, offset + 1, static_cast<std::uint8_t>(value >> 8));
}

void putText(Bytes& image, std::size_t offset, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        put8(image, offset + i, static_cast<std::uint8_t>(text[i]));
    }
}

void writeAtomLinks(Bytes& image, const AtomLinks& atom) {
    put16(image, 0x48, atom.romHeaderOffset);
    if (atom.atomSignature) {
        putText(image, atom.romHeaderOffset + 4u, "ATOM");
    }
    put16(image, atom.romHeaderOffset + 0x20u, atom.masterDataTableOffset);
    put16(image, atom.masterDataTableOffset + 0x22u, atom.powerPlayInfoOffset);
}

} // namespace

Bytes romImage(const RomImageLayout& layout) {
    Bytes image(layout.length, layout.fill);
    if (layout.romSignature) {
        put8(image, 0, 0x55);
        put8(image, 1, 0xAA);
    }
    put16(image, 0x18, layout.pcirOffset);
    const std::size_t pcir = layout.pcirOffset;
    if (layout.pcirSignature) {
        putText(image, pcir, "PCIR");
    }
    put16(image, pcir + 0x04, layout.vendorID);
    put16(image, pcir + 0x06, layout.deviceID);
    put16(image, pcir + 0x0A, layout.pcirLength);
    put16(image, pcir + 0x10,
          layout.imageLengthUnits.value_or(static_cast<std::uint16_t>(layout.length / 512)));
    put8(image, pcir + 0x14, layout.codeType);
    put8(image, pcir + 0x15, layout.lastImage ? 0x80 : 0x00);
    if (layout.atom) {
        writeAtomLinks(image, *layout.atom);
    }
    for (std::size_t i = 0; i < layout.table.size(); ++i) {
        put8(image, layout.tableOffset + i, layout.table[i]);
    }
    return image;
}

Bytes romChain(const std::vector<RomImageLayout>& layouts) {
    Bytes rom;
    for (const RomImageLayout& layout : layouts) {
        const Bytes image = romImage(layout);
        rom.insert(rom.end(), image.begin(), image.end());
    }
    return rom;
}

Bytes uefiFirstDump(const RomImageLayout& legacy) {
    Bytes rom(0x40000, 0x00);
    put8(rom, 0, 0xAA);
    put8(rom, 1, 0x55);
    const Bytes image = romImage(legacy);
    rom.insert(rom.end(), image.begin(), image.end());
    return rom;
}

} // namespace ventora::test
