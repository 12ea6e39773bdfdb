#include "devicepath/IORegistryParser.hpp"

#include "support/IoregSamples.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace DevicePathDetector;
using test::IoregNode;
using test::pciProperties;

const std::string polarisGfx0 = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";

// The targets of a registry holding `root`, `device` below it and the device's property lines.
std::vector<RegistryTarget> targetsOf(const std::string& root, const std::string& device,
                                      const std::vector<std::string>& properties = {}) {
    std::string text = "+-o Root\n  +-o " + root + "  <class IOACPIPlatformDevice>\n    +-o " +
                       device + "  <class IOPCIDevice>\n";
    for (const auto& property : properties) {
        text += "    | " + property + "\n";
    }
    return parseIORegistryTargets(text);
}

TEST(IORegistryParser, ReadsRootIdsAndDeviceAddressesWithinTheirRanges) {
    for (const auto& [root, id] : std::vector<std::pair<std::string, std::string>>{
             {"PCI0@0", "0x0"}, {"pci1", "0x1"}, {"PC1A@0", "0x1A"}, {"PCIA@0", "0xA"}}) {
        EXPECT_EQ(targetsOf(root, "gfx0@0"),
                  (std::vector<RegistryTarget>{{"PciRoot(" + id + ")/Pci(0x0,0x0)", std::nullopt,
                                                std::nullopt, false, true}}));
    }
    for (const char* root : {"PCI", "PCI00@0", "PCIX@0", "PC0G@0", "PEG0@1", "P0C0", ""}) {
        EXPECT_EQ(targetsOf(root, "GFX0@0"), std::vector<RegistryTarget>{}) << root;
    }
    for (const auto& [device, hop] : std::vector<std::pair<std::string, std::string>>{
             {"PEG0@1,1", "Pci(0x1,0x1)"},
             {"pci-bridge@1f", "Pci(0x1F,0x0)"},
             {"ATY,RadeonFramebuffer@0", "Pci(0x0,0x0)"},
             {"odd@x@+2,-0", "Pci(0x2,0x0)"},
             {"X@00000000000000000001", "Pci(0x1,0x0)"}}) {
        const auto targets = targetsOf("PCI0@0", device);
        ASSERT_EQ(targets.size(), 1U) << device;
        EXPECT_EQ(targets[0].path, "PciRoot(0x0)/" + hop);
    }
    for (const char* device : {"IGPU@2,0,1", "GFX0", "GFX0@", "X@20", "X@1,8", "X@,1", "X@1,",
                               "X@-1", "X@+", "X@10000000000000000"}) {
        EXPECT_EQ(targetsOf("PCI0@0", device), std::vector<RegistryTarget>{}) << device;
    }
}

TEST(IORegistryParser, ReadsIdsFromDataOrTextualValuesButNotFromSubsystemIds) {
    const struct {
        std::vector<std::string> properties;
        std::optional<int> vendor;
        std::optional<int> device;
    } rows[] = {
        {{"\"vendor-id\" = <02100000>", "\"device-id\" = <df67>"}, 0x1002, 0x67DF},
        {{"\"VENDOR-ID\" = <86800000>", "\"device-id\" = < df 67 00 00 >"}, 0x8086, 0x67DF},
        {{"\"vendor-id\" = <02100100>", "\"device-id\" = <021000>"}, std::nullopt, std::nullopt},
        {{"\"vendor-id\" = 0x1002", "\"device-id\" = \"0x731fz\""}, 0x1002, 0x731F},
        {{"\"vendor-id\" = 0x10000", "\"device-id\" = 0x8000000000000000"},
         std::nullopt,
         std::nullopt},
        {{"\"vendor-id\" = 4098", "\"device-id\" = <df670000>",
          "\"device-id\" = <1234567800000000>"},
         std::nullopt,
         std::nullopt},
        {{"\"vendor-id\" = <02100000>", "\"subsystem-vendor-id\" = <a21d0000>",
          "\"subsystem-device-id\" = <01e40000>"},
         0x1002,
         std::nullopt},
    };
    for (const auto& row : rows) {
        const auto targets = targetsOf("PCI0@0", "GFX0@0", row.properties);
        ASSERT_EQ(targets.size(), 1U);
        EXPECT_EQ(targets[0],
                  (RegistryTarget{"PciRoot(0x0)/Pci(0x0,0x0)", row.vendor, row.device, true, true}))
            << row.properties[0];
    }
}

