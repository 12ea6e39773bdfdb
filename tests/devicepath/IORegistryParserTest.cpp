#include "devicepath/IORegistryParser.hpp"

#include "support/IoregSamples.hpp"

#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace ventora {
namespace {

using namespace DevicePathDetector;
using test::IoregNode;

using Paths = std::vector<std::string>;

// A registry of Root, the PCI root `root` and `devices` (at depth 2 unless given) below it.
std::string registry(const std::string& root, std::vector<IoregNode> devices) {
    devices.insert(devices.begin(), {{0, "Root"}, {1, root, "IOACPIPlatformDevice"}});
    return test::renderIoreg(devices);
}

Paths pathsOf(const std::string& root, const std::string& device) {
    Paths paths;
    for (const auto& target : parseIORegistryTargets(registry(root, {{2, device}}))) {
        paths.push_back(target.path);
    }
    return paths;
}

TEST(IORegistryParser, ReadsRootIdsAndDeviceAddressesWithinTheirRanges) {
    const std::vector<std::array<std::string, 3>> rows{
        {"PCI0@0", "GFX0@0", "PciRoot(0x0)/Pci(0x0,0x0)"},
        {"pci1", "GFX0@0", "PciRoot(0x1)/Pci(0x0,0x0)"},
        {"PC1A@0", "GFX0@0", "PciRoot(0x1A)/Pci(0x0,0x0)"},
        {"PCIA@0", "GFX0@0", "PciRoot(0xA)/Pci(0x0,0x0)"},
        {"PCI0@0", "PEG0@1,1", "PciRoot(0x0)/Pci(0x1,0x1)"},
        {"PCI0@0", "pci-bridge@1f", "PciRoot(0x0)/Pci(0x1F,0x0)"},
        {"PCI0@0", "ATY,RadeonFramebuffer@0", "PciRoot(0x0)/Pci(0x0,0x0)"},
        {"PCI0@0", "odd@x@+2,-0", "PciRoot(0x0)/Pci(0x2,0x0)"},
        {"PCI0@0", "X@00000000000000000001", "PciRoot(0x0)/Pci(0x1,0x0)"}};
    for (const auto& [root, device, path] : rows) {
        EXPECT_EQ(pathsOf(root, device), Paths{path});
    }
    for (const char* root : {"PCI", "PCI00@0", "PCIX@0", "PC0G@0", "PEG0@1", "P0C0", ""}) {
        EXPECT_EQ(pathsOf(root, "GFX0@0"), Paths{}) << root;
    }
    for (const char* device : {"IGPU@2,0,1", "GFX0", "GFX0@", "X@20", "X@1,8", "X@,1", "X@1,",
                               "X@-1", "X@+", "X@10000000000000000"}) {
        EXPECT_EQ(pathsOf("PCI0@0", device), Paths{}) << device;
    }
}

TEST(IORegistryParser, ReadsIdsFromDataOrTextualValuesButNotFromSubsystemIds) {
    using Row = std::tuple<std::vector<std::string>, std::optional<int>, std::optional<int>>;
    const std::vector<Row> rows{
        {{"\"vendor-id\" = <02100000>", "\"device-id\" = <df67>"}, 0x1002, 0x67DF},
        {{"\"VENDOR-ID\" = <86800000>", "\"device-id\" = < df 67 00 00 >"}, 0x8086, 0x67DF},
        {{"\"vendor-id\" = <02100100>", "\"device-id\" = <021000>"}, {}, {}},
        {{"\"vendor-id\" = 0x1002", "\"device-id\" = \"0x731fz\""}, 0x1002, 0x731F},
        {{"\"vendor-id\" = 0x10000", "\"device-id\" = 0x8000000000000000"}, {}, {}},
        {{"\"vendor-id\" = 4098", "\"device-id\" = <df67>", "\"device-id\" = <12345678>"}, {}, {}},
        {{"\"vendor-id\" = <02100000>", "\"subsystem-vendor-id\" = <a21d0000>"}, 0x1002, {}},
        {{"\"vendor-id\" = <0210>", "\"device-id\" = <bf73>", "\"subsystem-device-id\" = <01e4>"},
         0x1002,
         0x73BF}};
    for (const auto& [properties, vendor, device] : rows) {
        const IoregNode gpu{2, "GFX0@0", "IOPCIDevice", properties};
        EXPECT_EQ(parseIORegistryTargets(registry("PCI0@0", {gpu})),
                  (std::vector<RegistryTarget>{
                      {"PciRoot(0x0)/Pci(0x0,0x0)", vendor, device, true, true}}))
            << properties[0];
    }
}

// Among several GFX0 only AMD's or those without a vendor line count; when that leaves more
// or fewer than one, the one supported AMD GPU does.
TEST(IORegistryParser, ChoosesTheOneGfx0ElseTheOneSupportedGpu) {
    const auto gpu = [](const std::string& name, int vendor, int device) {
        return IoregNode{2, name, "IOPCIDevice", test::pciProperties(vendor, device)};
    };
    const auto choice = [](std::vector<IoregNode> devices) {
        return parseIORegistry(registry("PCI0@0", std::move(devices)));
    };
    EXPECT_EQ(
        choice({gpu("GFX0@1", 0x1002, 0x7310), {2, "gfx0@2"}, gpu("display@3", 0x1002, 0x731F)}),
        "PciRoot(0x0)/Pci(0x3,0x0)");
    EXPECT_EQ(choice({{2, "GFX0@1", "IOPCIDevice", {"\"vendor-id\" = <02>"}}, {2, "GFX0@2"}}),
              "PciRoot(0x0)/Pci(0x2,0x0)");
    EXPECT_EQ(choice({gpu("GFX0@1", 0x10DE, 0x1B80), gpu("display@2", 0x1002, 0x687F)}),
              "PciRoot(0x0)/Pci(0x2,0x0)");
}

} // namespace
} // namespace ventora
