#include "VbiosTestSupport.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"
#include "support/PowerPlayTables.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::readOnly;
using ::testing::ElementsAre;

constexpr char trying[] = "Trying PowerPlay header scan fallback...";

struct Scan {
    std::optional<Bytes> table;
    std::vector<std::string> messages;
};

Scan scan(const Bytes& image, std::int64_t baseOffset = 0) {
    Scan result;
    result.table = VbiosPowerPlayExtractor::tryExtractByPowerPlayHeaderScan(image, baseOffset,
                                                                            result.messages);
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

Bytes rdna2WithOverDriveRevision(std::uint8_t revision) {
    Bytes table = test::rdna2Table();
    table[182] = revision;
    return table;
}

// Each row places one table that its family detector accepts on its own; only the scan's
// window, candidate size bounds and revision selection decide whether it is found.
TEST(PowerPlayHeaderScanTest, WindowAndCandidateBounds) {
    struct Case {
        const char* name;
        std::size_t imageLength;
        std::size_t offset;
        Bytes table;
        bool found;
    };
    const Case cases[] = {
        {"start 255", 0x2000, 255, test::polarisTable(), false},
        {"start 256", 0x2000, 256, test::polarisTable(), true},
        {"start 65535", 0x40000, 65535, test::navi10Table(), true},
        {"start 65536", 0x40000, 65536, test::navi10Table(), false},
        {"ends at the image end", 0x1000 + 640, 0x1000, test::polarisTable(640), true},
        {"ends one byte beyond", 0x1000 + 639, 0x1000, test::polarisTable(640), false},
        {"declared 255", 0x2000, 0x400, test::polarisTable(255, 77), false},
        {"declared 256", 0x2000, 0x400, test::polarisTable(256, 77), true},
        {"declared 20480", 0x8000, 0x400, test::polarisTable(20480), true},
        {"declared 20481", 0x8000, 0x400, test::polarisTable(20481), false},
        {"RDNA2 15.0", 0x4000, 0x400, test::rdna2Table(15), true},
        {"RDNA2 16.0", 0x4000, 0x400, test::rdna2Table(16), true},
        {"RDNA2 17.0 is not tested", 0x4000, 0x400, test::rdna2Table(17), false},
        {"RDNA2 18.0", 0x4000, 0x400, test::rdna2Table(18), true},
        {"RDNA2 19.0", 0x4000, 0x400, test::rdna2Table(19), true},
        {"RDNA2 failing one field", 0x4000, 0x400, rdna2WithOverDriveRevision(0x80), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes image = imageWithTables(std::max(c.imageLength, c.offset + c.table.size()),
                                      {{c.offset, c.table}});
        image.resize(c.imageLength);
        const auto result = scan(image);
        EXPECT_EQ(result.table.has_value(), c.found);
        if (c.found) {
            EXPECT_EQ(result.table, c.table);
        } else {
            EXPECT_THAT(result.messages, ElementsAre(trying));
        }
    }
}

TEST(PowerPlayHeaderScanTest, ShortImagesLogOnlyTheFirstLine) {
    for (const std::size_t length : {0u, 264u, 265u}) {
        SCOPED_TRACE(length);
        const auto result = scan(Bytes(length, 0x07));
        EXPECT_FALSE(result.table.has_value());
        EXPECT_THAT(result.messages, ElementsAre(trying));
    }
}

TEST(PowerPlayHeaderScanTest, FirstCandidateWins) {
    const Bytes navi = test::navi10Table();
    const Bytes polaris = test::polarisTable();
    EXPECT_EQ(scan(imageWithTables(0x4000, {{0x800, navi}, {0x2000, polaris}})).table, navi);
    EXPECT_EQ(scan(imageWithTables(0x4000, {{0x800, polaris}, {0x2000, navi}})).table, polaris);
}

} // namespace
} // namespace ventora
