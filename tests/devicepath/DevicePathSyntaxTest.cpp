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
    const struct {
        std::string input;
        std::string canonical;
    } rows[] = {
        {"  PciRoot(0x0)/Pci(0x01,0x00)/Pci(0x00,0x00)\n",
         "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)"},
        {"PciRoot(0xa)/Pci(0x1f,0x7)", "PciRoot(0xA)/Pci(0x1F,0x7)"},
        {"PciRoot(0x000FFFFFFFF)/Pci(0x001f,0x07)", "PciRoot(0xFFFFFFFF)/Pci(0x1F,0x7)"},
        {"\t\r\nPciRoot(0x1)/Pci(0x1C,0x4)\u00A0\u3000\u2028", "PciRoot(0x1)/Pci(0x1C,0x4)"},
        {manyHops, manyHops},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(canonicalDevicePropertiesPath(row.input), row.canonical);
        EXPECT_EQ(canonicalDevicePropertiesPath(row.canonical), row.canonical);
    }
}

TEST(DevicePathSyntax, RejectsIncompleteOrMalformedPaths) {
    for (const std::string input : {"",
                                    "   \n",
                                    "PciRoot(0x0)",
                                    "PciRoot(0x0)/",
                                    "/PciRoot(0x0)/Pci(0x0,0x0)",
                                    "PciRoot(0x0)//Pci(0x0,0x0)",
                                    "PciRoot(0x0)/Pci(0x1,0x0)/",
                                    "PciRoot(0x)/Pci(0x0,0x0)",
                                    "PciRoot(0x100000000)/Pci(0x0,0x0)",
                                    "pciroot(0x0)/Pci(0x0,0x0)",
                                    "PciRoot(0X0)/Pci(0x0,0x0)",
                                    "PciRoot(0x0 )/Pci(0x0,0x0)",
                                    "PciRoot(0x0) /Pci(0x0,0x0)",
                                    "PciRoot(0x-1)/Pci(0x0,0x0)",
                                    "PciRoot(0x0x0)/Pci(0x0,0x0)",
                                    "PciRoot(0x0)/Pci(0x20,0x0)",
                                    "PciRoot(0x0)/Pci(0x1,0x8)",
                                    "PciRoot(0x0)/Pci(1,0)",
                                    "PciRoot(0x0)/Pci(0x1, 0x0)",
                                    "PciRoot(0x0)/Pci(0x1,0x0,0x3)",
                                    "PciRoot(0x0)/Pci(0x,0x0)",
                                    "PciRoot(0x0)/Pci(0x1,0x)",
                                    "PciRoot(0x0)/pci(0x1,0x0)",
                                    "PciRoot(0x0)/Pci(0x100,0x0)",
                                    "PciRoot(0x0)/Pci(0x1,0x0",
                                    "PciRoot(0x0)/Pci(0x1_0,0x0)",
                                    "PciRoot(0x0)/Pci(0x1,0x0)x",
                                    "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x1,0x0) junk",
                                    "PciRoot(0x0)/Pci(0x1,0x0)\xff",
                                    "\xc2PciRoot(0x0)/Pci(0x1,0x0)"}) {
        EXPECT_EQ(canonicalDevicePropertiesPath(input), std::nullopt) << input;
    }
}

} // namespace
} // namespace ventora
