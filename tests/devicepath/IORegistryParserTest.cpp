#include "devicepath/IORegistryParser.hpp"

#include "support/IoregSamples.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace DevicePathDetector;
using test::IoregNode;
using test::pciProperties;
using test::renderIoreg;

const std::string polarisGfx0 = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";

// Root, the platform node and PCI0@0, then `devices` below it (depth 3 and deeper).
std::string registryUnderPci0(std::vector<IoregNode> devices) {
    std::vector<IoregNode> nodes{{0, "Root", "IORegistryEntry"},
                                 {1, "iMac19,1", "IOPlatformExpertDevice"},
                                 {2, "PCI0@0", "IOACPIPlatformDevice"}};
    nodes.insert(nodes.end(), devices.begin(), devices.end());
    return renderIoreg(nodes);
}

TEST(ioregistry_parser_test, reads_names_as_roots_and_addresses) {
    EXPECT_EQ(pciRootUID("PCI0@0"), 0);
    EXPECT_EQ(pciRootUID("pci1"), 1);
    EXPECT_EQ(pciRootUID("PC00@0"), 0);
    EXPECT_EQ(pciRootUID("PC01@0"), 1);
    EXPECT_EQ(pciRootUID("PC1A"), 26);
    EXPECT_EQ(pciRootUID("PCIA@0"), 10);
    for (const char* name : {"PCI", "PCI00@0", "PCIX@0", "PC0G", "PEG0@1", "P0C0", ""}) {
        EXPECT_EQ(pciRootUID(name), std::nullopt) << name;
    }

    using Pair = std::pair<int, int>;
    EXPECT_EQ(parseHexPair("GFX0@0"), Pair(0, 0));
    EXPECT_EQ(parseHexPair("PEG0@1,1"), Pair(1, 1));
    EXPECT_EQ(parseHexPair("pci-bridge@1f"), Pair(31, 0));
    EXPECT_EQ(parseHexPair("HDEF@1F,3"), Pair(31, 3));
    EXPECT_EQ(parseHexPair("ATY,RadeonFramebuffer@0"), Pair(0, 0));
    EXPECT_EQ(parseHexPair("odd@x@+2,-0"), Pair(2, 0));
    for (const char* name : {"IGPU@2,0,1", "GFX0", "GFX0@", "X@20", "X@1,8", "X@,1", "X@1,", "X@-1",
                             "X@+", "X@1 ", "X@10000000000000000"}) {
        EXPECT_EQ(parseHexPair(name), std::nullopt) << name;
    }
    EXPECT_EQ(nodeStem("gfx0@0"), "GFX0");
    EXPECT_EQ(nodeStem("display"), "DISPLAY");
}

TEST(ioregistry_parser_test, reads_both_value_forms_of_ids) {
    EXPECT_EQ(littleEndianPciId("  \"vendor-id\" = <02100000>"), 0x1002);
    EXPECT_EQ(littleEndianPciId("\"device-id\" = <df67>"), 0x67DF);
    EXPECT_EQ(littleEndianPciId("\"device-id\" = < df 67 00 00 >"), 0x67DF);
    for (const char* line : {"<02100100>", "<1234567800000000>", "<021000>", "<0210", "02100000>",
                             "\"vendor-id\" = 4098"}) {
        EXPECT_EQ(littleEndianPciId(line), std::nullopt) << line;
    }
    EXPECT_EQ(textualHexValue("\"vendor-id\" = 0x1002"), 0x1002);
    EXPECT_EQ(textualHexValue("\"device-id\" = \"0x731fz\""), 0x731F);
    EXPECT_EQ(textualHexValue("0x7fffffffffffffff"), INT64_MAX);
    for (const char* line : {"0x", "0xg", "no number", "0x8000000000000000"}) {
        EXPECT_EQ(textualHexValue(line), std::nullopt) << line;
    }
}

TEST(ioregistry_parser_test, builds_paths_from_the_shallowest_root_skipping_unaddressed_nodes) {
    const std::vector<Node> stack{{0, "Root"},   {2, "iMac19,1"},     {4, "PCI0@0"},
                                  {6, "PEG0@1"}, {8, "AppleACPIPCI"}, {10, "PC02@1,1"},
                                  {12, "GFX0@0"}};
    EXPECT_EQ(convertStackToOpenCorePath(stack),
              "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)");
    EXPECT_EQ(convertStackToOpenCorePath({}), std::nullopt);
    EXPECT_EQ(convertStackToOpenCorePath({{0, "Root"}, {2, "PCI0@0"}}), std::nullopt);
    EXPECT_EQ(convertStackToOpenCorePath({{0, "PEG0@1"}, {2, "GFX0@0"}}), std::nullopt);
    EXPECT_EQ(convertStackToOpenCorePath({{0, "PCI0@0"}, {2, "PEG0@1"}, {4, "GFX0"}}),
              std::nullopt);
}

