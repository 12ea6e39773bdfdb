#include "InputTestSupport.hpp"
#include "VbiosTestSupport.hpp"
#include "core/HexFormat.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::appErrorOf;
using test::extractedLine;
using test::readOnly;
namespace Vbios = VbiosPowerPlayExtractor;
using Lines = std::vector<std::string>;

test::RomImageLayout legacyWith(Bytes table) {
    test::RomImageLayout layout;
    layout.table = std::move(table);
    return layout;
}

test::RomImageLayout uefiImage(std::size_t length = 0x8000) {
    test::RomImageLayout layout;
    layout.length = length;
    layout.codeType = 0x03;
    layout.lastImage = false;
    layout.atom.reset();
    return layout;
}

template <typename Edit> test::RomImageLayout legacyRdna2(Edit edit) {
    auto layout = legacyWith(test::rdna2Table(16));
    edit(layout);
    return layout;
}

const std::string image0Legacy =
    "PCI expansion ROM image 0: offset 0x0, length 65536 bytes, code type 0x00.";
const std::string image0Uefi =
    "PCI expansion ROM image 0: offset 0x0, length 32768 bytes, code type 0x03.";
const std::string image1Legacy =
    "PCI expansion ROM image 1: offset 0x8000, length 65536 bytes, code type 0x00.";
const std::string viaAtom =
    "Using legacy ATOMBIOS image discovered through the PCI expansion ROM chain.";

// Strategy order: the chain's legacy image (ATOM, then scan), else the direct image (the
// whole buffer, or the legacy image of a UEFI-first dump) by ATOM, then by scan.
TEST(PciExpansionRomTest, StrategiesAndTheirLines) {
    auto brokenAtom = legacyWith(test::vega20Table());
    brokenAtom.atom->powerPlayInfoOffset = 0;
    brokenAtom.tableOffset = 0x1000;
    auto firstMarkedLast = uefiImage();
    firstMarkedLast.lastImage = true;
    const Lines directAtom = {extractedLine("0x400", 2470), readOnly};
    struct Case {
        const char* name;
        Bytes rom;
        Lines messages;
    };
    const Case cases[] = {
        {"single legacy image",
         test::romImage(legacyWith(test::polarisTable())),
         {image0Legacy, viaAtom, extractedLine("0x400", 640), readOnly}},
        {"UEFI image skipped, file offsets",
         test::romChain({uefiImage(), legacyWith(test::navi10Table())}),
         {image0Uefi, image1Legacy, viaAtom, extractedLine("0x8400", 1674), readOnly}},
        {"chain image with broken ATOM tables",
         test::romChain({uefiImage(), brokenAtom}),
         {image0Uefi, image1Legacy,
          "Using legacy PCI expansion ROM image discovered through the PCIR chain.",
          "PowerPlayInfo table offset 0x8000 is invalid or empty.",
          "Trying PowerPlay header scan fallback...",
          "Validated Vega 20 Radeon VII PowerPlay table found by scan at 0x9000, revision 11.0, "
          "size 1730 bytes.",
          readOnly}},
        {"first image marked last ends the chain",
         test::romChain({firstMarkedLast, legacyWith(test::navi10Table())}),
         {"ATOM signature was not found in the VBIOS header area.",
          "Trying PowerPlay header scan fallback...",
          "Validated Navi 10 PowerPlay table found by scan at 0x8400, revision 12.0, size 1674 "
          "bytes.",
          readOnly}},
        {"UEFI-first dump",
         test::uefiFirstDump(legacyWith(test::vega10Table(10, 694))),
         {"UEFI-first ROM detected. Using legacy ATOMBIOS image at offset 0x40000.",
          extractedLine("0x40400", 694), readOnly}},
        {"image length 0", test::romImage(legacyRdna2([](auto& s) { s.imageLengthUnits = 0; })),
         directAtom},
        {"image longer than the file",
         test::romImage(legacyRdna2([](auto& s) { s.imageLengthUnits = 0x81; })), directAtom},
        {"no PCIR signature", test::romImage(legacyRdna2([](auto& s) { s.pcirSignature = false; })),
         directAtom},
        {"PCIR pointer below 0x1A",
         test::romImage(legacyRdna2([](auto& s) { s.pcirOffset = 0x19; })), directAtom},
        {"PCIR structure too short",
         test::romImage(legacyRdna2([](auto& s) { s.pcirLength = 0x17; })), directAtom},
        {"PCIR structure past the end",
         test::romImage(legacyRdna2([](auto& s) { s.pcirLength = 0xFE41; })), directAtom},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = Vbios::extract(c.rom);
        EXPECT_EQ(result.messages, c.messages);
        EXPECT_EQ(result.originalRom, c.rom);
    }
}

