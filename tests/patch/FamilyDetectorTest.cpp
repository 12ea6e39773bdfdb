#include "patch/ZeroRpmPatcher.hpp"
#include "support/PowerPlayTables.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace test;

/// One field set to `value`, or with `width` 0 the table cut or grown to `value` bytes.
using Edit = std::tuple<std::size_t, int, std::uint32_t>;

Bytes edited(Bytes table, const Edit& edit) {
    const auto [offset, width, value] = edit;
    if (width == 0) {
        table.resize(value);
    }
    put(table, offset, width == 0 ? 2 : width, value);
    return table;
}

constexpr std::size_t pf = defaultPolarisFanTableOffset, vf = defaultVega10FanTableOffset;

// Each edit alone turns a builder table into a near miss whose last log line is the reason;
// edits listed with no reason are the bounds a table may still reach.
TEST(FamilyDetector, RefusesNearMissTablesWithTheFirstFailingReason) {
    const Bytes p = polarisTable(), v = vega10Table(11), v10 = vega10Table(10), w = vega20Table(),
                n = navi10Table(), r = rdna2Table(15);
    struct Row {
        std::string rejection;
        Bytes table;
        std::vector<Edit> edits;
    };
    // clang-format off
    const Row rows[] = {
        {"Declared PowerPlay size is invalid or differs from the loaded bytes. Automatic "
         "patching was blocked.", p, {{0, 2, 639}, {0, 2, 0}}},
        {"Unsupported PowerPlay table revision for automatic patching: 7.0.", p, {{3, 1, 0}}},
        {"Unsupported PowerPlay table revision for automatic patching: 17.0.", r, {{2, 1, 17}}},
        {"Polaris PowerPlay header size is not the validated 77-byte ATOM Tonga/Polaris layout.",
         p, {{5, 2, 78}}},
        {"Polaris fan table offset 0x4C is invalid or truncated.", p, {{37, 2, 76}}},
        {"Polaris fan table offset 0x180 is invalid or truncated.", p, {{0, 0, pf + 47}}},
        {"Unsupported Polaris fan table revision 8; expected revision 9.", p, {{pf, 1, 8}}},
        {"Polaris fan table sanity checks failed. Automatic patching was blocked.", p,
         {{pf + 43, 1, 2}, {pf + 44, 1, 126}, {pf + 45, 1, 126}, {pf + 27, 1, 126},
          {pf + 28, 1, 101}, {pf + 21, 2, 0}, {pf + 21, 2, 20001}}},
        {"Vega 10 PowerPlay header size is not the validated 92-byte ATOM Vega 10 layout.", v,
         {{5, 2, 91}}},
        {"Vega 10 state table offset 0x5B is invalid.", v, {{48, 2, 91}}},
        {"Vega 10 fan table offset 0x258 is invalid.", v, {{50, 2, 600}}},
        {"Unsupported Vega 10 fan table revision 9; expected revision 10, 11 or a V3 revision > "
         "11.", v, {{vf, 1, 9}}},
        {"Vega 10 fan table revision 11 is truncated.", v, {{0, 0, vf + 34}}},
        {"Vega 10 fan table revision 13 is truncated.", vega10Table(13), {{0, 0, vf + 36}}},
        {"Vega 10 fan table sanity checks failed. Automatic patching was blocked.", v,
         {{vf + 27, 1, 2}, {vf + 28, 2, 0x100}, {vf + 30, 2, 126}, {vf + 7, 2, 126},
          {vf + 9, 2, 101}}},
        {"Vega 20 outer PowerPlay header does not match the validated Radeon VII 11.0 layout.", w,
         {{0, 0, 1731}, {4, 1, 3}, {5, 2, 1731}, {21, 1, 25}}},
        {"Vega 20 PowerSaving/OverDrive/SMC structural signature is not the validated Radeon VII "
         "layout.", w, {{34, 1, 2}, {35, 4, 12}, {167, 1, 0}, {168, 4, 13}, {204, 4, 30},
         {474, 4, 4}}},
        {"Vega 20 Zero RPM/fan safety fields failed sanity validation. Automatic patching was "
         "blocked.", w, {{181, 1, 2}, {1120, 1, 2}, {1090, 2, 126}, {1092, 2, 126}, {1114, 2, 0},
         {1116, 2, 0}, {1121, 1, 17}}},
        {"Navi 10 outer PowerPlay header does not match the validated 12.0 layout.", n,
         {{0, 0, 1673}, {4, 1, 2}, {5, 2, 483}, {21, 1, 26}}},
        {"Navi 10 OverDrive/SMC structural signature is not the validated RX 5700 XT layout.", n,
         {{182, 1, 0x81}, {186, 4, 16}, {190, 4, 29}, {482, 4, 9}}},
        {"Navi 10 Zero RPM/fan safety fields failed sanity validation. Automatic patching was "
         "blocked.", n, {{203, 1, 2}, {1156, 1, 2}, {1118, 2, 126}, {1120, 2, 126},
         {1148, 2, 20001}, {1150, 2, 126}, {1154, 1, 16}, {1157, 1, 0}, {1157, 1, 17}}},
        {"Unexpected SMU 11.0.7 table_revision 1; expected 2. Automatic patching was blocked.", r,
         {{4, 1, 1}}},
        {"Unexpected SMC PPTable offset 0x320; expected 0x322. Automatic patching was blocked.", r,
         {{5, 2, 0x320}}},
        {"SMU 11.0.7 OverDrive table signature/revision is missing or unsupported.", r,
         {{182, 1, 0x80}}},
        {"SMU 11.0.7 OverDrive feature/setting counts do not match the validated 0x81 layout.", r,
         {{186, 4, 14}, {190, 4, 29}}},
        {"SMC PPTable header is truncated.", r, {{0, 0, 805}}},
        {"Validated SMU 11.0.7 fan offsets fall outside the loaded table. Automatic patching was "
         "blocked.", r, {{0, 0, 1832}}},
        {"SMU 11.0.7 Zero RPM/fan safety fields failed sanity validation. Automatic patching was "
         "blocked.", r, {{203, 1, 2}, {1832, 1, 2}, {1790, 2, 126}, {1792, 2, 126}}},
        {"", p, {{0, 0, pf + 48}, {pf + 21, 2, 20000}, {pf + 28, 1, 100}, {pf + 45, 1, 125}}},
        {"", v, {{48, 2, 599}, {vf + 9, 2, 100}}},  {"", v10, {{0, 0, vf + 34}}},
        {"", w, {{1121, 1, 16}, {1114, 2, 20000}}}, {"", n, {{1154, 1, 15}, {1157, 1, 16}}},
        {"", r, {{2, 1, 16}, {2, 1, 18}, {2, 1, 19}, {0, 0, 1833}, {802, 4, 0xFFFFFFFF}}},
    };
    // clang-format on
    for (const Row& row : rows) {
        for (const Edit& edit : row.edits) {
            SCOPED_TRACE(testing::PrintToString(edit));
            std::vector<std::string> messages;
            const auto layout = ZeroRpmPatcher::detectLayout(edited(row.table, edit), &messages);
            EXPECT_EQ(layout ? "" : messages.back(), row.rejection);
        }
    }
}

} // namespace
} // namespace ventora
