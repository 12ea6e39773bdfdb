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
/// per depth (blank, as only the column counts), the node marker "+-o ", the name, the class
/// summary, then the property block.
[[nodiscard]] std::string renderIoreg(const std::vector<IoregNode>& nodes);

/// Property lines of a PCI device with 4-byte little-endian data ids, as ioreg prints them;
/// a subsystem vendor id (the board's maker, not the chip's) follows the device id.
[[nodiscard]] std::vector<std::string> pciProperties(int vendorID, int deviceID);

/// Made-up registries modelled on real machines, each below a Root and a platform node.
/// An NVIDIA card (10DE:1E82) named display@0 under GPP0@1,1 and, under GPP8@3,1 and the Navi
/// switch ports as generic pci-bridge@0 nodes, GFX0@0 an RX 6900 XT (1002:73BF) at
/// PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0).
[[nodiscard]] std::string ioregNavi21WithNvidia();

/// Roots PC00@0 and PC01@0; GFX0@0 under PC01@0/BR1A@0 has no vendor-id or device-id line.
/// GFX0 is PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0).
[[nodiscard]] std::string ioregTwoRootsGfx0WithoutIds();

/// Two supported AMD GPUs and no GFX0, so ambiguous: a Vega 20 (1002:66AF) behind PEG0@1 and
/// a switch port, and a Polaris (1002:67DF) at PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0).
[[nodiscard]] std::string ioregTwoAmdGpusNoGfx0();

} // namespace ventora::test
