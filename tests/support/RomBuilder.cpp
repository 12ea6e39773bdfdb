#include "support/RomBuilder.hpp"

#include "support/PowerPlayTables.hpp"

#include <string_view>

namespace ventora::test {
namespace {

// Knobs may point a structure past the image end; whatever does not fit is left out, as in a
// truncated dump.
template <typename Sequence>
void putBytes(Bytes& image, std::size_t offset, const Sequence& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        fit(image, offset + i, 1, static_cast<std::uint8_t>(bytes[i]));
    }
}

RomImageLayout edited(RomImageLayout layout, LayoutEdit edit) {
    if (edit != nullptr) {
        edit(layout);
    }
    return layout;
}

} // namespace

RomImageLayout legacyImage(Bytes table, LayoutEdit edit) {
    return edited({.table = std::move(table)}, edit);
}

RomImageLayout uefiImage(LayoutEdit edit) {
    return edited({.length = 0x8000, .codeType = 0x03, .lastImage = false, .atom = std::nullopt},
                  edit);
}

Bytes romImage(const RomImageLayout& layout) {
    Bytes image(layout.length, layout.fill);
    const std::size_t pcir = layout.pcirOffset;
    if (layout.romSignature) {
        fit(image, 0, 2, 0xAA55);
    }
    if (layout.pcirSignature) {
        putBytes(image, pcir, std::string_view("PCIR"));
    }
    fit(image, 0x18, 2, layout.pcirOffset);
    fit(image, pcir + 0x04, 2, layout.vendorID);
    fit(image, pcir + 0x06, 2, layout.deviceID);
    fit(image, pcir + 0x0A, 2, layout.pcirLength);
    fit(image, pcir + 0x10, 2, layout.imageLengthUnits.value_or(layout.length / 512));
    fit(image, pcir + 0x14, 1, layout.codeType);
    fit(image, pcir + 0x15, 1, layout.lastImage ? 0x80 : 0x00);
    if (const auto& atom = layout.atom) {
        fit(image, 0x48, 2, atom->romHeaderOffset);
        if (atom->atomSignature) {
            putBytes(image, atom->romHeaderOffset + 4u, std::string_view("ATOM"));
        }
        fit(image, atom->romHeaderOffset + 0x20u, 2, atom->masterDataTableOffset);
        fit(image, atom->masterDataTableOffset + 0x22u, 2, atom->powerPlayInfoOffset);
    }
    putBytes(image, layout.tableOffset, layout.table);
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
    fit(rom, 0, 2, 0x55AA);
    const Bytes image = romImage(legacy);
    rom.insert(rom.end(), image.begin(), image.end());
    return rom;
}

} // namespace ventora::test
