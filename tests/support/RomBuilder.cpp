#include "support/RomBuilder.hpp"

#include "support/PowerPlayTables.hpp"

#include <string_view>

namespace ventora::test {
namespace {

// Knobs may point a structure past the image end; whatever does not fit is left out, as in a
// truncated dump.
void putText(Bytes& image, std::size_t offset, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        fitU8(image, offset + i, static_cast<std::uint8_t>(text[i]));
    }
}

void writeAtomLinks(Bytes& image, const AtomLinks& atom) {
    fitU16(image, 0x48, atom.romHeaderOffset);
    if (atom.atomSignature) {
        putText(image, atom.romHeaderOffset + 4u, "ATOM");
    }
    fitU16(image, atom.romHeaderOffset + 0x20u, atom.masterDataTableOffset);
    fitU16(image, atom.masterDataTableOffset + 0x22u, atom.powerPlayInfoOffset);
}

RomImageLayout edited(RomImageLayout layout, LayoutEdit edit) {
    if (edit != nullptr) {
        edit(layout);
    }
    return layout;
}

} // namespace

RomImageLayout legacyImage(Bytes table, LayoutEdit edit) {
    RomImageLayout layout;
    layout.table = std::move(table);
    return edited(std::move(layout), edit);
}

RomImageLayout uefiImage(LayoutEdit edit) {
    RomImageLayout layout;
    layout.length = 0x8000;
    layout.codeType = 0x03;
    layout.lastImage = false;
    layout.atom.reset();
    return edited(std::move(layout), edit);
}

Bytes romImage(const RomImageLayout& layout) {
    Bytes image(layout.length, layout.fill);
    if (layout.romSignature) {
        fitU8(image, 0, 0x55);
        fitU8(image, 1, 0xAA);
    }
    fitU16(image, 0x18, layout.pcirOffset);
    const std::size_t pcir = layout.pcirOffset;
    if (layout.pcirSignature) {
        putText(image, pcir, "PCIR");
    }
    fitU16(image, pcir + 0x04, layout.vendorID);
    fitU16(image, pcir + 0x06, layout.deviceID);
    fitU16(image, pcir + 0x0A, layout.pcirLength);
    fitU16(image, pcir + 0x10,
           layout.imageLengthUnits.value_or(static_cast<std::uint16_t>(layout.length / 512)));
    fitU8(image, pcir + 0x14, layout.codeType);
    fitU8(image, pcir + 0x15, layout.lastImage ? 0x80 : 0x00);
    if (layout.atom) {
        writeAtomLinks(image, *layout.atom);
    }
    for (std::size_t i = 0; i < layout.table.size(); ++i) {
        fitU8(image, layout.tableOffset + i, layout.table[i]);
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
    fitU8(rom, 0, 0xAA);
    fitU8(rom, 1, 0x55);
    const Bytes image = romImage(legacy);
    rom.insert(rom.end(), image.begin(), image.end());
    return rom;
}

} // namespace ventora::test