// Every node below a root with an address, in path order: no root alone, nothing for EC
// (no "@") or for the nodes outside PCI0, the framebuffers under GFX0 included.
TEST(ioregistry_parser_test, finds_the_polaris_gfx0_of_a_desktop) {
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
    ASSERT_EQ(targets.size(), paths.size());
    EXPECT_EQ(targets[0], (RegistryTarget{peg0, 0x8086, 0x1901, true, false}));
    EXPECT_EQ(targets[1], (RegistryTarget{polarisGfx0, 0x1002, 0x67DF, true, true}));
    EXPECT_EQ(parseIORegistry(text), polarisGfx0);
    EXPECT_EQ(supportedGPUs(targets),
              (std::vector<DetectedGPU>{{polarisGfx0, 0x1002, 0x67DF, GpuFamily::polaris}}));
}

TEST(ioregistry_parser_test, several_gfx0_fall_back_to_a_unique_supported_gpu) {
    const auto gfx0 = [](int depth, const std::string& name, std::vector<std::string> ids) {
        return IoregNode{depth, name, "IOPCIDevice", std::move(ids)};
    };
    const std::string twoGfx0OneSupported =
        registryUnderPci0({{3, "PEG0@1"},
                           gfx0(4, "GFX0@0", pciProperties(0x1002, 0x7310)),
                           {3, "PEG1@1,1"},
                           gfx0(4, "gfx0@0", {}),
                           {3, "GPP8@3,1"},
                           {4, "display@0", "IOPCIDevice", pciProperties(0x1022, 0x73BF)},
                           {3, "PEG2@1,2"},
                           {4, "display@0", "IOPCIDevice", pciProperties(0x1002, 0x731F)}});
    EXPECT_EQ(parseIORegistry(twoGfx0OneSupported), "PciRoot(0x0)/Pci(0x1,0x2)/Pci(0x0,0x0)");

    const std::string twoGfx0TwoSupported =
        registryUnderPci0({{3, "PEG0@1"},
                           gfx0(4, "GFX0@0", pciProperties(0x1002, 0x731F)),
                           {3, "PEG1@1,1"},
                           gfx0(4, "GFX0@0", pciProperties(0x1002, 0x67DF))});
    EXPECT_EQ(parseIORegistry(twoGfx0TwoSupported), std::nullopt);

    // A GFX0 whose vendor-id line cannot be read is no candidate; the other one is.
    const std::string unreadableVendor =
        registryUnderPci0({{3, "PEG0@1"},
                           gfx0(4, "GFX0@0", {"\"vendor-id\" = <0210>", "\"vendor-id\" = <02>"}),
                           {3, "PEG1@1,1"},
                           gfx0(4, "GFX0@0", {})});
    EXPECT_EQ(parseIORegistry(unreadableVendor), "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)");
}

TEST(ioregistry_parser_test, property_lines_overwrite_and_invalid_addresses_drop_nodes) {
    const auto targets = parseIORegistryTargets(registryUnderPci0({
        {3,
         "PEG0@1",
         "IOPCIDevice",
         {"\"vendor-id\" = <02100000>", "\"device-id\" = <df670000>",
          "\"device-id\" = <1234567800000000>"}},
        {4, "BAD@20"},
        {4, "BAD@0,8"},
        {3, "HDEF@1F,3", "IOPCIDevice", {"\"VENDOR-ID\" = <86800000>", "\"DEVICE-ID\" = 0x10000"}},
    }));
    ASSERT_EQ(targets.size(), 2U);
    EXPECT_EQ(targets[0],
              (RegistryTarget{"PciRoot(0x0)/Pci(0x1,0x0)", 0x1002, std::nullopt, true, false}));
    EXPECT_EQ(targets[1],
              (RegistryTarget{"PciRoot(0x0)/Pci(0x1F,0x3)", 0x8086, std::nullopt, true, false}));
}

TEST(ioregistry_parser_test, subsystem_ids_do_not_replace_the_gpu_vendor) {
    const auto targets = parseIORegistryTargets(registryUnderPci0(
        {{3, "PEG0@1"},
         {4,
          "GFX0@0",
          "IOPCIDevice",
          {"\"vendor-id\" = <02100000>", "\"device-id\" = <bf730000>",
           "\"subsystem-vendor-id\" = <a21d0000>", "\"subsystem-device-id\" = <01e40000>",
           "\"pci-vendor-id\" = <02100000>"}}}));
    ASSERT_EQ(targets.size(), 2U);
    EXPECT_EQ(targets[1], (RegistryTarget{polarisGfx0, 0x1002, 0x73BF, true, true}));
}

TEST(ioregistry_parser_test, siblings_replace_each_other_and_shallower_nodes_pop_deeper_ones) {
    // Oddly indented by hand: depth is the column of the marker, not a count of levels.
    const std::string text = "+-o Root  <class IORegistryEntry>\n"
                             "  +-o PC01@0  <class IOACPIPlatformDevice>\n"
                             "   +-o BR1A@0  <class IOPCIDevice>\n"
                             "      +-o GFX0@0  <class IOPCIDevice>\n"
                             "   +-o BR1B@1  <class IOPCIDevice>\n"
                             "\t\t\t\t+-o GFX0@0\n"
                             "  +-o PC02@0\n"
                             "       +-o   BR2A@3   trailing words\n"
                             "        \"device-id\" = <bf730000>\n";
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
