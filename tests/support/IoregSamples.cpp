#include "support/IoregSamples.hpp"

#include <cstdio>

namespace ventora::test {
namespace {

std::string dataValue(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "<%02x%02x0000>", id & 0xFF, (id >> 8) & 0xFF);
    return text;
}

// "| " when a node of `depth` follows `index` before the tree climbs above that depth.
bool siblingFollows(const std::vector<IoregNode>& nodes, std::size_t index, int depth) {
    for (std::size_t j = index + 1; j < nodes.size() && nodes[j].depth >= depth; ++j) {
        if (nodes[j].depth == depth) {
            return true;
        }
    }
    return false;
}

std::string prefix(const std::vector<IoregNode>& nodes, std::size_t index, int columns) {
    std::string text;
    for (int column = 0; column < columns; ++column) {
        text += siblingFollows(nodes, index, column) ? "| " : "  ";
    }
    return text;
}

IoregNode device(int depth, const std::string& name, int vendorID, int deviceID) {
    return {depth, name, "IOPCIDevice", pciProperties(vendorID, deviceID)};
}

// Root, the platform node, a node without an address and the PCI roots' level below them.
std::string machine(const std::string& model, std::vector<IoregNode> pci) {
    std::vector<IoregNode> nodes{
        {0, "Root", "IORegistryEntry"},
        {1, model, "IOPlatformExpertDevice", {"\"model\" = <\"" + model + "\">"}},
        {2, "chosen", "IOService", {"\"booter-name\" = <\"OpenCore\">"}}};
    nodes.insert(nodes.end(), pci.begin(), pci.end());
    return renderIoreg(nodes);
}

IoregNode pciRoot(const std::string& name) {
    return {2, name, "IOACPIPlatformDevice", {"\"compatible\" = <\"PNP0A08\">"}};
}

} // namespace

std::string renderIoreg(const std::vector<IoregNode>& nodes) {
    std::string text;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const IoregNode& node = nodes[i];
        text += prefix(nodes, i, node.depth) + "+-o " + node.name + "  <class " + node.className +
                ", id 0x1000" + std::to_string(100 + i) + ", registered, matched, active>\n";
        if (node.properties.empty()) {
            continue;
        }
        const std::string block = prefix(nodes, i, node.depth + 1);
        text += block + "{\n";
        for (const auto& property : node.properties) {
            text += block + "  " + property + "\n";
        }
        text += block + "}\n" + block + "\n";
    }
    return text;
}

std::vector<std::string> pciProperties(int vendorID, int deviceID) {
    char compatible[64];
    std::snprintf(compatible, sizeof compatible, "\"compatible\" = <\"pci%x,%x\">", vendorID,
                  deviceID);
    return {"\"vendor-id\" = " + dataValue(vendorID), "\"device-id\" = " + dataValue(deviceID),
            "\"subsystem-vendor-id\" = " + dataValue(0x1DA2), compatible};
}

std::string ioregNavi21WithNvidia() {
    return machine("MacPro7,1",
                   {pciRoot("PCI0@0"), device(3, "GPP0@1,1", 0x1022, 0x1483),
                    device(4, "display@0", 0x10DE, 0x1E82), device(3, "GPP8@3,1", 0x1022, 0x1483),
                    device(4, "pci-bridge@0", 0x1002, 0x1478),
                    device(5, "pci-bridge@0", 0x1002, 0x1479), device(6, "GFX0@0", 0x1002, 0x73BF),
                    device(6, "HDAU@0,1", 0x1002, 0xAB28)});
}

std::string ioregTwoRootsGfx0WithoutIds() {
    return machine("iMacPro1,1", {pciRoot("PC00@0"),
                                  device(3, "RP05@1C,4", 0x8086, 0xA194),
                                  pciRoot("PC01@0"),
                                  device(3, "BR1A@0", 0x8086, 0x2030),
                                  {4, "GFX0@0", "IOPCIDevice", {"\"name\" = <\"display\">"}},
                                  device(4, "HDAU@0,1", 0x1002, 0xAB38)});
}

std::string ioregTwoAmdGpusNoGfx0() {
    return machine("MacPro7,1",
                   {pciRoot("PC00@0"), device(3, "PEG0@1", 0x8086, 0x1901),
                    device(4, "pci-bridge@0", 0x1002, 0x14A0),
                    device(5, "display@0", 0x1002, 0x66AF), device(3, "RP05@1C,4", 0x8086, 0xA194),
                    device(4, "pci1002,67df@0", 0x1002, 0x67DF)});
}

} // namespace ventora::test
