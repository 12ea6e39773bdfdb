#include "devicepath/WindowsLocationPath.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

TEST(WindowsLocationPath, ConvertsWithHexadecimalNumbersAndLeavesOtherTextAlone) {
    const std::string navi = "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";
    for (const auto& [typed, canonical] :
         std::vector<std::pair<std::string, std::optional<std::string>>>{
             {"PCIROOT(0)#PCI(0101)#PCI(0000)#PCI(0000)#PCI(0000)", navi},
             {"PCIROOT(C0)#PCI(0301)#PCI(0000)", "PciRoot(0xC0)/Pci(0x3,0x1)/Pci(0x0,0x0)"},
             {"PCIROOT(40)#PCI(1f07)", "PciRoot(0x40)/Pci(0x1F,0x7)"},
             {" ACPI(_SB_)#ACPI(PCI0)#ACPI(GPP0)#PCI(0000)\r\nPCIROOT(0)#PCI(0101)#PCI(0000)"
              "#PCI(0000)#PCI(0000)\r\n",
              navi}}) {
        EXPECT_EQ(DevicePathDetector::canonicalFromLocationPaths(typed), canonical) << typed;
        EXPECT_EQ(DevicePathDetector::acceptTypedDevicePath(typed), canonical);
    }
    for (const std::string typed :
         {"ACPI(_SB_)#ACPI(PCI0)#ACPI(GPP0)", "PCIROOT(0)#PCI(0101)#USB(3)", "PCIROOT(0)",
          "PCIROOT(123456789)#PCI(0000)", "PCIROOT(0)#PCI(2000)", "PCIROOT(0)#PCI(0108)",
          "PCIROOT(0)#PCI(101)", "PCIROOT(0)#PCI(01010)",
          "PCIROOT(0)#PCI(0101) PCIROOT(0)#PCI(0101)", "PciRoot(0x0)/Pci(0x1,0x0)"}) {
        EXPECT_EQ(DevicePathDetector::canonicalFromLocationPaths(typed), std::nullopt) << typed;
        EXPECT_EQ(DevicePathDetector::acceptTypedDevicePath(typed), typed);
    }
}

} // namespace
} // namespace ventora
