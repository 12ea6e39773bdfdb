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
    for (std::size_t j = index + 1; j < nodes.size(); ++j) {
        if (nodes[j].depth == depth) {
            return true;
        }
        if (nodes[j].depth < depth) {
            return false;
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

std::vector<IoregNode> platform(const std::string& model) {
    return {{0, "Root", "IORegistryEntry"},
            {1,
             model,
             "IOPlatformExpertDevice",
             {"\"compatible\" = <\"" + model + "\",\"ACPI\">", "\"model\" = <\"" + model + "\">"}},
            {2, "options", "IODTNVRAM"},
            {2, "chosen", "IOService", {"\"booter-name\" = <\"OpenCore\">"}},
            {3, "memory-map", "IOService"},
            {2, "cpus", "IOService"},
            {3, "CP00@0", "IOACPIPlatformDevice"}};
}

void append(std::vector<IoregNode>& nodes, std::vector<IoregNode> more) {
    nodes.insert(nodes.end(), more.begin(), more.end());
}

IoregNode pciRoot(const std::string& name) {
    return {2,
            name,
            "IOACPIPlatformDevice",
            {"\"name\" = <\"" + name.substr(0, name.find('@')) + "\">",
             "\"compatible\" = <\"PNP0A08\">"}};
}

std::vector<std::string> with(std::vector<std::string> properties,
                              const std::vector<std::string>& more) {
    properties.insert(properties.end(), more.begin(), more.end());
    return properties;
}

} // namespace

std::string renderIoreg(const std::vector<IoregNode>& nodes) {
    std::string text;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const IoregNode& node = nodes[i];
        text += prefix(nodes, i, node.depth) + "+-o " + node.name + "  <class " + node.className +
                ", id 0x1000" + std::to_string(100 + i) +
                ", registered, matched, active, busy 0 (0 ms), retain 12>\n";
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

std::vector<std::string> pciProperties(int vendorID, int deviceID, int subsystemVendorID) {
    char compatible[64];
    std::snprintf(compatible, sizeof compatible,
                  "\"compatible\" = <\"pci%x,%x\",\"pciclass,030000\">", vendorID, deviceID);
    return {"\"vendor-id\" = " + dataValue(vendorID),
            "\"device-id\" = " + dataValue(deviceID),
            "\"subsystem-vendor-id\" = " +
                dataValue(subsystemVendorID < 0 ? vendorID : subsystemVendorID),
            compatible,
            "\"IOChildIndex\" = 1",
            "\"pcidebug\" = \"3:0:0\""};
}

std::string ioregPolarisDesktop() {
    auto nodes = platform("iMac19,1");
    append(nodes, {pciRoot("PCI0@0"),
                   {3, "PEG0@1", "IOPCIDevice", pciProperties(0x8086, 0x1901)},
                   {4, "GFX0@0", "IOPCIDevice",
                    with(pciProperties(0x1002, 0x67DF, 0x1DA2),
                         {"\"name\" = <\"display\">", "\"AAPL,slot-name\" = <\"Slot-1\">"})},
                   {5, "ATY,Orinoco@0", "IOService", {"\"connector-type\" = <00040000>"}},
                   {5, "ATY,Orinoco@1", "IOService"},
                   {4, "HDAU@0,1", "IOPCIDevice", pciProperties(0x1002, 0xAAF0)},
                   {3, "IGPU@2", "IOPCIDevice", pciProperties(0x8086, 0x3E92)},
                   {3, "XHC@14", "IOPCIDevice", pciProperties(0x8086, 0xA36D)},
                   {3, "LPCB@1F", "IOPCIDevice", pciProperties(0x8086, 0xA305)},
                   {4, "EC", "IOACPIPlatformDevice"},
                   {3, "HDEF@1F,3", "IOPCIDevice", pciProperties(0x8086, 0xA348)},
                   {2, "efi", "IOService"},
                   {3, "platform", "IOService"}});
    return renderIoreg(nodes);
}

std::string ioregNavi21WithNvidia() {
    auto nodes = platform("MacPro7,1");
    append(nodes, {pciRoot("PCI0@0"),
                   {3, "GPP0@1,1", "IOPCIDevice", pciProperties(0x1022, 0x1483)},
                   {4, "display@0", "IOPCIDevice", pciProperties(0x10DE, 0x1E82)},
                   {4, "pci10de,10f8@0,1", "IOPCIDevice", pciProperties(0x10DE, 0x10F8)},
                   {3, "GPP8@3,1", "IOPCIDevice", pciProperties(0x1022, 0x1483)},
                   {4, "pci-bridge@0", "IOPCIDevice", pciProperties(0x1002, 0x1478)},
                   {5, "pci-bridge@0", "IOPCIDevice", pciProperties(0x1002, 0x1479)},
                   {6, "GFX0@0", "IOPCIDevice",
                    with(pciProperties(0x1002, 0x73BF, 0x1682), {"\"name\" = <\"display\">"})},
                   {6, "HDAU@0,1", "IOPCIDevice", pciProperties(0x1002, 0xAB28)},
                   {3, "GP17@8,1", "IOPCIDevice"},
                   {4, "XHC0@0,3", "IOPCIDevice", pciProperties(0x1022, 0x149C)}});
    return renderIoreg(nodes);
}

std::string ioregTwoRootsGfx0WithoutIds() {
    auto nodes = platform("iMacPro1,1");
    append(nodes, {pciRoot("PC00@0"),
                   {3, "DMI0@0", "IOPCIDevice", pciProperties(0x8086, 0x2020)},
                   {3, "RP05@1C,4", "IOPCIDevice", pciProperties(0x8086, 0xA194)},
                   {4, "ARPT@0", "IOPCIDevice", pciProperties(0x14E4, 0x43A0)},
                   pciRoot("PC01@0"),
                   {3, "BR1A@0", "IOPCIDevice", pciProperties(0x8086, 0x2030)},
                   {4,
                    "GFX0@0",
                    "IOPCIDevice",
                    {"\"name\" = <\"display\">", "\"model\" = <\"AMD Radeon RX 5700 XT\">",
                     "\"IOChildIndex\" = 1"}},
                   {4, "HDAU@0,1", "IOPCIDevice", pciProperties(0x1002, 0xAB38)}});
    return renderIoreg(nodes);
}

std::string ioregTwoAmdGpusNoGfx0() {
    auto nodes = platform("MacPro7,1");
    append(nodes, {pciRoot("PC00@0"),
                   {3, "PEG0@1", "IOPCIDevice", pciProperties(0x8086, 0x1901)},
                   {4, "pci-bridge@0", "IOPCIDevice", pciProperties(0x1002, 0x14A0)},
                   {5, "pci-bridge@0", "IOPCIDevice", pciProperties(0x1002, 0x14A1)},
                   {6, "display@0", "IOPCIDevice", pciProperties(0x1002, 0x66AF)},
                   {3, "RP05@1C,4", "IOPCIDevice", pciProperties(0x8086, 0xA194)},
                   {4, "pci1002,67df@0", "IOPCIDevice", pciProperties(0x1002, 0x67DF)}});
    return renderIoreg(nodes);
}

std::string ioregVirtualMachineTextualIds() {
    auto nodes = platform("VMware7,1");
    append(nodes,
           {pciRoot("PCI0@0"),
            {3,
             "S10@2",
             "IOPCIDevice",
             {"\"vendor-id\" = 0x1002", "\"device-id\" = \"0x731f\"", "\"name\" = <\"display\">"}},
            {3, "S11@3", "IOPCIDevice", pciProperties(0x15AD, 0x07A0)}});
    return renderIoreg(nodes);
}

} // namespace ventora::test
