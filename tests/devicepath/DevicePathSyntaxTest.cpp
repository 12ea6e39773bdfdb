#include "devicepath/DevicePathDetector.hpp"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace ventora {
namespace {

using DevicePathDetector::canonicalDevicePropertiesPath;

TEST(device_path_syntax_test, accepts_valid_paths_in_canonical_form) {
    const struct {
        std::string input;
        std::string canonical;
    } rows[] = {
        {"PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)", "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)"},
        {"  PciRoot(0x0)/Pci(0x01,0x00)/Pci(0x00,0x00)\n",
         "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)"},
        {"PciRoot(0xa)/Pci(0x1f,0x7)", "PciRoot(0xA)/Pci(0x1F,0x7)"},
        {"PciRoot(0x00000000)/Pci(0x3,0x1)", "PciRoot(0x0)/Pci(0x3,0x1)"},
        {"PciRoot(0xFFFFFFFF)/Pci(0x0,0x0)", "PciRoot(0xFFFFFFFF)/Pci(0x0,0x0)"},
        {"PciRoot(0x000FFFFFFFF)/Pci(0x001f,0x07)", "PciRoot(0xFFFFFFFF)/Pci(0x1F,0x7)"},
        {"\t\r\nPciRoot(0x1)/Pci(0x1C,0x4)\u00A0\u3000\u2028", "PciRoot(0x1)/Pci(0x1C,0x4)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(canonicalDevicePropertiesPath(row.input), row.canonical);
        EXPECT_EQ(canonicalDevicePropertiesPath(row.canonical), row.canonical);
    }
}

TEST(device_path_syntax_test, rejects_incomplete_or_malformed_paths) {
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
                                    "PciRoot(0x0)/Pci(0x1,0X0)",
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
        SCOPED_TRACE(input);
        EXPECT_EQ(canonicalDevicePropertiesPath(input), std::nullopt);
    }
}

TEST(device_path_syntax_test, has_no_upper_limit_on_the_number_of_hops) {
    std::string path = "PciRoot(0x0)";
    std::string canonical = path;
    for (int i = 0; i < 20; ++i) {
        path += "/Pci(0x0" + std::to_string(i % 10) + ",0x0" + std::to_string(i % 8) + ")";
        canonical += "/Pci(0x" + std::to_string(i % 10) + ",0x" + std::to_string(i % 8) + ")";
    }
    EXPECT_EQ(canonicalDevicePropertiesPath(path), canonical);
    EXPECT_EQ(canonicalDevicePropertiesPath(path + "/Pci(0x0,0x9)"), std::nullopt);
}

TEST(device_path_syntax_test, windows_location_paths_convert_with_hexadecimal_numbers) {
    const std::string navi = "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";
    const struct {
        std::string typed;
        std::optional<std::string> canonical;
    } rows[] = {
        {"PCIROOT(0)#PCI(0101)#PCI(0000)#PCI(0000)#PCI(0000)", navi},
        {"PCIROOT(C0)#PCI(0301)#PCI(0000)", "PciRoot(0xC0)/Pci(0x3,0x1)/Pci(0x0,0x0)"},
        {"PCIROOT(40)#PCI(1f07)", "PciRoot(0x40)/Pci(0x1F,0x7)"},
        {" ACPI(_SB_)#ACPI(PCI0)#ACPI(GPP0)#PCI(0000)\r\nPCIROOT(0)#PCI(0101)#PCI(0000)#PCI(0000)"
         "#PCI(0000)\r\n",
         navi},
        {"ACPI(_SB_)#ACPI(PCI0)#ACPI(GPP0)", std::nullopt},
        {"USBROOT(0)#USB(3)", std::nullopt},
        {"PCIROOT(0)#PCI(0101)#USB(3)", std::nullopt},
        {"PCIROOT(0)", std::nullopt},
        {"PCIROOT(0)#PCI(2000)", std::nullopt},
        {"PCIROOT(0)#PCI(0108)", std::nullopt},
        {"PCIROOT(0)#PCI(101)", std::nullopt},
        {"PCIROOT(0)#PCI(0101) PCIROOT(0)#PCI(0101)", std::nullopt},
        {"PciRoot(0x0)/Pci(0x1,0x0)", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        EXPECT_EQ(DevicePathDetector::canonicalFromLocationPaths(row.typed), row.canonical);
        EXPECT_EQ(DevicePathDetector::acceptTypedDevicePath(row.typed),
                  row.canonical.value_or(row.typed));
    }
}

} // namespace
} // namespace ventora