// Every node below a root with an address, in path order: no root alone, nothing for EC
// (no "@") or for the nodes outside PCI0, the framebuffers under GFX0 included.
TEST(IORegistryParser, FindsThePolarisGfx0OfADesktop) {
    const std::string text = test::ioregPolarisDesktop();
    const auto targets = parseIORegistryTargets(text);
    std::vector<std::string> paths;
    for (const auto& target : targets) {
        paths.push_back(target.path);
    }
    const std::string peg0 = "PciRoot(0x0)/Pci(0x1,0x0)";
    EXPECT_EQ(paths, (std::vector<std::string>{
                         peg0, polarisGfx0, polarisGfx0 + "/Pci(0x0,0x0)",
                         polarisGfx0 + "/Pci(0x1,0x0)", peg0 + "/Pci(0x0,0x1)",
                         "PciRoot(0x0)/Pci(0x14,0x0)", "PciRoot(0x0)/Pci(0x1F,0x0)",
                         "PciRoot(0x0)/Pci(0x1F,0x3)", "PciRoot(0x0)/Pci(0x2,0x0)"}));
    EXPECT_EQ(parseIORegistry(text), polarisGfx0);
    EXPECT_EQ(supportedGPUs(targets),
              (std::vector<DetectedGPU>{{polarisGfx0, 0x1002, 0x67DF, GpuFamily::polaris}}));
}

TEST(IORegistryParser, SeveralGfx0FallBackToAUniqueSupportedGpu) {
    const auto registry = [](std::vector<IoregNode> devices) {
        devices.insert(devices.begin(), {{0, "Root"}, {1, "PCI0@0"}});
        return test::renderIoreg(devices);
    };
    EXPECT_EQ(
        parseIORegistry(registry({{2, "PEG0@1"},
                                  {3, "GFX0@0", "IOPCIDevice", pciProperties(0x1002, 0x7310)},
                                  {2, "PEG1@1,1"},
                                  {3, "gfx0@0"},
                                  {2, "PEG2@1,2"},
                                  {3, "display@0", "IOPCIDevice", pciProperties(0x1002, 0x731F)}})),
        "PciRoot(0x0)/Pci(0x1,0x2)/Pci(0x0,0x0)");
    EXPECT_EQ(
        parseIORegistry(registry({{2, "PEG0@1"},
                                  {3, "GFX0@0", "IOPCIDevice", pciProperties(0x1002, 0x731F)},
                                  {2, "PEG1@1,1"},
                                  {3, "GFX0@0", "IOPCIDevice", pciProperties(0x1002, 0x67DF)}})),
        std::nullopt);
    // A GFX0 whose vendor-id line cannot be read is no candidate; the other one is.
    EXPECT_EQ(parseIORegistry(registry({{2, "PEG0@1"},
                                        {3, "GFX0@0", "IOPCIDevice", {"\"vendor-id\" = <02>"}},
                                        {2, "PEG1@1,1"},
                                        {3, "GFX0@0"}})),
              "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)");
}

TEST(IORegistryParser, DepthIsTheMarkersColumnAndSiblingsReplaceEachOther) {
    const std::string text = "+-o Root  <class IORegistryEntry>\n"
                             "  +-o PC01@0  <class IOACPIPlatformDevice>\n"
                             "   +-o BR1A@0  <class IOPCIDevice>\n"
                             "      +-o GFX0@0  <class IOPCIDevice>\n"
                             "   +-o BR1B@1  <class IOPCIDevice>\n"
                             "\t\t\t\t+-o GFX0@0\n"
                             "  +-o PC02@0\n"
                             "       +-o   BR2A@3   trailing words\n";
    std::vector<std::string> paths;
    for (const auto& target : parseIORegistryTargets(text)) {
        paths.push_back(target.path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{
                         "PciRoot(0x1)/Pci(0x0,0x0)", "PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)",
                         "PciRoot(0x1)/Pci(0x1,0x0)", "PciRoot(0x1)/Pci(0x1,0x0)/Pci(0x0,0x0)",
                         "PciRoot(0x2)/Pci(0x3,0x0)"}));
}

} // namespace
} // namespace ventora
