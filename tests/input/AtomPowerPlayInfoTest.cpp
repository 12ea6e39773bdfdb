#include "input/AtomPowerPlayInfo.hpp"

#include "VbiosTestSupport.hpp"
#include "core/HexFormat.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using Lines = std::vector<std::string>;

/// The lines of one attempt on `image` at file offset `baseOffset`; `table` receives the result.
Lines attempt(const Bytes& image, std::int64_t baseOffset, std::optional<Bytes>* table = nullptr) {
    Lines messages;
    auto found =
        VbiosPowerPlayExtractor::tryExtractByAtomMasterDataTable(image, baseOffset, messages);
    if (table != nullptr) {
        *table = std::move(found);
    }
    return messages;
}

test::RomImageLayout imageWith(Bytes table) {
    test::RomImageLayout layout;
    layout.table = std::move(table);
    return layout;
}

// A pointer at 0x48 that misses the header is recovered by a scan of 0x30 to 0x300 for a
// signature wholly inside the image. Lines give file offsets.
TEST(AtomPowerPlayInfo, FindsTheHeaderByPointerOrScan) {
    const auto layout = imageWith(test::vega10Table(11, 0x02B6));
    std::optional<Bytes> table;
    EXPECT_EQ(attempt(test::romImage(layout), 0x40000, &table),
              (Lines{test::extractedLine("0x40400", 694), test::readOnly}));
    EXPECT_EQ(table, layout.table);
    for (const auto& [size, at] : {std::pair{0x1000, 0x30}, {0x1000, 0x300}, {0x100, 0xFC}}) {
        Bytes image(static_cast<std::size_t>(size), 0x00);
        std::copy_n("ATOM", 4, image.begin() + at);
        EXPECT_EQ(attempt(image, 0x8000).front(),
                  "ATOM signature found by scan at " + hexOffset(0x8000 + at) +
                      "; using header offset " + hexOffset(0x8000 + at - 4) + ".");
    }
    for (const auto& [size, at] : {std::pair{0x1000, 0x2C}, {0x1000, 0x301}, {0xFF, 0xFC}}) {
        Bytes image(static_cast<std::size_t>(size), 0x00);
        std::copy_n("ATOM", 4, image.begin() + at);
        EXPECT_EQ(attempt(image, 0),
                  Lines{"ATOM signature was not found in the VBIOS header area."});
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
        Bytes image = test::romImage(imageWith(test::polarisTable()));
        for (const auto& [offset, value] : words) {
            test::putU16(image, offset, value);
        }
        std::optional<Bytes> table;
        EXPECT_EQ(attempt(image, 0, &table), Lines{message});
        EXPECT_FALSE(table.has_value()) << message;
    }
}

// Each structure may end exactly at the image end: the largest table, or the header and the
// master data table sharing the last 0x24 bytes (they overlap without sharing a field).
TEST(AtomPowerPlayInfo, StructuresEndingAtTheImageEndAreRead) {
    auto tableAtEnd = imageWith(test::rdna2Table(18, 20480));
    tableAtEnd.tableOffset = 0x10000 - 20480;
    tableAtEnd.atom->powerPlayInfoOffset = static_cast<std::uint16_t>(tableAtEnd.tableOffset);
    auto headerAtEnd = imageWith(test::polarisTable());
    headerAtEnd.atom->romHeaderOffset = 0xFFDC;
    headerAtEnd.atom->masterDataTableOffset = 0xFFDC;
    for (const auto& layout : {tableAtEnd, headerAtEnd}) {
        std::optional<Bytes> table;
        (void)attempt(test::romImage(layout), 0, &table);
        EXPECT_EQ(table, layout.table);
    }
}

} // namespace
} // namespace ventora
