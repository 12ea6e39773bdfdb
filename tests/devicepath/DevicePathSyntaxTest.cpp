#include "devicepath/DevicePathSyntax.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using DevicePathDetector::canonicalDevicePropertiesPath;

TEST(DevicePathSyntax, AcceptsValidPathsInCanonicalForm) {
    std::string manyHops = "PciRoot(0x0)";
    for (int i = 0; i < 20; ++i) {
        manyHops += "/Pci(0x" + std::to_string(i % 10) + ",0x" + std::to_string(i % 8) + ")";
    }
    for (const auto& [input, canonical] : std::vector<std::pair<std::string, std::string>>{
             {"  PciRoot(0x0)/Pci(0x01,0x00)/Pci(0x00,0x00)\n",
              "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)"},
             {"PciRoot(0xa)/Pci(0x1f,0x7)", "PciRoot(0xA)/Pci(0x1F,0x7)"},
             {"PciRoot(0x000FFFFFFFF)/Pci(0x001f,0x07)", "PciRoot(0xFFFFFFFF)/Pci(0x1F,0x7)"},
             {"\t\r\nPciRoot(0x1)/Pci(0x1C,0x4)\u00A0\u3000\u2028", "PciRoot(0x1)/Pci(0x1C,0x4)"},
             {manyHops, manyHops}}) {
        EXPECT_EQ(canonicalDevicePropertiesPath(input), canonical) << input;
        EXPECT_EQ(canonicalDevicePropertiesPath(canonical), canonical);
    }
}

TEST(DevicePathSyntax, RejectsIncompleteOrMalformedPaths) {
    for (const std::string root :
         {"PciRoot(0x)", "PciRoot(0x100000000)", "pciroot(0x0)", "PciRoot(0X0)", "PciRoot(0x0 )",
          "PciRoot(0x0) ", "PciRoot(0x-1)", "PciRoot(0x0x0)", "/PciRoot(0x0)", "PciRoot(0x0)/",
          "\xc2PciRoot(0x0)"}) {
        EXPECT_EQ(canonicalDevicePropertiesPath(root + "/Pci(0x0,0x0)"), std::nullopt) << root;
    }
    for (const std::string hop :
         {"Pci(0x20,0x0)", "Pci(0x1,0x8)", "Pci(0x100,0x0)", "Pci(1,0)", "Pci(0x1, 0x0)",
          "Pci(0x1,0x0,0x3)", "Pci(0x,0x0)", "Pci(0x1,0x)", "pci(0x1,0x0)", "Pci(0x1,0x0",
          "Pci(0x1_0,0x0)", "Pci(0x1,0x0)x", "Pci(0x1,0x0)/", "Pci(0x1,0x0) junk",
          "Pci(0x1,0x0)\xff", "", "\n"}) {
        EXPECT_EQ(canonicalDevicePropertiesPath("PciRoot(0x0)/" + hop), std::nullopt) << hop;
    }
    EXPECT_EQ(canonicalDevicePropertiesPath("PciRoot(0x0)"), std::nullopt);
}

} // namespace
} // namespace ventora
