#include "input/PciExpansionRom.hpp"

#include "InputTestSupport.hpp"
#include "VbiosTestSupport.hpp"
#include "core/HexFormat.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::extractedLine;
using test::readOnly;
namespace Vbios = VbiosPowerPlayExtractor;
using Lines = std::vector<std::string>;
using Edit = void (*)(test::RomImageLayout&);

test::RomImageLayout legacyWith(
    Bytes table, Edit edit = [](auto&) {}) {
    test::RomImageLayout layout;
    layout.table = std::move(table);
    edit(layout);
    return layout;
}

test::RomImageLayout uefiImage(
    Edit edit = [](auto&) {}, std::size_t length = 0x8000) {
    test::RomImageLayout layout;
    layout.length = length;
    layout.codeType = 0x03;
    layout.lastImage = false;
    layout.atom.reset();
    edit(layout);
    return layout;
}

Bytes brokenChain(Edit edit) {
    return test::romImage(legacyWith(test::rdna2Table(16), edit));
}

// Strategy order: the chain's legacy image (ATOM, then scan), else the direct image (the
// whole buffer, or the legacy image of a UEFI-first dump) by ATOM, then by scan. A chain
// that fails any range check is left for the direct image.
TEST(PciExpansionRom, StrategiesAndTheirLines) {
    const std::string image0 = "PCI expansion ROM image 0: offset 0x0, length 32768 bytes, code "
                               "type 0x03.";
    const std::string image1 = "PCI expansion ROM image 1: offset 0x8000, length 65536 bytes, "
                               "code type 0x00.";
    const std::string viaAtom =
        "Using legacy ATOMBIOS image discovered through the PCI expansion ROM chain.";
    const std::string trying = "Trying PowerPlay header scan fallback...";
    auto brokenAtom = legacyWith(test::vega20Table(), [](auto& l) { l.tableOffset = 0x1000; });
    brokenAtom.atom->powerPlayInfoOffset = 0;
    const Lines direct = {extractedLine("0x400", 2470), readOnly};
    const std::pair<Bytes, Lines> cases[] = {
        {test::romImage(legacyWith(test::polarisTable())),
         {"PCI expansion ROM image 0: offset 0x0, length 65536 bytes, code type 0x00.", viaAtom,
          extractedLine("0x400", 640), readOnly}},
        {test::romChain({uefiImage(), legacyWith(test::navi10Table())}),
         {image0, image1, viaAtom, extractedLine("0x8400", 1674), readOnly}},
        {test::romChain({uefiImage(), brokenAtom}),
         {image0, image1, "Using legacy PCI expansion ROM image discovered through the PCIR chain.",
          "PowerPlayInfo table offset 0x8000 is invalid or empty.", trying,
          "Validated Vega 20 Radeon VII PowerPlay table found by scan at 0x9000, revision 11.0, "
          "size 1730 bytes.",
          readOnly}},
        {test::romChain(
             {uefiImage([](auto& l) { l.lastImage = true; }), legacyWith(test::navi10Table())}),
         {"ATOM signature was not found in the VBIOS header area.", trying,
          "Validated Navi 10 PowerPlay table found by scan at 0x8400, revision 12.0, size 1674 "
          "bytes.",
          readOnly}},
        {test::uefiFirstDump(legacyWith(test::vega10Table(10, 694))),
         {"UEFI-first ROM detected. Using legacy ATOMBIOS image at offset 0x40000.",
          extractedLine("0x40400", 694), readOnly}},
        {brokenChain([](auto& l) { l.imageLengthUnits = 0; }), direct},
        {brokenChain([](auto& l) { l.imageLengthUnits = 0x81; }), direct},
        {brokenChain([](auto& l) { l.pcirSignature = false; }), direct},
        {brokenChain([](auto& l) { l.pcirOffset = 0x19; }), direct},
        {brokenChain([](auto& l) { l.pcirLength = 0x17; }), direct},
        {brokenChain([](auto& l) { l.pcirLength = 0xFE41; }), direct},
    };
    for (const auto& [rom, lines] : cases) {
        const auto result = Vbios::extract(rom);
        EXPECT_EQ(result.messages, lines);
        EXPECT_EQ(result.originalRom, rom);
    }
}

