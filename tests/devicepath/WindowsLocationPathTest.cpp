#include "devicepath/WindowsLocationPath.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

TEST(WindowsLocationPath, ConvertsWithHexadecimalNumbersAndLeavesOtherTextAlone) {
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
        {"PCIROOT(0)#PCI(0101)#USB(3)", std::nullopt},
        {"PCIROOT(0)", std::nullopt},
        {"PCIROOT(123456789)#PCI(0000)", std::nullopt},
        {"PCIROOT(0)#PCI(2000)", std::nullopt},
        {"PCIROOT(0)#PCI(0108)", std::nullopt},
        {"PCIROOT(0)#PCI(101)", std::nullopt},
        {"PCIROOT(0)#PCI(01010)", std::nullopt},
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
