#pragma once

#include <string>
#include <string_view>

/// Made-up `gfxutil -f GFX0` outputs in the shapes the tool prints: "BB:DD.F VVVV:DDDD
/// /ACPI/path = PciRoot(...)/Pci(...)", with blank columns when unknown, and the old form
/// that prints only the device path.
namespace ventora::test::GfxutilSamples {

/// RX 6900 XT behind the Navi switch on an AMD board.
inline constexpr std::string_view navi21 =
    "09:00.0 1002:73bf /PCI0@0/GPP8@3,1/SWUS@0/SWDS@0/GFX0@0 = "
    "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)\n";
inline const std::string navi21Path =
    "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";

/// RX 580 on the iMac-like desktop.
inline constexpr std::string_view polaris =
    "01:00.0 1002:67df /PCI0@0/PEG0@1/GFX0@0 = PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)\n";
inline const std::string polarisPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";

/// Bus and id columns unknown: 8 and 10 blanks in place of "03:00.0 " and "1002:67df ".
inline constexpr std::string_view withoutIdentity =
    "                  /PCI0@0/PEG0@1/GFX0@0 = PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)\n";

/// Two cards named GFX0.
inline constexpr std::string_view twoGfx0 =
    "03:00.0 1002:73bf /PCI0@0/PEG0@1/GFX0@0 = PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)\n"
    "04:00.0 1002:67df /PCI0@0/PEG1@1,1/GFX0@0 = PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)\n";

/// Versions from 2019 and earlier: the path only, lower-case, no device name.
inline constexpr std::string_view oldVersion =
    "DevicePath = PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)\n";

} // namespace ventora::test::GfxutilSamples