TEST(PciExpansionRom, ChainVisitsAtMost32Images) {
    for (const std::size_t images : {32u, 33u}) {
        std::vector<test::RomImageLayout> chain(images - 1, uefiImage([](auto&) {}, 512));
        chain.push_back(legacyWith(test::polarisTable(), [](auto& l) { l.atom.reset(); }));
        chain.back().tableOffset = 0x1000;
        const auto lines = Vbios::extract(test::romChain(chain)).messages;
        EXPECT_EQ(lines.size(), images == 32 ? 37u : 4u);
        EXPECT_EQ(lines.end()[-2], "Validated Polaris PowerPlay table found by scan at " +
                                       hexOffset((images - 1) * 512 + 0x1000) +
                                       ", revision 7.1, size 640 bytes, fan table revision 9.");
    }
}

TEST(PciExpansionRom, IdentityIsTheFirstNonZeroPair) {
    const auto zeroIds = [](auto& l) {
        l.vendorID = l.deviceID = 0;
    };
    const auto second = legacyWith({}, [](auto& l) { l.deviceID = 0x67DF; });
    const std::pair<Bytes, std::optional<PciIdentity>> cases[] = {
        {test::romImage(legacyWith({})), PciIdentity{0x1002, 0x731F}},
        {test::romChain({uefiImage(zeroIds), second}), PciIdentity{0x1002, 0x67DF}},
        {test::romChain({uefiImage([](auto& l) { l.deviceID = 0; }), second}),
         PciIdentity{0x1002, 0}},
        {test::romChain({uefiImage([](auto& l) { l.imageLengthUnits = 0; }), second}),
         std::nullopt},
        {test::romChain({legacyWith({}, zeroIds), second}), std::nullopt},
        {test::uefiFirstDump(second), PciIdentity{0x1002, 0x67DF}},
    };
    for (const auto& [rom, identity] : cases) {
        EXPECT_EQ(Vbios::pciIdentity(rom), identity);
    }
}

TEST(VbiosPowerPlayExtractor, RefusedFiles) {
    const std::string noSignature =
        "VBIOS signature 55 AA was not found. The file may not be a raw GPU-Z VBIOS dump.";
    const std::string notFound = "Could not locate a valid PowerPlayInfo/SPPT table in this ROM.";
    const Bytes uefiFirst = test::uefiFirstDump(legacyWith(test::polarisTable()));
    Bytes withoutLegacy = uefiFirst;
    withoutLegacy[0x40000] = 0x00;
    const auto first = [&](std::size_t count) {
        return Bytes(uefiFirst.begin(), uefiFirst.begin() + static_cast<std::ptrdiff_t>(count));
    };
    Bytes justLongEnough(256, 0x00);
    test::putU16(justLongEnough, 0, 0xAA55);
    const std::pair<Bytes, std::string> cases[] = {
        {first(0x40100), noSignature},
        {first(0x40101), notFound},
        {withoutLegacy, noSignature},
        {Bytes(255, 0x55), "VBIOS file is too small."},
        {justLongEnough, notFound},
        {Bytes(67108865, 0x55),
         "VBIOS file is too large (67108865 bytes; maximum 67108864 bytes)."},
    };
    for (const auto& [rom, message] : cases) {
        EXPECT_EQ(test::appErrorOf([&] { (void)Vbios::extract(rom); }), message);
    }
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(test::appErrorOf([&] { (void)Vbios::extract(uefiFirst, &token); }),
              "VBIOS extraction cancelled.");
}

} // namespace
} // namespace ventora
