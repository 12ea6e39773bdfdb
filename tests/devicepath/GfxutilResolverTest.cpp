#include "devicepath/GfxutilResolver.hpp"

#include "support/FakeExecutable.hpp"
#include "support/GfxutilSamples.hpp"

#include <fstream>
#include <gtest/gtest.h>

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

class gfxutil_search_test : public testing::Test {
protected:
    [[nodiscard]] PlatformContext context() const {
        PlatformContext context;
        context.temporaryDirectory = m_tools.temporaryDirectory();
        context.resourcesDirectory = m_tools.path() / "Resources";
        return context;
    }

    fs::path makeFolder(const std::string& name) const {
        fs::create_directories(m_tools.path() / name);
        return m_tools.path() / name;
    }

    test::FakeExecutableFolder m_tools;
};

TEST_F(gfxutil_search_test, prefers_the_bundled_copy_then_fixed_locations_then_path) {
    const fs::path bundle = makeFolder("Resources");
    const fs::path fixed = makeFolder("fixed");
    const fs::path onPath = makeFolder("bin");
    m_tools.writeScript("bin/gfxutil", "exit 0");
    PlatformContext ctx = context();
    ctx.gfxutilLocations = {fixed / "gfxutil"};
    ctx.searchPath = "::/nonexistent:" + onPath.string() + "/";
    EXPECT_EQ(gfxutilExecutableURL(ctx), onPath / "gfxutil");

    m_tools.writeScript("fixed/gfxutil", "exit 0");
    EXPECT_EQ(gfxutilExecutableURL(ctx), fixed / "gfxutil");

    m_tools.writeScript("Resources/gfxutil", "exit 0");
    EXPECT_EQ(gfxutilExecutableURL(ctx), bundle / "gfxutil");
}

TEST_F(gfxutil_search_test, skips_what_is_not_an_executable_regular_file) {
    const fs::path onPath = makeFolder("bin");
    makeFolder("Resources/gfxutil"); // a folder of that name
    makeFolder("plain");
    { std::ofstream(m_tools.path() / "plain" / "gfxutil") << "#!/bin/sh\n"; } // not executable
    PlatformContext ctx = context();
    ctx.gfxutilLocations = {m_tools.path() / "plain" / "gfxutil"};
    ctx.searchPath = onPath.string();
    EXPECT_EQ(gfxutilExecutableURL(ctx), std::nullopt);

    m_tools.writeScript("bin/gfxutil", "exit 0");
    EXPECT_EQ(gfxutilExecutableURL(ctx), onPath / "gfxutil");
    ctx.searchPath.reset();
    EXPECT_EQ(gfxutilExecutableURL(ctx), std::nullopt);
}

TEST_F(gfxutil_search_test, standardises_candidate_paths) {
    const fs::path onPath = makeFolder("local/bin");
    makeFolder("usr");
    const fs::path script = m_tools.writeScript("local/bin/gfxutil", "exit 0");
    PlatformContext ctx = context();
    ctx.gfxutilLocations = {m_tools.path() / "usr/../local/./bin//gfxutil"};
    ctx.searchPath = onPath.string() + ":" + (m_tools.path() / "usr").string();
    EXPECT_EQ(gfxutilExecutableURL(ctx), script);
}

} // namespace
} // namespace ventora
