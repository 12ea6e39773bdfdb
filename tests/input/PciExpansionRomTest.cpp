#include "VbiosTestSupport.hpp"
#include "core/HexFormat.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::extractedLine;
using test::extractionError;
using test::readOnly;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
namespace Vbios = VbiosPowerPlayExtractor;

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

TEST(PciExpansionRomTest, SingleLegacyImageIsFoundThroughTheChain) {
    const auto layout = legacyWith(test::polarisTable());
    const auto result = Vbios::extract(test::romImage(layout));
    EXPECT_THAT(
        result.messages,
        ElementsAre("PCI expansion ROM image 0: offset 0x0, length 65536 bytes, code type 0x00.",
                    "Using legacy ATOMBIOS image discovered through the PCI expansion ROM chain.",
                    extractedLine("0x400", 640), readOnly));
    EXPECT_EQ(result.table, layout.table);
    EXPECT_EQ(result.originalRom, test::romImage(layout));
}

TEST(PciExpansionRomTest, UefiImageIsSkippedAndOffsetsAreFileOffsets) {
    const Bytes rom = test::romChain({uefiImage(), legacyWith(test::navi10Table())});
    const auto result = Vbios::extract(rom);
    EXPECT_THAT(
        result.messages,
        ElementsAre("PCI expansion ROM image 0: offset 0x0, length 32768 bytes, code type 0x03.",
                    "PCI expansion ROM image 1: offset 0x8000, length 65536 bytes, code type 0x00.",
                    "Using legacy ATOMBIOS image discovered through the PCI expansion ROM chain.",
                    extractedLine("0x8400", 1674), readOnly));
}

TEST(PciExpansionRomTest, ChainImageWithBrokenAtomFallsBackToTheScan) {
    auto layout = legacyWith({});
    layout.atom->powerPlayInfoOffset = 0;
    layout.table = test::vega20Table();
    layout.tableOffset = 0x1000;
    const auto result = Vbios::extract(test::romChain({uefiImage(), layout}));
    EXPECT_THAT(
        result.messages,
        ElementsAre("PCI expansion ROM image 0: offset 0x0, length 32768 bytes, code type 0x03.",
                    "PCI expansion ROM image 1: offset 0x8000, length 65536 bytes, code type 0x00.",
                    "Using legacy PCI expansion ROM image discovered through the PCIR chain.",
                    "PowerPlayInfo table offset 0x8000 is invalid or empty.",
                    "Trying PowerPlay header scan fallback...",
                    "Validated Vega 20 Radeon VII PowerPlay table found by scan at 0x9000, "
                    "revision 11.0, size 1730 bytes.",
                    readOnly));
}

