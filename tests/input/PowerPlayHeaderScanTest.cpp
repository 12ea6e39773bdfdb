#include "VbiosTestSupport.hpp"
#include "core/GpuFamily.hpp"
#include "support/PowerPlayTables.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::readOnly;
using ::testing::ElementsAre;
namespace Vbios = VbiosPowerPlayExtractor;

constexpr char trying[] = "Trying PowerPlay header scan fallback...";

struct Scan {
    std::optional<Bytes> table;
    std::vector<std::string> messages;
};

Scan scan(const Bytes& image, std::int64_t baseOffset = 0) {
    Scan result;
    result.table = Vbios::tryExtractByPowerPlayHeaderScan(image, baseOffset, result.messages);
    return result;
}

Bytes imageWithTables(std::size_t length, std::initializer_list<std::pair<std::size_t, Bytes>> at) {
    Bytes image(length, 0x00);
    for (const auto& [offset, table] : at) {
        std::copy(table.begin(), table.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return image;
}

TEST(PowerPlayHeaderScanTest, EveryFamilyIsFoundWithItsLines) {
    struct Case {
        Bytes table;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {test::rdna2Table(19, 2470),
         {"Validated RDNA2 PowerPlay table found by scan at 0x21000, revision 19.0, size 2470 "
          "bytes.",
          "SMC PPTable Version 118 observed; fallback compatibility is determined by the strict "
          "structural signature, not by a version allowlist."}},
        {test::vega20Table(),
         {"Validated Vega 20 Radeon VII PowerPlay table found by scan at 0x21000, revision 11.0, "
          "size 1730 bytes."}},
        {test::navi10Table(),
         {"Validated Navi 10 PowerPlay table found by scan at 0x21000, revision 12.0, size 1674 "
          "bytes."}},
        {test::vega10Table(12, 700),
         {"Validated Vega 10 PowerPlay table found by scan at 0x21000, revision 8.1, size 700 "
          "bytes, fan table revision 12."}},
        {test::polarisTable(833),
         {"Validated Polaris PowerPlay table found by scan at 0x21000, revision 7.1, size 833 "
          "bytes, fan table revision 9."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front());
        const auto result = scan(imageWithTables(0x10000, {{0x1000, c.table}}), 0x20000);
        EXPECT_EQ(result.table, c.table);
        std::vector<std::string> expected = {trying};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.push_back(readOnly);
        EXPECT_EQ(result.messages, expected);
    }
}

TEST(PowerPlayHeaderScanTest, WindowStartsAt256) {
    const Bytes table = test::polarisTable();
    EXPECT_FALSE(scan(imageWithTables(0x2000, {{255, table}})).table.has_value());
    EXPECT_EQ(scan(imageWithTables(0x2000, {{256, table}})).table, table);
}

TEST(PowerPlayHeaderScanTest, WindowEndsBelow65536EvenInLargeImages) {
    const Bytes table = test::navi10Table();
    EXPECT_EQ(scan(imageWithTables(0x40000, {{65535, table}})).table, table);
    EXPECT_FALSE(scan(imageWithTables(0x40000, {{65536, table}})).table.has_value());
}

TEST(PowerPlayHeaderScanTest, TableMustEndInsideTheImage) {
    const Bytes table = test::polarisTable(640);
    EXPECT_EQ(scan(imageWithTables(0x1000 + 640, {{0x1000, table}})).table, table);
    Bytes truncated = imageWithTables(0x1000 + 640, {{0x1000, table}});
    truncated.pop_back();
    EXPECT_FALSE(scan(truncated).table.has_value());
}

TEST(PowerPlayHeaderScanTest, ShortImagesLogOnlyTheFirstLine) {
    for (const std::size_t length : {0u, 264u, 265u}) {
        SCOPED_TRACE(length);
        const auto result = scan(Bytes(length, 0x07));
        EXPECT_FALSE(result.table.has_value());
        EXPECT_THAT(result.messages, ElementsAre(trying));
    }
}

TEST(PowerPlayHeaderScanTest, Rdna2FormatRevisions) {
    for (const std::uint8_t revision : {15, 16, 17, 18, 19}) {
        SCOPED_TRACE(static_cast<int>(revision));
        const Bytes table = test::rdna2Table(revision);
        const bool found = scan(imageWithTables(0x4000, {{0x400, table}})).table.has_value();
        EXPECT_EQ(found, revision != 17);
    }
}

TEST(PowerPlayHeaderScanTest, Vega10FanTableRevisions) {
    struct Case {
        std::uint8_t revision;
        bool found;
    };
    for (const Case c : {Case{9, false}, Case{10, true}, Case{11, true}, Case{13, true}}) {
        SCOPED_TRACE(static_cast<int>(c.revision));
        Bytes table = test::vega10Table(c.revision == 9 ? 10 : c.revision);
        table[test::defaultVega10FanTableOffset] = c.revision;
        const auto result = scan(imageWithTables(0x4000, {{0x400, table}}));
        EXPECT_EQ(result.table.has_value(), c.found);
        if (c.found) {
            EXPECT_THAT(result.messages[1], ::testing::EndsWith("fan table revision " +
                                                                std::to_string(c.revision) + "."));
        }
    }
}

TEST(PowerPlayHeaderScanTest, Vega10Revision13UsesThe37ByteFanTable) {
    Bytes table = test::vega10Table(13, 600);
    const std::size_t end = test::defaultVega10FanTableOffset + 37;
    table.resize(end);
    test::putU16(table, 0, static_cast<std::uint16_t>(end));
    EXPECT_TRUE(scan(imageWithTables(0x4000, {{0x400, table}})).table.has_value());
    table.pop_back();
    test::putU16(table, 0, static_cast<std::uint16_t>(end - 1));
    EXPECT_FALSE(scan(imageWithTables(0x4000, {{0x400, table}})).table.has_value());
}

TEST(PowerPlayHeaderScanTest, FirstCandidateWins) {
    const Bytes navi = test::navi10Table();
    const Bytes polaris = test::polarisTable();
    EXPECT_EQ(scan(imageWithTables(0x4000, {{0x800, navi}, {0x2000, polaris}})).table, navi);
    EXPECT_EQ(scan(imageWithTables(0x4000, {{0x800, polaris}, {0x2000, navi}})).table, polaris);
}

TEST(PowerPlayHeaderScanTest, FamilySignatureFailuresAreSkipped) {
    struct Case {
        const char* name;
        Bytes table;
        std::size_t offset;
        std::uint8_t value;
    };
    const Case cases[] = {
        {"Vega 20 OD8 setting count", test::vega20Table(), 204, 30},
        {"Navi 10 OverDrive revision", test::navi10Table(), 182, 0x81},
        {"RDNA2 OverDrive revision", test::rdna2Table(), 182, 0x80},
        {"RDNA2 fan enable", test::rdna2Table(), 1832, 2},
        {"Polaris fan table revision", test::polarisTable(), test::defaultPolarisFanTableOffset, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes table = c.table;
        table[c.offset] = c.value;
        const auto result = scan(imageWithTables(0x4000, {{0x400, table}}));
        EXPECT_FALSE(result.table.has_value());
        EXPECT_THAT(result.messages, ElementsAre(trying));
    }
}

} // namespace
} // namespace ventora
