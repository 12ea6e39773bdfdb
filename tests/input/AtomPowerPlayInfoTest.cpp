#include "VbiosTestSupport.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::extractedLine;
using test::readOnly;
using ::testing::ElementsAre;
namespace Vbios = VbiosPowerPlayExtractor;

struct Attempt {
    std::optional<Bytes> table;
    std::vector<std::string> messages;
};

Attempt attempt(const Bytes& image, std::int64_t baseOffset = 0) {
    Attempt result;
    result.table = Vbios::tryExtractByAtomMasterDataTable(image, baseOffset, result.messages);
    return result;
}

test::RomImageLayout imageWith(Bytes table) {
    test::RomImageLayout layout;
    layout.table = std::move(table);
    return layout;
}

TEST(AtomPowerPlayInfoTest, FollowsTheChainToTheTable) {
    const Bytes table = test::vega10Table(11, 0x02B6);
    const Bytes image = test::romImage(imageWith(table));
    const auto atZero = attempt(image);
    EXPECT_EQ(atZero.table, table);
    EXPECT_THAT(atZero.messages, ElementsAre(extractedLine("0x400", 694), readOnly));
    const auto shifted = attempt(image, 0x40000);
    EXPECT_EQ(shifted.table, table);
    EXPECT_THAT(shifted.messages, ElementsAre(extractedLine("0x40400", 694), readOnly));
}

TEST(AtomPowerPlayInfoTest, WrongPointerRecoversBySignatureScan) {
    auto layout = imageWith(test::polarisTable());
    layout.atom->romHeaderOffset = 0x110;
    Bytes image = test::romImage(layout);
    test::putU16(image, 0x48, 0x3000);
    const auto result = attempt(image, 0x8000);
    EXPECT_EQ(result.table, layout.table);
    EXPECT_THAT(result.messages,
                ElementsAre("ATOM signature found by scan at 0x8114; using header offset 0x8110.",
                            extractedLine("0x8400", 640), readOnly));
}

TEST(AtomPowerPlayInfoTest, SignatureScanWindowIs0x30To0x300) {
    struct Case {
        std::size_t signatureAt;
        bool found;
    };
    for (const Case c :
         {Case{0x2C, false}, Case{0x30, true}, Case{0x300, true}, Case{0x301, false}}) {
        SCOPED_TRACE(c.signatureAt);
        auto layout = imageWith({});
        layout.atom.reset();
        Bytes image = test::romImage(layout);
        for (std::size_t i = 0; i < 4; ++i) {
            image[c.signatureAt + i] = static_cast<std::uint8_t>("ATOM"[i]);
        }
        const auto result = attempt(image);
        EXPECT_EQ(result.messages.front() ==
                      "ATOM signature was not found in the VBIOS header area.",
                  !c.found);
    }
    Bytes shortImage(0x100, 0x00);
    std::copy_n("ATOM", 4, shortImage.begin() + 0xFC);
    EXPECT_EQ(Vbios::findAtomSignatureNear(shortImage, 0x30, 0x300), 0xFC);
    EXPECT_EQ(Vbios::findAtomSignatureNear(ByteView(shortImage).first(0xFF), 0x30, 0x300), -1);
}

TEST(AtomPowerPlayInfoTest, EachBrokenLinkLogsOneLine) {
    struct Case {
        const char* name;
        void (*breakLink)(Bytes&);
        const char* message;
    };
    const Case cases[] = {
        {"ROM header 0x23 bytes from the end", [](Bytes& i) { test::putU16(i, 0x48, 0xFFDD); },
         "ATOM ROM header offset 0xFFDD is outside the ROM."},
        {"no signature anywhere", [](Bytes& i) { i[0x204] = 'X'; },
         "ATOM signature was not found in the VBIOS header area."},
        {"master data table 0x23 bytes from the end",
         [](Bytes& i) { test::putU16(i, 0x220, 0xFFDD); },
         "ATOM master data table offset 0xFFDD is invalid."},
        {"PowerPlayInfo entry empty", [](Bytes& i) { test::putU16(i, 0x262, 0); },
         "PowerPlayInfo table offset 0x0 is invalid or empty."},
        {"PowerPlayInfo 7 bytes from the end", [](Bytes& i) { test::putU16(i, 0x262, 0xFFF9); },
         "PowerPlayInfo table offset 0xFFF9 is invalid or empty."},
        {"PowerPlayInfo 8 bytes from the end reaches the size check",
         [](Bytes& i) {
             test::putU16(i, 0x262, 0xFFF8);
             test::putU16(i, 0xFFF8, 0x100);
         },
         "PowerPlayInfo table size 0x100 is invalid. ROM parsing stopped to avoid corrupt output."},
        {"table size 255", [](Bytes& i) { test::putU16(i, 0x400, 255); },
         "PowerPlayInfo table size 0xFF is invalid. ROM parsing stopped to avoid corrupt output."},
        {"table size 20481", [](Bytes& i) { test::putU16(i, 0x400, 20481); },
         "PowerPlayInfo table size 0x5001 is invalid. ROM parsing stopped to avoid corrupt "
         "output."},
        {"table end beyond the image",
         [](Bytes& i) {
             test::putU16(i, 0x262, 0xFF00);
             test::putU16(i, 0xFF00, 0x101);
         },
         "PowerPlayInfo table size 0x101 is invalid. ROM parsing stopped to avoid corrupt output."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes image = test::romImage(imageWith(test::polarisTable()));
        c.breakLink(image);
        const auto result = attempt(image);
        EXPECT_FALSE(result.table.has_value());
        EXPECT_THAT(result.messages, ElementsAre(c.message));
    }
}

// Each structure may end exactly at the image end: the largest table, or the header and the
// master data table sharing the last 0x24 bytes (they overlap without sharing a field).
TEST(AtomPowerPlayInfoTest, StructuresEndingAtTheImageEndAreRead) {
    auto tableAtEnd = imageWith(test::rdna2Table(18, 20480));
    tableAtEnd.tableOffset = 0x10000 - 20480;
    tableAtEnd.atom->powerPlayInfoOffset = static_cast<std::uint16_t>(tableAtEnd.tableOffset);
    auto headerAtEnd = imageWith(test::polarisTable());
    headerAtEnd.atom->romHeaderOffset = 0xFFDC;
    headerAtEnd.atom->masterDataTableOffset = 0xFFDC;
    for (const auto& layout : {tableAtEnd, headerAtEnd}) {
        EXPECT_EQ(attempt(test::romImage(layout)).table, layout.table);
    }
}

} // namespace
} // namespace ventora
