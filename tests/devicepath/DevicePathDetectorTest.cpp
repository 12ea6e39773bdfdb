#include "devicepath/DevicePathDetector.hpp"

#include "support/FakeExecutable.hpp"
#include "support/GfxutilSamples.hpp"
#include "support/IoregSamples.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace ventora {
namespace {

namespace fs = std::filesystem;
namespace samples = test::GfxutilSamples;
using Lines = std::vector<std::string>;

using samples::navi21Path, samples::polarisPath;

class DevicePathDetector : public testing::Test {
protected:
    DevicePathDetector() {
        m_context.temporaryDirectory = m_tools.temporaryDirectory();
        m_context.resourcesDirectory = m_tools.path() / "Resources";
        m_context.ioregExecutable = m_tools.path() / "ioreg";
    }
    void TearDown() override {
        EXPECT_EQ(m_tools.temporaryEntries(), Lines{});
        EXPECT_FALSE(test::hasChildProcesses());
    }

    // Absent text removes the tool. The fake leaves a marker, then prints `text` only when
    // called with exactly the expected arguments while its capture file (named after the
    // tool) exists.
    void install(const std::string& tool, std::optional<std::string_view> text, int status = 0) {
        const std::string name = tool == "ioreg" ? tool : "Resources/" + tool;
        fs::remove(m_tools.path() / name);
        const fs::path marker = m_tools.path() / (tool + ".ran");
        fs::remove(marker);
        if (!text) {
            return;
        }
        const fs::path printed = m_tools.path() / (tool + ".text");
        std::ofstream(printed, std::ios::binary) << *text;
        const std::string arguments = tool == "ioreg" ? "-p IODeviceTree -w0 -l" : "-f GFX0";
        m_tools.writeScript(name, "touch '" + marker.string() + "'\n[ \"$*\" = '" + arguments +
                                      "' ] || exit 64\n[ -f '" +
                                      m_context.temporaryDirectory.string() + "'/Ventora-*." +
                                      tool + " ] || exit 65\ncat '" + printed.string() +
                                      "'\nexit " + std::to_string(status));
    }
    [[nodiscard]] bool ran(const std::string& tool) const {
        return fs::exists(m_tools.path() / (tool + ".ran"));
    }

    std::optional<std::string> detectPath(const CancellationToken* token = nullptr) {
        m_messages.clear();
        return ventora::DevicePathDetector::detectPath(m_messages, token, m_context);
    }
    std::optional<DetectedGPU> detectGPU(std::string_view path,
                                         const CancellationToken* token = nullptr) {
        m_messages.clear();
        return ventora::DevicePathDetector::detectGPU(path, m_messages, token, m_context);
    }

