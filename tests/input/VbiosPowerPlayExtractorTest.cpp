#include "input/VbiosPowerPlayExtractor.hpp"

#include "InputTestSupport.hpp"
#include "core/HexFormat.hpp"
#include "input/AtomPowerPlayInfo.hpp"
#include "input/PciExpansionRom.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace test;
namespace Vbios = VbiosPowerPlayExtractor;
using Lines = std::vector<std::string>;
using Layout = RomImageLayout;

Vbios::Extraction extract(const Bytes& rom, const CancellationToken* token = nullptr) {
    return Vbios::extract(FileBuffer(rom.begin(), rom.end()), token);
}

/// The table and the lines of the ATOM strategy on `image` at file offset `baseOffset`.
std::pair<std::optional<Bytes>, Lines> atom(const Bytes& image, std::int64_t baseOffset = 0) {
    Lines lines;
    auto table = Vbios::tryExtractByAtomMasterDataTable(image, baseOffset, lines);
    return {std::move(table), lines};
}

// A pointer at 0x48 that misses the header is recovered by a scan of 0x30 to 0x300 for a
// signature wholly inside the image. Lines give file offsets.
TEST(AtomPowerPlayInfo, FindsTheHeaderByPointerOrScan) {
    const std::string notFound = "ATOM signature was not found in the VBIOS header area.";
    for (const int at : {0x2C, 0x30, 0x300, 0x301}) {
        Bytes image(0x1000, 0x00);
        std::copy_n("ATOM", 4, image.begin() + at);
        const std::string first = atom(image, 0x8000).second.front();
        EXPECT_EQ(first, at < 0x30 || at > 0x300
                             ? notFound
                             : "ATOM signature found by scan at " + hexOffset(0x8000 + at) +
                                   "; using header offset " + hexOffset(0x7FFC + at) + ".");
    }
    for (const std::size_t size : {0x100u, 0xFFu}) {
        Bytes image(size, 0x00);
        std::copy_n("ATOM", size - 0xFC, image.begin() + 0xFC);
        EXPECT_EQ(atom(image).second.front() == notFound, size == 0xFF);
    }
}

TEST(AtomPowerPlayInfo, EachBrokenLinkLogsOneLine) {
    const std::string badSize = " is invalid. ROM parsing stopped to avoid corrupt output.";
    const std::tuple<std::vector<std::pair<std::size_t, std::uint16_t>>, std::string> cases[] = {
        {{{0x48, 0xFFDD}}, "ATOM ROM header offset 0xFFDD is outside the ROM."},
        {{{0x204, 0x5858}}, "ATOM signature was not found in the VBIOS header area."},
        {{{0x220, 0xFFDD}}, "ATOM master data table offset 0xFFDD is invalid."},
        {{{0x262, 0}}, "PowerPlayInfo table offset 0x0 is invalid or empty."},
        {{{0x262, 0xFFF9}}, "PowerPlayInfo table offset 0xFFF9 is invalid or empty."},
        {{{0x262, 0xFFF8}, {0xFFF8, 0x100}}, "PowerPlayInfo table size 0x100" + badSize},
        {{{0x400, 255}}, "PowerPlayInfo table size 0xFF" + badSize},
        {{{0x400, 20481}}, "PowerPlayInfo table size 0x5001" + badSize},
        {{{0x262, 0xFF00}, {0xFF00, 0x101}}, "PowerPlayInfo table size 0x101" + badSize},
    };
    for (const auto& [words, message] : cases) {
        Bytes image = romImage(legacyImage(polarisTable()));
        for (const auto& [offset, value] : words) {
            put(image, offset, 2, value);
        }
        EXPECT_EQ(atom(image), std::pair(std::optional<Bytes>(), Lines{message}));
    }
}

