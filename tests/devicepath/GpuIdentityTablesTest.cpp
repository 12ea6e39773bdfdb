#include "devicepath/GpuIdentityTables.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace DevicePathDetector;

TEST(GpuIdentityTables, SpoofsStayWithinASupportedFamily) {
    for (int id = 0; id <= 0xFFFF; ++id) {
        if (const auto spoof = spoofDeviceID(id)) {
            EXPECT_TRUE(family(id) && family(*spoof) == family(id)) << std::hex << id;
        }
    }
    EXPECT_EQ(spoofDeviceID(0x699F), 0x67FF);
    EXPECT_EQ(family(0x173BF), std::nullopt);
    EXPECT_EQ(littleEndianDeviceIDData(0x1273BF), (Bytes{0xBF, 0x73, 0x00, 0x00}));
}

TEST(GpuIdentityTables, TrustsTheSourceIdOnlyForAnAmdCardOfTheSameFamily) {
    const PciIdentity polaris{amdVendorID, 0x699F};
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, polaris), 0x699F);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, PciIdentity{0x1022, 0x699F}),
              std::nullopt);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, std::nullopt), std::nullopt);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::rdna2, polaris), std::nullopt);
    EXPECT_EQ(sourcePhysicalDeviceID(GpuFamily::polaris, PciIdentity{amdVendorID, 0x7310}),
              std::nullopt);
}

} // namespace
} // namespace ventora
