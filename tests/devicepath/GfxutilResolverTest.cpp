#include "devicepath/GfxutilResolver.hpp"

#include "support/FakeExecutable.hpp"
#include "support/GfxutilSamples.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <utility>

namespace ventora {
namespace {

using namespace DevicePathDetector;
namespace samples = test::GfxutilSamples;
namespace fs = std::filesystem;

const std::string polaris(samples::polarisPath);

TEST(gfxutil_resolver_test, reads_path_and_identity_of_the_one_gfx0) {
    const struct {
        const char* name;
        std::string text;
        std::optional<GfxutilTarget> expected;
    } rows[] = {
        {"navi 21 behind switch", std::string(samples::navi21),
         GfxutilTarget{std::string(samples::navi21Path), 0x1002, 0x73BF}},
        {"polaris", std::string(samples::polaris), GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"blank columns", std::string(samples::withoutIdentity),
         GfxutilTarget{polaris, std::nullopt, std::nullopt}},
        {"same line twice", std::string(samples::polaris) + std::string(samples::polaris),
         GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"ids filled from a later line",
         std::string(samples::withoutIdentity) +
             "01:00.0 1002:731f /PCI0@0/PEG0@1/GFX0@0 = " + polaris + "\n",
         GfxutilTarget{polaris, 0x1002, 0x731F}},
        {"contradicting device ids",
         "01:00.0 1002:731f GFX0 = " + polaris + "\n01:00.0 1002:7340 GFX0 = " + polaris,
         std::nullopt},
        {"contradicting vendor ids",
         "1002:731f GFX0 = " + polaris + "\n1022:731f GFX0 = " + polaris, std::nullopt},
        {"two different paths", std::string(samples::twoGfx0), std::nullopt},
        {"text after the path", "01:00.0 1002:67df GFX0@0 = " + polaris + " (active)",
         std::nullopt},
        {"other lines around",
         "gfxutil 1.83b\r\n\r\n" + std::string(samples::polaris) +
             "01:00.1 1002:aaf0 /PCI0@0/PEG0@1/HDAU@0,1 = "
             "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x1)\n",
         GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"lower-case gfx0 and crlf",
         "01:00.0 1002:67df /pci0@0/peg0@1/gfx0@0 = " + polaris + "\r\n",
         GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"non-canonical path", "gfx0 = PciRoot(0x00)/Pci(0x01,0x00)/Pci(0x00,0x00)",
         GfxutilTarget{polaris, std::nullopt, std::nullopt}},
        {"bracketed identity", "(1002:67DF) GFX0 = " + polaris,
         GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"square brackets", "[1002:67df] GFX0 = " + polaris,
         GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"other white space between tokens", "01:00.0\t1002:67df\u00A0GFX0 = " + polaris,
         GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"trailing comma", "1002:67df, GFX0 = " + polaris, GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"first identity wins", "1002:67df 10de:1b80 GFX0 = " + polaris,
         GfxutilTarget{polaris, 0x1002, 0x67DF}},
        {"three-digit id is none", "1002:67d GFX0 = " + polaris,
         GfxutilTarget{polaris, std::nullopt, std::nullopt}},
        {"identity with three pieces", "1002:67df:00 GFX0 = " + polaris,
         GfxutilTarget{polaris, std::nullopt, std::nullopt}},
        {"old version without a name", std::string(samples::oldVersion), std::nullopt},
        {"not found", std::string(samples::notFound), std::nullopt},
        {"gfx0 without a path", "GFX0 = none\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseGfxutilOutput(row.text), row.expected);
    }
}

// The bundled copy, then the fixed locations, then PATH; only an executable regular file
// counts, and each candidate is standardised first.
TEST(gfxutil_search_test, takes_the_first_executable_in_search_order) {
    test::FakeExecutableFolder tools;
    const fs::path root = tools.path();
    for (const char* folder : {"Resources/gfxutil", "fixed", "plain", "bin"}) {
        fs::create_directories(root / folder);
    }
    { std::ofstream(root / "plain/gfxutil") << "#!/bin/sh\n"; } // not executable
    PlatformContext context;
    context.resourcesDirectory = root / "Resources"; // holds a folder named gfxutil
    context.gfxutilLocations = {root / "plain/gfxutil", root / "bin/../fixed/./gfxutil"};
    context.searchPath = "::/nonexistent:" + (root / "bin").string() + "/";
    EXPECT_EQ(gfxutilExecutableURL(context), std::nullopt);

    const fs::path onPath = tools.writeScript("bin/gfxutil", "exit 0");
    EXPECT_EQ(gfxutilExecutableURL(context), onPath);
    const auto searchPath = std::exchange(context.searchPath, std::nullopt);
    EXPECT_EQ(gfxutilExecutableURL(context), std::nullopt);
    context.searchPath = searchPath;

    const fs::path fixed = tools.writeScript("fixed/gfxutil", "exit 0");
    EXPECT_EQ(gfxutilExecutableURL(context), fixed);

    fs::remove(root / "Resources/gfxutil");
    const fs::path bundled = tools.writeScript("Resources/gfxutil", "exit 0");
    EXPECT_EQ(gfxutilExecutableURL(context), bundled);
}

} // namespace
} // namespace ventora
