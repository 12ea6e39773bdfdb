#include "devicepath/DevicePathDetector.hpp"

#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace ventora {
namespace {

using namespace DevicePathDetector;

TEST(gpu_identity_tables_test, maps_device_ids_to_families) {
    EXPECT_EQ(family(0x73BF), GpuFamily::rdna2);
    EXPECT_EQ(family(0x699F), GpuFamily::polaris);
    EXPECT_EQ(family(0x687F), GpuFamily::vega10);
    EXPECT_EQ(family(0x66A1), GpuFamily::vega20);
    EXPECT_EQ(family(0x731F), GpuFamily::navi10);
    EXPECT_EQ(family(0x7310), std::nullopt);
    EXPECT_EQ(family(0x1002), std::nullopt);
    EXPECT_EQ(family(-1), std::nullopt);
    EXPECT_EQ(family(0x173BF), std::nullopt);
}

TEST(gpu_identity_tables_test, sets_have_their_documented_sizes_and_are_disjoint) {
    std::map<GpuFamily, int> counts;
    for (int id = 0; id <= 0xFFFF; ++id) {
        if (const auto gpuFamily = family(id)) {
            ++counts[*gpuFamily];
        }
    }
    EXPECT_EQ(counts, (std::map<GpuFamily, int>{{GpuFamily::rdna2, 34},
                                                {GpuFamily::polaris, 12},
                                                {GpuFamily::vega10, 4},
                                                {GpuFamily::vega20, 2},
                                                {GpuFamily::navi10, 4}}));
}

TEST(gpu_identity_tables_test, spoofs_only_listed_ids_within_their_family) {
    const std::map<int, int> expected{{0x6981, 0x67E3}, {0x6985, 0x67E3}, {0x6995, 0x67E3},
                                      {0x6987, 0x67FF}, {0x699F, 0x67FF}, {0x73A5, 0x73BF},
                                      {0x73AF, 0x73BF}, {0x73EF, 0x73FF}};
    std::map<int, int> found;
    for (int id = 0; id <= 0xFFFF; ++id) {
        if (const auto spoof = spoofDeviceID(id)) {
            found[id] = *spoof;
            EXPECT_EQ(family(*spoof), family(id)) << std::hex << id;
            EXPECT_TRUE(family(id).has_value()) << std::hex << id;
        }
    }
    EXPECT_EQ(found, expected);
}

TEST(gpu_identity_tables_test, encodes_property_values_little_endian) {
    EXPECT_EQ(littleEndianDeviceIDData(0x67E3), (Bytes{0xE3, 0x67, 0x00, 0x00}));
    EXPECT_EQ(littleEndianDeviceIDData(0x1273BF), (Bytes{0xBF, 0x73, 0x00, 0x00}));
    EXPECT_EQ(noGfxSpoofData(), (Bytes{0x01, 0x00, 0x00, 0x00}));
}

TEST(gpu_identity_tables_test, trusts_the_source_id_only_for_an_amd_card_of_the_same_family) {
    const struct {
        GpuFamily family;
        std::optional<PciIdentity> source;
        std::optional<int> expected;
    } rows[] = {
        {GpuFamily::polaris, PciIdentity{0x1002, 0x699F}, 0x699F},
        {GpuFamily::rdna2, PciIdentity{0x1002, 0x73AF}, 0x73AF},
        {GpuFamily::polaris, PciIdentity{0x1022, 0x699F}, std::nullopt},
        {GpuFamily::polaris, std::nullopt, std::nullopt},
        {GpuFamily::rdna2, PciIdentity{0x1002, 0x699F}, std::nullopt},
        {GpuFamily::polaris, PciIdentity{0x1002, 0x7310}, std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(sourcePhysicalDeviceID(row.family, row.source), row.expected);
    }
}

} // namespace
} // namespace ventora
