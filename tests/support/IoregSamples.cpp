#include "support/IoregSamples.hpp"

#include <cstdio>

namespace ventora::test {
namespace {

std::string dataValue(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "<%02x%02x0000>", id & 0xFF, (id >> 8) & 0xFF);
    return text;
}

IoregNode device(int depth, const std::string& name, int vendorID, int deviceID) {
    return {depth, name, "IOPCIDevice", pciProperties(vendorID, deviceID)};
}

// Root and the platform node above the PCI roots' level.
std::string machine(std::vector<IoregNode> pci) {
    pci.insert(pci.begin(),
               {{0, "Root", "IORegistryEntry"}, {1, "MacPro7,1", "IOPlatformExpertDevice"}});
    return renderIoreg(pci);
}

IoregNode pciRoot(const std::string& name) {
    return {2, name, "IOACPIPlatformDevice"};
}

} // namespace

std::string renderIoreg(const std::vector<IoregNode>& nodes) {
    std::string text;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const IoregNode& node = nodes[i];
        const std::string indent(2 * static_cast<std::size_t>(node.depth), ' ');
        text += indent + "+-o " + node.name + "  <class " + node.className + ", id 0x1000" +
                std::to_string(100 + i) + ", registered, matched, active>\n";
        if (node.properties.empty()) {
            continue;
        }
        text += indent + "  {\n";
        for (const auto& property : node.properties) {
            text += indent + "    " + property + "\n";
        }
        text += indent + "  }\n" + indent + "  \n";
    }
    return text;
}

std::vector<std::string> pciProperties(int vendorID, int deviceID) {
    return {"\"vendor-id\" = " + dataValue(vendorID), "\"device-id\" = " + dataValue(deviceID),
            "\"subsystem-vendor-id\" = " + dataValue(0x1DA2)};
}

std::string ioregNavi21WithNvidia() {
    return machine({pciRoot("PCI0@0"), device(3, "GPP0@1,1", 0x1022, 0x1483),
                    device(4, "display@0", 0x10DE, 0x1E82), device(3, "GPP8@3,1", 0x1022, 0x1483),
                    device(4, "pci-bridge@0", 0x1002, 0x1478),
                    device(5, "pci-bridge@0", 0x1002, 0x1479), device(6, "GFX0@0", 0x1002, 0x73BF),
                    device(6, "HDAU@0,1", 0x1002, 0xAB28)});
}

std::string ioregTwoRootsGfx0WithoutIds() {
    return machine({pciRoot("PC00@0"),
                    device(3, "RP05@1C,4", 0x8086, 0xA194),
                    pciRoot("PC01@0"),
                    device(3, "BR1A@0", 0x8086, 0x2030),
                    {4, "GFX0@0", "IOPCIDevice", {"\"name\" = <\"display\">"}},
                    device(4, "HDAU@0,1", 0x1002, 0xAB38)});
}

std::string ioregTwoAmdGpusNoGfx0() {
    return machine({pciRoot("PC00@0"), device(3, "PEG0@1", 0x8086, 0x1901),
                    device(4, "pci-bridge@0", 0x1002, 0x14A0),
                    device(5, "display@0", 0x1002, 0x66AF), device(3, "RP05@1C,4", 0x8086, 0xA194),
                    device(4, "pci1002,67df@0", 0x1002, 0x67DF)});
}

} // namespace ventora::test