TEST(PciExpansionRomTest, ChainVisitsAtMost32Images) {
    for (const std::size_t images : {32u, 33u}) {
        SCOPED_TRACE(images);
        std::vector<test::RomImageLayout> layouts(images - 1, uefiImage(512));
        layouts.push_back(legacyWith(test::polarisTable()));
        layouts.back().atom.reset();
        layouts.back().tableOffset = 0x1000;
        const auto result = Vbios::extract(test::romChain(layouts));
        const std::string lastChainLine = "PCI expansion ROM image 31: offset " +
                                          hexOffset(31 * 512) +
                                          ", length 65536 bytes, code type 0x00.";
        const auto& lines = result.messages;
        EXPECT_EQ(std::find(lines.begin(), lines.end(), lastChainLine) != lines.end(),
                  images == 32);
        EXPECT_EQ(result.messages.end()[-2],
                  "Validated Polaris PowerPlay table found by scan at " +
                      hexOffset((images - 1) * 512 + 0x1000) +
                      ", revision 7.1, size 640 bytes, fan table revision 9.");
    }
}

TEST(PciExpansionRomTest, RefusedFiles) {
    const std::string noSignature =
        "VBIOS signature 55 AA was not found. The file may not be a raw GPU-Z VBIOS dump.";
    const std::string notFound = "Could not locate a valid PowerPlayInfo/SPPT table in this ROM.";
    const Bytes uefiFirst = test::uefiFirstDump(legacyWith(test::polarisTable()));
    Bytes uefiWithoutLegacy = uefiFirst;
    uefiWithoutLegacy[0x40000] = 0x00;
    Bytes justLongEnough(256, 0x00);
    justLongEnough[0] = 0x55;
    justLongEnough[1] = 0xAA;
    struct Case {
        const char* name;
        Bytes rom;
        std::string message;
    };
    const Case cases[] = {
        {"UEFI-first of 0x40100 bytes", Bytes(uefiFirst.begin(), uefiFirst.begin() + 0x40100),
         noSignature},
        {"UEFI-first of 0x40101 bytes is walked",
         Bytes(uefiFirst.begin(), uefiFirst.begin() + 0x40101), notFound},
        {"UEFI-first without 55 AA at 0x40000", uefiWithoutLegacy, noSignature},
        {"neither signature", Bytes(4096, 0x00), noSignature},
        {"255 bytes", Bytes(255, 0x55), "VBIOS file is too small."},
        {"256 bytes proceed", justLongEnough, notFound},
        {"above 64 MiB", Bytes(67108865, 0x55),
         "VBIOS file is too large (67108865 bytes; maximum 67108864 bytes)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(appErrorOf([&] { (void)Vbios::extract(c.rom); }), c.message);
    }
    CancellationToken token;
    token.cancel();
    const Bytes rom = test::romImage(legacyWith(test::polarisTable()));
    EXPECT_EQ(appErrorOf([&] { (void)Vbios::extract(rom, &token); }),
              "VBIOS extraction cancelled.");
}

TEST(PciExpansionRomTest, IdentityReadsTheFirstNonZeroPair) {
    auto zeroIds = uefiImage();
    zeroIds.vendorID = 0;
    zeroIds.deviceID = 0;
    auto second = legacyWith({});
    second.deviceID = 0x67DF;
    auto vendorOnly = uefiImage();
    vendorOnly.deviceID = 0;
    auto brokenFirst = uefiImage();
    brokenFirst.imageLengthUnits = 0;
    auto last = zeroIds;
    last.lastImage = true;
    using Id = PciIdentity;
    struct Case {
        const char* name;
        Bytes rom;
        std::optional<Id> expected;
    };
    const Case cases[] = {
        {"first image", test::romImage(legacyWith({})), Id{0x1002, 0x731F}},
        {"zero ids move on", test::romChain({zeroIds, second}), Id{0x1002, 0x67DF}},
        {"vendor alone counts", test::romChain({vendorOnly, second}), Id{0x1002, 0}},
        {"broken first image", test::romChain({brokenFirst, second}), std::nullopt},
        {"last image has zero ids", test::romChain({last, second}), std::nullopt},
        {"UEFI-first legacy image", test::uefiFirstDump(second), Id{0x1002, 0x67DF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Vbios::pciIdentity(c.rom), c.expected);
    }
    const Bytes rom = test::romChain({uefiImage(0x4000), legacyWith({})});
    const auto first = Vbios::identity(rom, 0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->imageLength, 0x4000);
    EXPECT_FALSE(first->last);
    EXPECT_TRUE(Vbios::identity(rom, 0x4000)->last);
    EXPECT_FALSE(Vbios::identity(rom, 1).has_value());
    EXPECT_FALSE(Vbios::identity(rom, -1).has_value());
}

} // namespace
} // namespace ventora