TEST(PciExpansionRomTest, BrokenChainFallsBackToTheWholeBufferWithoutChainLines) {
    struct Case {
        const char* name;
        void (*breakLink)(test::RomImageLayout&);
    };
    const Case cases[] = {
        {"image length 0",
         [](test::RomImageLayout& s) {
             s.imageLengthUnits = 0;
         }},
        {"image longer than the file",
         [](test::RomImageLayout& s) {
             s.imageLengthUnits = 0x81;
         }},
        {"no PCIR signature",
         [](test::RomImageLayout& s) {
             s.pcirSignature = false;
         }},
        {"PCIR pointer below 0x1A",
         [](test::RomImageLayout& s) {
             s.pcirOffset = 0x19;
         }},
        {"PCIR structure too short",
         [](test::RomImageLayout& s) {
             s.pcirLength = 0x17;
         }},
        {"PCIR past the end",
         [](test::RomImageLayout& s) {
             s.pcirOffset = 0xFFF0;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto layout = legacyWith(test::rdna2Table(16));
        c.breakLink(layout);
        const auto result = Vbios::extract(test::romImage(layout));
        EXPECT_THAT(result.messages, ElementsAre(extractedLine("0x400", 2470), readOnly));
    }
}

TEST(PciExpansionRomTest, ChainVisitsAtMost32Images) {
    for (const std::size_t images : {32u, 33u}) {
        SCOPED_TRACE(images);
        std::vector<test::RomImageLayout> layouts(images - 1, uefiImage(512));
        auto legacy = legacyWith({});
        legacy.atom.reset();
        legacy.table = test::polarisTable();
        legacy.tableOffset = 0x1000;
        layouts.push_back(legacy);
        const auto result = Vbios::extract(test::romChain(layouts));
        const bool throughChain = result.messages.size() == images + 5;
        EXPECT_EQ(throughChain, images == 32);
        const std::string found = "Validated Polaris PowerPlay table found by scan at " +
                                  hexOffset((images - 1) * 512 + 0x1000) +
                                  ", revision 7.1, size 640 bytes, fan table revision 9.";
        EXPECT_EQ(result.messages.end()[-2], found);
    }
}

TEST(PciExpansionRomTest, UefiFirstDumpUsesTheLegacyImageAt0x40000) {
    const auto layout = legacyWith(test::vega10Table(10, 694));
    const auto result = Vbios::extract(test::uefiFirstDump(layout));
    EXPECT_THAT(
        result.messages,
        ElementsAre("UEFI-first ROM detected. Using legacy ATOMBIOS image at offset 0x40000.",
                    extractedLine("0x40400", 694), readOnly));
    EXPECT_EQ(result.table, layout.table);
}

TEST(PciExpansionRomTest, RefusedFiles) {
    const std::string noSignature =
        "VBIOS signature 55 AA was not found. The file may not be a raw GPU-Z VBIOS dump.";
    Bytes uefiTooShort = test::uefiFirstDump(legacyWith(test::polarisTable()));
    uefiTooShort.resize(0x40100);
    Bytes uefiWithoutLegacy = test::uefiFirstDump(legacyWith(test::polarisTable()));
    uefiWithoutLegacy[0x40000] = 0x00;
    Bytes neither(4096, 0x00);
    Bytes justLongEnough(256, 0x00);
    justLongEnough[0] = 0x55;
    justLongEnough[1] = 0xAA;
    struct Case {
        const char* name;
        Bytes rom;
        std::string message;
    };
    const Case cases[] = {
        {"UEFI-first of 0x40100 bytes", uefiTooShort, noSignature},
        {"UEFI-first without 55 AA at 0x40000", uefiWithoutLegacy, noSignature},
        {"neither signature", neither, noSignature},
        {"255 bytes", Bytes(255, 0x55), "VBIOS file is too small."},
        {"256 bytes proceed", justLongEnough,
         "Could not locate a valid PowerPlayInfo/SPPT table in this ROM."},
        {"above 64 MiB", Bytes(67108865, 0x55),
         "VBIOS file is too large (67108865 bytes; maximum 67108864 bytes)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(extractionError(c.rom), c.message);
    }
}

TEST(PciExpansionRomTest, CancelledTokenStopsExtraction) {
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(extractionError(test::romImage(legacyWith(test::polarisTable())), &token),
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
    auto last = legacyWith({});
    last.lastImage = true;
    last.vendorID = 0;
    last.deviceID = 0;
    using Id = Vbios::PciIdentity;
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
}

TEST(PciExpansionRomTest, ImageIdentityRecord) {
    auto layout = uefiImage(0x4000);
    const Bytes rom = test::romChain({layout, legacyWith({})});
    const auto first = Vbios::identity(rom, 0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->imageLength, 0x4000);
    EXPECT_FALSE(first->last);
    const auto second = Vbios::identity(rom, 0x4000);
    ASSERT_TRUE(second.has_value());
    EXPECT_TRUE(second->last);
    EXPECT_FALSE(Vbios::identity(rom, 1).has_value());
    EXPECT_FALSE(Vbios::identity(rom, -1).has_value());
}

} // namespace
} // namespace ventora
