#include "devicepath/GpuIdentityTables.hpp"

#include <gtest/gtest.h>
#include <map>

namespace ventora {
namespace {

using namespace DevicePathDetector;

// Every id from 0 to 0xFFFF: the families' sizes, and spoofs only within a supported family.
TEST(GpuIdentityTables, FamiliesAndSpoofsCoverExactlyTheListedIds) {
    std::map<GpuFamily, int> counts;
    std::map<int, int> spoofs;
    for (int id = 0; id <= 0xFFFF; ++id) {
        if (const auto gpuFamily = family(id)) {
            ++counts[*gpuFamily];
        }
        if (const auto spoof = spoofDeviceID(id)) {
            spoofs[id] = *spoof;
            EXPECT_TRUE(family(id) && family(*spoof) == family(id)) << std::hex << id;
        }
    }
    EXPECT_EQ(counts, (std::map<GpuFamily, int>{{GpuFamily::rdna2, 34},
                                                {GpuFamily::polaris, 12},
                                                {GpuFamily::vega10, 4},
                                                {GpuFamily::vega20, 2},
                                                {GpuFamily::navi10, 4}}));
    EXPECT_EQ(spoofs, (std::map<int, int>{{0x6981, 0x67E3},
                                          {0x6985, 0x67E3},
                                          {0x6995, 0x67E3},
                                          {0x6987, 0x67FF},
                                          {0x699F, 0x67FF},
                                          {0x73A5, 0x73BF},
                                          {0x73AF, 0x73BF},
                                          {0x73EF, 0x73FF}}));
    EXPECT_EQ(family(0x731F), GpuFamily::navi10);
    EXPECT_EQ(family(0x173BF), std::nullopt);
    EXPECT_EQ(littleEndianDeviceIDData(0x1273BF), (Bytes{0xBF, 0x73, 0x00, 0x00}));
}

TEST(GpuIdentityTables, TrustsTheSourceIdOnlyForAnAmdCardOfTheSameFamily) {
    const auto amd = [](int device) {
        return std::optional(PciIdentity{0x1002, device});
    };
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, amd(0x699F)), 0x699F);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, PciIdentity{0x1022, 0x699F}),
              std::nullopt);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, std::nullopt), std::nullopt);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::rdna2, amd(0x699F)), std::nullopt);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, amd(0x7310)), std::nullopt);
}

} // namespace
} // namespace ventora
