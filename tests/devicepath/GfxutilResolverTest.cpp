#include "devicepath/GfxutilResolver.hpp"

#include "support/GfxutilSamples.hpp"

#include <gtest/gtest.h>
#include <utility>

namespace ventora {
namespace {

using namespace DevicePathDetector;
namespace samples = test::GfxutilSamples;

TEST(GfxutilResolver, ReadsPathAndIdentityOfTheOneGfx0) {
    const std::string& polaris = samples::polarisPath;
    const GfxutilTarget amd{polaris, 0x1002, 0x67DF};
    const GfxutilTarget bare{polaris, std::nullopt, std::nullopt};
    const std::vector<std::pair<std::string, std::optional<GfxutilTarget>>> rows{
        {std::string(samples::navi21), GfxutilTarget{samples::navi21Path, 0x1002, 0x73BF}},
        {std::string(samples::withoutIdentity), bare},
        {std::string(samples::withoutIdentity) + "1002:67df GFX0 = " + polaris + "\n", amd},
        {"1002:731f GFX0 = " + polaris + "\n1002:7340 GFX0 = " + polaris, std::nullopt},
        {"1002:731f GFX0 = " + polaris + "\n1022:731f GFX0 = " + polaris, std::nullopt},
        {std::string(samples::twoGfx0), std::nullopt},
        {"01:00.0 1002:67df GFX0@0 = " + polaris + " (active)", std::nullopt},
        {"gfxutil 1.83b\r\n\r\n" + std::string(samples::polaris) +
             "01:00.1 1002:aaf0 /PCI0@0/PEG0@1/HDAU@0,1 = PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x1)\n",
         amd},
        {"01:00.0 1002:67df /pci0@0/peg0@1/gfx0@0 = " + polaris + "\r\n", amd},
        {"gfx0 = PciRoot(0x00)/Pci(0x01,0x00)/Pci(0x00,0x00)", bare},
        {"01:00.0\t[1002:67df],\u00A0GFX0 = " + polaris, amd},
        {"1002:67df 10de:1b80 GFX0 = " + polaris, amd},
        {"1002:67d GFX0 = " + polaris, bare},
        {"1002:67dff GFX0 = " + polaris, bare},
        {std::string(samples::oldVersion), std::nullopt}};
    for (const auto& [text, expected] : rows) {
        EXPECT_EQ(parseGfxutilOutput(text), expected) << text;
    }
}

} // namespace
} // namespace ventora
