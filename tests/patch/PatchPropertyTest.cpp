#include "PatchTestSupport.hpp"
#include "support/PowerPlayTables.hpp"

#include <gtest/gtest.h>
#include <random>
#include <set>

namespace ventora {
namespace {

using namespace test;

std::set<std::size_t> fanBytes(const FanFields& fields) {
    std::set<std::size_t> bytes{fields.zeroRpmEnable, fields.startTemperature,
                                fields.stopTemperature};
    if (fields.temperatureWidth == 2) {
        bytes.insert({fields.startTemperature + 1, fields.stopTemperature + 1});
    }
    return bytes;
}

Bytes generatedTable(GpuFamily family, std::mt19937& random) {
    const auto seed = static_cast<std::uint32_t>(random());
    switch (family) {
    case GpuFamily::polaris: {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(256, 4096)(random);
        const auto offset = static_cast<std::uint16_t>(
            std::uniform_int_distribution<std::size_t>(77, length - 48)(random));
        return polarisTable(length, offset, seed);
    }
    case GpuFamily::vega10: {
        const auto revision =
            static_cast<std::uint8_t>(std::uniform_int_distribution<int>(10, 255)(random));
        const std::size_t length = std::uniform_int_distribution<std::size_t>(256, 4096)(random);
        const auto offset = static_cast<std::uint16_t>(
            std::uniform_int_distribution<std::size_t>(92, length - 37)(random));
        return vega10Table(revision, length, offset, seed);
    }
    case GpuFamily::rdna2: {
        const std::uint8_t formats[] = {15, 16, 18, 19};
        const std::size_t length = std::uniform_int_distribution<std::size_t>(1833, 20480)(random);
        return rdna2Table(formats[random() % 4], length, seed);
    }
    case GpuFamily::vega20:
    case GpuFamily::navi10:
        break;
    }
    return tableOfFamily(family, seed);
}

// Whatever the surrounding bytes hold, a preset writes only the layout's fan fields and the
// table keeps its length; tables whose fan values are randomised may be refused, never edited.
TEST(patch_property_test, only_fan_fields_ever_change) {
    std::mt19937 random(20261206);
    int accepted = 0;
    for (int round = 0; round < 400; ++round) {
        for (const GpuFamily family : {GpuFamily::rdna2, GpuFamily::polaris, GpuFamily::vega10,
                                       GpuFamily::vega20, GpuFamily::navi10}) {
            Bytes table = generatedTable(family, random);
            const FanFields fields = fanFieldsOf(family, table);
            const auto allowed = fanBytes(fields);
            for (const std::size_t offset : allowed) {
                table[offset] =
                    static_cast<std::uint8_t>(random() % 3 == 0 ? random() : random() % 2);
            }
            for (const PatchMode mode : {PatchMode::zeroRpmPure, PatchMode::fan35}) {
                const PatchResult result = patch(table, mode);
                ASSERT_EQ(result.data.size(), table.size());
                if (!result.automaticLayoutSupported) {
                    ASSERT_EQ(result.data, table);
                    continue;
                }
                ++accepted;
                ASSERT_EQ(result.gpuFamily, family);
                for (std::size_t i = 0; i < table.size(); ++i) {
                    if (result.data[i] != table[i]) {
                        ASSERT_TRUE(allowed.count(i)) << rawValue(family) << " changed byte " << i;
                    }
                }
            }
        }
    }
    EXPECT_GT(accepted, 400);
}

// Random corruption anywhere in a valid table: the patcher either refuses it untouched or
// edits only the fan fields of the layout it then recognises.
TEST(patch_property_test, corrupted_tables_are_refused_or_patched_in_place) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const auto family = static_cast<GpuFamily>(round % 5);
        Bytes table = tableOfFamily(family, static_cast<std::uint32_t>(round));
        for (int flips = 0; flips < 4; ++flips) {
            table[random() % table.size()] = static_cast<std::uint8_t>(random());
        }
        const PatchResult result = patch(table, PatchMode::fan35);
        ASSERT_EQ(result.data.size(), table.size());
        ASSERT_EQ(result.changedByteCount, ByteUtils::changedByteCount(table, result.data));
        if (!result.automaticLayoutSupported) {
            ASSERT_EQ(result.data, table);
            ASSERT_EQ(result.patchStatus, "NOT_APPLIED_UNSUPPORTED_LAYOUT");
        } else {
            ASSERT_LE(result.changedByteCount, 5);
        }
    }
}

} // namespace
} // namespace ventora
