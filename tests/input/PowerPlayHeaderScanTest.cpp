#include "input/PowerPlayHeaderScan.hpp"

#include "InputTestSupport.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using Lines = std::vector<std::string>;

/// Scans an image of `length` bytes holding the tables at their offsets, cut to `length`.
std::pair<std::optional<Bytes>, Lines>
scan(std::size_t length, std::initializer_list<std::pair<std::size_t, Bytes>> tables,
     std::int64_t base = 0) {
    Bytes image(length + 0x10000, 0x00);
    for (const auto& [offset, table] : tables) {
        std::copy(table.begin(), table.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    image.resize(length);
    Lines messages;
    auto found = VbiosPowerPlayExtractor::tryExtractByPowerPlayHeaderScan(image, base, messages);
    return {std::move(found), messages};
}

// The Vega 20, Navi 10 and Polaris lines are checked by the extractor's strategy tests.
TEST(PowerPlayHeaderScan, FindsTablesWithTheirLines) {
    const std::pair<Bytes, Lines> cases[] = {
        {test::rdna2Table(19, 2470),
         {"Validated RDNA2 PowerPlay table found by scan at 0x21000, revision 19.0, size 2470 "
          "bytes.",
          "SMC PPTable Version 118 observed; fallback compatibility is determined by the strict "
          "structural signature, not by a version allowlist."}},
        {test::vega10Table(12, 700),
         {"Validated Vega 10 PowerPlay table found by scan at 0x21000, revision 8.1, size 700 "
          "bytes, fan table revision 12."}},
    };
    for (auto [table, expected] : cases) {
        expected.insert(expected.begin(), test::trying);
        expected.push_back(test::readOnly);
        EXPECT_EQ(scan(0x10000, {{0x1000, table}}, 0x20000),
                  std::pair(std::optional(table), expected));
    }
}

// Each table is one its family accepts on its own: only the scan's window and candidate size
// bounds decide whether it is found, and the first one found wins.
TEST(PowerPlayHeaderScan, SearchesItsWindowForWholeTablesOfAcceptedSizes) {
    const Bytes polaris = test::polarisTable(), navi = test::navi10Table();
    struct Case {
        std::size_t imageLength, offset;
        Bytes table;
        bool found;
    };
    // clang-format off
    const Case cases[] = {
        {0x2000, 255, polaris, false},   {0x2000, 256, polaris, true},
        {0x40000, 65535, navi, true},    {0x40000, 65536, navi, false},
        {0x1280, 0x1000, polaris, true}, {0x127F, 0x1000, polaris, false},
        {0x2000, 0x400, test::polarisTable(255, 77), false},
        {0x2000, 0x400, test::polarisTable(256, 77), true},
        {0x8000, 0x400, test::polarisTable(20480), true},
        {0x8000, 0x400, test::polarisTable(20481), false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.table.size() << " bytes at " << c.offset);
        const auto [found, messages] = scan(c.imageLength, {{c.offset, c.table}});
        EXPECT_EQ(found, c.found ? std::optional(c.table) : std::nullopt);
        EXPECT_EQ(messages.size(), c.found ? 3u : 1u);
    }
    for (const std::size_t length : {0u, 264u, 265u}) {
        EXPECT_EQ(scan(length, {}).second, Lines{test::trying});
    }
    EXPECT_EQ(scan(0x4000, {{0x800, navi}, {0x2000, polaris}}).first, navi);
}

} // namespace
} // namespace ventora
