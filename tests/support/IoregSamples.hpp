#pragma once

#include <string>
#include <vector>

namespace ventora::test {

/// One node of a made-up IODeviceTree: its depth below Root, its printed name, its class and
/// its property lines ("key" = value), printed only when present.
struct IoregNode {
    int depth;
    std::string name;
    std::string className = "IOPCIDevice";
    std::vector<std::string> properties = {};
};

/// Prints `nodes` (in tree order) the way `ioreg -p IODeviceTree -w0 -l` does: two columns
/// per depth, "| " where a later sibling of that level follows, the node marker "+-o ", the
/// name, the class summary, then the property block.
[[nodiscard]] std::string renderIoreg(const std::vector<IoregNode>& nodes);

/// Property lines of a PCI device with 4-byte little-endian data ids, as ioreg prints them;
/// the subsystem vendor (the board's maker) follows the vendor-id line.
[[nodiscard]] std::vector<std::string> pciProperties(int vendorID, int deviceID,
                                                     int subsystemVendorID = -1);

/// Made-up registries modelled on real machines. Each comment names the one GPU choice.
/// iMac-like: PCI0@0/PEG0@1/GFX0@0, an RX 580 (1002:67DF), with its HDMI audio, an Intel
/// IGPU and nodes without "@"; the board is a Sapphire one (subsystem vendor 0x1DA2). GFX0 is
/// PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0).
[[nodiscard]] std::string ioregPolarisDesktop();

/// AMD board: PCI0@0/GPP8@3,1 then the Navi switch ports as generic pci-bridge@0 nodes,
/// GFX0@0 an RX 6900 XT (1002:73BF); an NVIDIA card (10DE:1E82) named display@0 on another
/// port. GFX0 is PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0).
[[nodiscard]] std::string ioregNavi21WithNvidia();

/// Workstation with roots PC00@0 and PC01@0; GFX0@0 under PC01@0/BR1A@0 has no vendor-id or
/// device-id line. GFX0 is PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0).
[[nodiscard]] std::string ioregTwoRootsGfx0WithoutIds();

/// Two supported AMD GPUs and no GFX0, so ambiguous: a Vega 20 (1002:66AF) behind PEG0@1 and
/// its switch ports, and a Polaris (1002:67DF) at PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0).
[[nodiscard]] std::string ioregTwoAmdGpusNoGfx0();

/// A virtual machine: the only GPU is S10@2 (Navi 10, 1002:731F) straight under PCI0@0,
/// its ids written as textual 0x values. Path PciRoot(0x0)/Pci(0x2,0x0).
[[nodiscard]] std::string ioregVirtualMachineTextualIds();

} // namespace ventora::test