// Each structure may end exactly at the image end: the largest table, or the header and the
// master data table sharing the last 0x24 bytes (they overlap without sharing a field).
TEST(AtomPowerPlayInfo, StructuresEndingAtTheImageEndAreRead) {
    auto tableAtEnd = legacyImage(rdna2Table(18, 20480));
    tableAtEnd.tableOffset = 0x10000 - 20480;
    tableAtEnd.atom->powerPlayInfoOffset = static_cast<std::uint16_t>(tableAtEnd.tableOffset);
    auto headerAtEnd = legacyImage(polarisTable());
    headerAtEnd.atom->romHeaderOffset = headerAtEnd.atom->masterDataTableOffset = 0xFFDC;
    for (const auto& layout : {tableAtEnd, headerAtEnd}) {
        EXPECT_EQ(atom(romImage(layout)).first, layout.table);
    }
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
    auto brokenAtom = legacyImage(vega20Table(), [](Layout& l) { l.tableOffset = 0x1000; });
    brokenAtom.atom->powerPlayInfoOffset = 0;
    const auto broken = [](LayoutEdit edit) {
        return romImage(legacyImage(rdna2Table(16), edit));
    };
    const Lines direct = {extractedLine("0x400", 2470), readOnly};
    const std::pair<Bytes, Lines> cases[] = {
        {romChain({uefiImage(), legacyImage(navi10Table())}),
         {image0, image1, viaAtom, extractedLine("0x8400", 1674), readOnly}},
        {romChain({uefiImage(), brokenAtom}),
         {image0, image1, "Using legacy PCI expansion ROM image discovered through the PCIR chain.",
          "PowerPlayInfo table offset 0x8000 is invalid or empty.", trying,
          "Validated Vega 20 Radeon VII PowerPlay table found by scan at 0x9000, revision 11.0, "
          "size 1730 bytes.",
          readOnly}},
        {romChain({uefiImage([](Layout& l) { l.lastImage = true; }), legacyImage(navi10Table())}),
         {"ATOM signature was not found in the VBIOS header area.", trying,
          "Validated Navi 10 PowerPlay table found by scan at 0x8400, revision 12.0, size 1674 "
          "bytes.",
          readOnly}},
        {uefiFirstDump(legacyImage(vega10Table(10, 694))),
         {"UEFI-first ROM detected. Using legacy ATOMBIOS image at offset 0x40000.",
          extractedLine("0x40400", 694), readOnly}},
        {broken([](Layout& l) { l.imageLengthUnits = 0; }), direct},
        {broken([](Layout& l) { l.imageLengthUnits = 0x81; }), direct},
        {broken([](Layout& l) { l.pcirSignature = false; }), direct},
        {broken([](Layout& l) { l.pcirOffset = 0x19; }), direct},
        {broken([](Layout& l) { l.pcirLength = 0x17; }), direct},
        {broken([](Layout& l) { l.pcirLength = 0xFE41; }), direct},
    };
    for (const auto& [rom, lines] : cases) {
        const auto result = extract(rom);
        EXPECT_EQ(result.messages, lines);
        EXPECT_EQ(Bytes(result.originalRom.begin(), result.originalRom.end()), rom);
    }
}

TEST(PciExpansionRom, ChainVisitsAtMost32Images) {
    for (const std::size_t images : {32u, 33u}) {
        std::vector<Layout> chain(images - 1, uefiImage([](Layout& l) { l.length = 512; }));
        chain.push_back(legacyImage(polarisTable(), [](Layout& l) { l.atom.reset(); }));
        chain.back().tableOffset = 0x1000;
        const auto lines = extract(romChain(chain)).messages;
        EXPECT_EQ(lines.size(), images == 32 ? 37u : 4u);
        EXPECT_EQ(lines.end()[-2], "Validated Polaris PowerPlay table found by scan at " +
                                       hexOffset((images - 1) * 512 + 0x1000) +
                                       ", revision 7.1, size 640 bytes, fan table revision 9.");
    }
}

TEST(PciExpansionRom, IdentityIsTheFirstNonZeroPair) {
    const auto second = legacyImage({}, [](Layout& l) { l.deviceID = 0x67DF; });
    const auto chain = [&](LayoutEdit first) {
        return romChain({uefiImage(first), second});
    };
    const std::pair<Bytes, std::optional<PciIdentity>> cases[] = {
        {romImage(legacyImage({})), PciIdentity{0x1002, 0x731F}},
        {chain([](Layout& l) { l.vendorID = l.deviceID = 0; }), PciIdentity{0x1002, 0x67DF}},
        {chain([](Layout& l) { l.vendorID = 0; }), PciIdentity{0, 0x731F}},
        {chain([](Layout& l) { l.imageLengthUnits = 0; }), std::nullopt},
        {chain([](Layout& l) { l.vendorID = l.deviceID = 0, l.lastImage = true; }), std::nullopt},
        {uefiFirstDump(second), PciIdentity{0x1002, 0x67DF}},
    };
    for (const auto& [rom, identity] : cases) {
        EXPECT_EQ(Vbios::pciIdentity(rom), identity);
    }
}

TEST(VbiosPowerPlayExtractor, RefusedFiles) {
    const std::string noSignature =
        "VBIOS signature 55 AA was not found. The file may not be a raw GPU-Z VBIOS dump.";
    const std::string notFound = "Could not locate a valid PowerPlayInfo/SPPT table in this ROM.";
    const Bytes uefiFirst = uefiFirstDump(legacyImage(polarisTable()));
    Bytes justLongEnough(256, 0x00);
    put(justLongEnough, 0, 2, 0xAA55);
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes(uefiFirst.begin(), uefiFirst.begin() + 0x40100), noSignature},
        {Bytes(uefiFirst.begin(), uefiFirst.begin() + 0x40101), notFound},
        {Bytes(255, 0x55), "VBIOS file is too small."},
        {justLongEnough, notFound},
        {Bytes(67108865, 0x55),
         "VBIOS file is too large (67108865 bytes; maximum 67108864 bytes)."},
    };
    for (const auto& [bytes, message] : cases) {
        const Bytes& rom = bytes; // clang 14 cannot capture a structured binding
        EXPECT_EQ(appErrorOf([&] { (void)extract(rom); }), message);
    }
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(appErrorOf([&] { (void)extract(uefiFirst, &token); }), "VBIOS extraction cancelled.");
}

} // namespace
} // namespace ventora