    test::FakeExecutableFolder m_tools;
    PlatformContext m_context;
    Lines m_messages;
};

// gfxutil's GFX0 answers when it is AMD's or names no vendor (its device id unchecked);
// otherwise the registry is read, silently.
TEST_F(DevicePathDetector, AutomaticDetectionAsksGfxutilThenTheRegistry) {
    const std::string resolved = "Resolved GFX0 with gfxutil: vendor-id 0x1002, device-id ";
    const std::vector<std::tuple<std::optional<std::string_view>, int, std::string,
                                 std::optional<std::string>, std::string>>
        rows{
            {samples::navi21, 0, "", navi21Path, resolved + "0x73BF, path " + navi21Path + "."},
            {"1002:7310 GFX0 = PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)", 0, "", polarisPath,
             resolved + "0x7310, path " + polarisPath + "."},
            {samples::withoutIdentity, 0, "", polarisPath,
             "Resolved GFX0 DeviceProperties path with gfxutil: PciRoot(0x0)/Pci(0x1,0x0)/"
             "Pci(0x0,0x0). PCI identity was not present in gfxutil output."},
            {samples::polaris, 1, test::ioregNavi21WithNvidia(), navi21Path,
             "Detected supported AMD GPU: RDNA2, device-id 0x73BF, path " + navi21Path + "."},
            {"10de:1b80 GFX0 = PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)", 0,
             test::ioregTwoRootsGfx0WithoutIds(), "PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)",
             "Detected GFX0 DeviceProperties path: PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0). GPU "
             "device-id was not confirmed from IORegistry."},
            {std::nullopt, 0, test::ioregTwoAmdGpusNoGfx0(), std::nullopt,
             "Could not identify a usable GFX0 or unique supported AMD GPU DeviceProperties path "
             "from IORegistry."},
        };
    for (const auto& [gfxutilOutput, exitStatus, registry, path, line] : rows) {
        install("gfxutil", gfxutilOutput, exitStatus);
        install("ioreg", registry);
        EXPECT_EQ(detectPath(), path);
        EXPECT_EQ(m_messages, Lines{line});
        EXPECT_EQ(ran("ioreg"), !line.starts_with("Resolved"));
    }
}

TEST_F(DevicePathDetector, AnUnreadableRegistryIsReported) {
    const std::vector<std::pair<std::optional<std::string>, int>> outputs{
        {std::nullopt, 0}, {test::ioregTwoAmdGpusNoGfx0(), 1}, {"", 0}, {"+-o Root\xff\n", 0}};
    for (const auto& [output, exitStatus] : outputs) {
        install("ioreg", output, exitStatus);
        EXPECT_EQ(detectPath(), std::nullopt);
        EXPECT_EQ(m_messages, Lines{"Could not read IORegistry while detecting the GPU "
                                    "DeviceProperties path."});
        EXPECT_EQ(detectGPU(polarisPath), std::nullopt);
        EXPECT_EQ(m_messages,
                  Lines{"Could not read IORegistry to verify the manual DeviceProperties path."});
    }
}

TEST_F(DevicePathDetector, CancellationStopsBeforeAnyToolRuns) {
    install("ioreg", test::ioregTwoAmdGpusNoGfx0());
    install("gfxutil", samples::navi21);
    CancellationToken cancelled;
    cancelled.cancel();
    EXPECT_EQ(detectPath(&cancelled), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"IORegistry detection cancelled."});
    EXPECT_EQ(detectGPU(navi21Path, &cancelled), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"IORegistry path verification cancelled."});
    EXPECT_FALSE(ran("gfxutil") || ran("ioreg"));
}

TEST_F(DevicePathDetector, TypedPathsAreConfirmedByGfxutilOrElseTheRegistry) {
    install("ioreg", test::ioregNavi21WithNvidia());
    install("gfxutil", samples::polaris);
    EXPECT_EQ(detectGPU("PciRoot(0x0)/Pci(0x1,0x0)/"), std::nullopt);
    EXPECT_EQ(m_messages, Lines{});
    EXPECT_FALSE(ran("gfxutil") || ran("ioreg"));
    EXPECT_EQ(detectGPU(" PciRoot(0x00)/Pci(0x01,0x0)/Pci(0x0,0x00)\n"),
              (DetectedGPU{polarisPath, 0x1002, 0x67DF, GpuFamily::polaris}));
    EXPECT_EQ(m_messages, Lines{"Verified DeviceProperties target with gfxutil GFX0: Polaris, "
                                "device-id 0x67DF, path PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)."});
    EXPECT_FALSE(ran("ioreg"));

    // gfxutil naming another path or none, another vendor or an unsupported id: no answer.
    for (const auto& output : std::vector<std::optional<std::string>>{
             std::nullopt, std::string(samples::polaris), "1022:73bf GFX0 = " + navi21Path,
             "1002:7310 GFX0 = " + navi21Path}) {
        install("gfxutil", output);
        EXPECT_EQ(detectGPU("PciRoot(0x0)/Pci(0x03,0x01)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)"),
                  (DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2}));
        EXPECT_EQ(m_messages, Lines{"Verified manual DeviceProperties target: RDNA2, device-id "
                                    "0x73BF, path " +
                                    navi21Path + "."});
    }
    // The path of the NVIDIA card.
    EXPECT_EQ(detectGPU("PciRoot(0x0)/Pci(0x1,0x01)/Pci(0x0,0x0)"), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"Could not confirm a supported AMD GPU identity at the manual "
                                "DeviceProperties path in IORegistry: "
                                "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)."});
    // No GFX0 rule here: a unique supported id at the path is enough.
    install("ioreg", test::ioregTwoAmdGpusNoGfx0());
    EXPECT_EQ(detectGPU("PciRoot(0x0)/Pci(0x1c,0x04)/Pci(0x0,0x0)"),
              (DetectedGPU{"PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0)", 0x1002, 0x67DF,
                           GpuFamily::polaris}));
}

} // namespace
} // namespace ventora
