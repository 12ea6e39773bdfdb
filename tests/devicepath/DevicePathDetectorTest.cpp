#include "devicepath/DevicePathDetector.hpp"

#include "support/FakeExecutable.hpp"
#include "support/GfxutilSamples.hpp"
#include "support/IoregSamples.hpp"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace ventora {
namespace {

namespace fs = std::filesystem;
namespace samples = test::GfxutilSamples;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

const std::string polarisPath(samples::polarisPath);
const std::string navi21Path(samples::navi21Path);
const std::string couldNotRead =
    "Could not read IORegistry while detecting the GPU DeviceProperties path.";
const std::string couldNotIdentify = "Could not identify a usable GFX0 or unique supported AMD "
                                     "GPU DeviceProperties path from IORegistry.";
const std::string navi21Found =
    "Detected supported AMD GPU: RDNA2, device-id 0x73BF, path " + navi21Path + ".";
const std::string navi21Verified =
    "Verified manual DeviceProperties target: RDNA2, device-id 0x73BF, path " + navi21Path + ".";

class DevicePathDetector : public testing::Test {
protected:
    DevicePathDetector() {
        fs::create_directory(m_tools.path() / "Resources");
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
    void install(const std::string& name, const std::string& arguments,
                 std::optional<std::string_view> text, int exitStatus = 0) const {
        fs::remove(m_tools.path() / name);
        const std::string tool = fs::path(name).filename().string();
        fs::remove(marker(tool));
        if (text) {
            const auto printer =
                m_tools.writePrinter(tool + ".print", std::string(*text), {}, exitStatus);
            m_tools.writeScript(name, "touch '" + marker(tool).string() + "'\n[ \"$*\" = '" +
                                          arguments + "' ] || exit 64\n[ -f '" +
                                          m_tools.temporaryDirectory().string() + "'/Ventora-*." +
                                          tool + " ] || exit 65\nexec '" + printer.string() + "'");
        }
    }
    void gfxutil(std::optional<std::string_view> text, int exitStatus = 0) const {
        install("Resources/gfxutil", "-f GFX0", text, exitStatus);
    }
    void ioreg(std::optional<std::string_view> text, int exitStatus = 0) const {
        install("ioreg", "-p IODeviceTree -w0 -l", text, exitStatus);
    }
    [[nodiscard]] fs::path marker(const std::string& tool) const {
        return m_tools.path() / (tool + ".ran");
    }
    [[nodiscard]] bool ran(const std::string& tool) const { return fs::exists(marker(tool)); }

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

TEST_F(DevicePathDetector, AGfxutilGfx0OfAmdOrNoVendorAnswersWithoutIoreg) {
    const struct {
        std::string_view gfxutil;
        std::string path;
        std::string line;
    } rows[] = {
        {samples::navi21, navi21Path,
         "Resolved GFX0 with gfxutil: vendor-id 0x1002, device-id 0x73BF, path " + navi21Path +
             "."},
        // The device id is not checked against the supported ones here.
        {samples::unsupportedDevice, polarisPath,
         "Resolved GFX0 with gfxutil: vendor-id 0x1002, device-id 0x7310, path " + polarisPath +
             "."},
        {samples::withoutIdentity, polarisPath,
         "Resolved GFX0 DeviceProperties path with gfxutil: " + polarisPath +
             ". PCI identity was not present in gfxutil output."},
    };
    ioreg(test::ioregPolarisDesktop());
    for (const auto& row : rows) {
        gfxutil(row.gfxutil);
        EXPECT_EQ(detectPath(), row.path);
        EXPECT_EQ(m_messages, Lines{row.line});
    }
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(DevicePathDetector, UnusableGfxutilFallsThroughToIoregSilently) {
    ioreg(test::ioregNavi21WithNvidia());
    for (const auto& [output, exitStatus] :
         std::vector<std::pair<std::optional<std::string_view>, int>>{{std::nullopt, 0},
                                                                      {samples::polaris, 1},
                                                                      {samples::twoGfx0, 0},
                                                                      {samples::nvidia, 0}}) {
        gfxutil(output, exitStatus);
        EXPECT_EQ(detectPath(), navi21Path);
        EXPECT_EQ(m_messages, Lines{navi21Found});
    }
}

TEST_F(DevicePathDetector, RegistryChoicesAndTheirLines) {
    const std::string notConfirmed = ". GPU device-id was not confirmed from IORegistry.";
    const struct {
        std::string registry;
        std::optional<std::string> path;
        std::string line;
    } rows[] = {
        {test::ioregPolarisDesktop(), polarisPath,
         "Detected supported AMD GPU: Polaris, device-id 0x67DF, path " + polarisPath + "."},
        {test::ioregTwoRootsGfx0WithoutIds(), "PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)",
         "Detected GFX0 DeviceProperties path: PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)" +
             notConfirmed},
        {test::ioregGfx0UnsupportedDevice(), polarisPath,
         "Detected GFX0 DeviceProperties path: " + polarisPath + notConfirmed},
        {test::ioregNvidiaGfx0AndAmdDisplay(), "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)",
         "Detected supported AMD GPU: Vega 10, device-id 0x687F, path "
         "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)."},
        {test::ioregVirtualMachineTextualIds(), "PciRoot(0x0)/Pci(0x2,0x0)",
         "Detected supported AMD GPU: Navi 10, device-id 0x731F, path PciRoot(0x0)/Pci(0x2,0x0)."},
        {test::ioregTwoAmdGpusNoGfx0(), std::nullopt, couldNotIdentify},
        {"ioreg: could not open the registry\n", std::nullopt, couldNotIdentify},
    };
    for (const auto& row : rows) {
        ioreg(row.registry);
        EXPECT_EQ(detectPath(), row.path);
        EXPECT_EQ(m_messages, Lines{row.line});
    }
}

TEST_F(DevicePathDetector, AnUnreadableRegistryIsReported) {
    for (const auto& [output, exitStatus] : std::vector<std::pair<std::optional<std::string>, int>>{
             {std::nullopt, 0}, {test::ioregPolarisDesktop(), 1}, {"", 0}, {"+-o Root\xff\n", 0}}) {
        ioreg(output, exitStatus);
        EXPECT_EQ(detectPath(), std::nullopt);
        EXPECT_EQ(m_messages, Lines{couldNotRead});
        EXPECT_EQ(detectGPU(polarisPath), std::nullopt);
        EXPECT_EQ(m_messages,
                  Lines{"Could not read IORegistry to verify the manual DeviceProperties path."});
    }
}

TEST_F(DevicePathDetector, HangingToolsAreEachEndedAfterFourSeconds) {
    m_tools.writeScript("Resources/gfxutil", "exec sleep 30");
    m_tools.writeScript("ioreg", "exec sleep 30");
    const auto start = Clock::now();
    EXPECT_EQ(detectPath(), std::nullopt);
    EXPECT_EQ(m_messages, Lines{couldNotRead});
    EXPECT_GE(Clock::now() - start, std::chrono::seconds(8));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(8900));
}

TEST_F(DevicePathDetector, CancellationStopsBeforeOrDuringGfxutilAndSkipsIoreg) {
    ioreg(test::ioregPolarisDesktop());
    gfxutil(samples::navi21);
    CancellationToken cancelled;
    cancelled.cancel();
    EXPECT_EQ(detectPath(&cancelled), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"IORegistry detection cancelled."});
    EXPECT_EQ(detectGPU(navi21Path, &cancelled), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"IORegistry path verification cancelled."});
    EXPECT_FALSE(ran("gfxutil"));

    m_tools.writeScript("Resources/gfxutil", "exec sleep 30");
    CancellationToken token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        token.cancel();
    });
    EXPECT_EQ(detectPath(&token), std::nullopt);
    canceller.join();
    EXPECT_EQ(m_messages, Lines{"IORegistry detection cancelled."});
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(DevicePathDetector, TypedPathsAreConfirmedByGfxutilOrElseTheRegistry) {
    const std::string nvidiaPath = "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)";
    const std::string rootPort = "PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0)";
    const DetectedGPU navi21{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2};
    const auto notConfirmed = [](const std::string& path) {
        return "Could not confirm a supported AMD GPU identity at the manual DeviceProperties "
               "path in IORegistry: " +
               path + ".";
    };
    const struct {
        std::optional<std::string> gfxutil;
        std::string registry;
        std::string typed;
        std::optional<DetectedGPU> expected;
        std::string line;
    } rows[] = {
        {std::string(samples::polaris), test::ioregNavi21WithNvidia(),
         " PciRoot(0x00)/Pci(0x01,0x0)/Pci(0x0,0x00)\n",
         DetectedGPU{polarisPath, 0x1002, 0x67DF, GpuFamily::polaris},
         "Verified DeviceProperties target with gfxutil GFX0: Polaris, device-id 0x67DF, path " +
             polarisPath + "."},
        {std::nullopt, test::ioregNavi21WithNvidia(), navi21Path, navi21, navi21Verified},
        {std::string(samples::polaris), test::ioregNavi21WithNvidia(),
         "PciRoot(0x0)/Pci(0x03,0x01)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)", navi21,
         navi21Verified},
        {std::string(samples::withoutIdentity), test::ioregNavi21WithNvidia(), navi21Path, navi21,
         navi21Verified},
        {"1022:73bf GFX0 = " + navi21Path, test::ioregNavi21WithNvidia(), navi21Path, navi21,
         navi21Verified},
        {"1002:7310 GFX0 = " + navi21Path, test::ioregNavi21WithNvidia(), navi21Path, navi21,
         navi21Verified},
        {std::nullopt, test::ioregNavi21WithNvidia(), nvidiaPath, std::nullopt,
         notConfirmed(nvidiaPath)},
        {std::nullopt, test::ioregNavi21WithNvidia(), "PciRoot(0x5)/Pci(0x1f,0x7)", std::nullopt,
         notConfirmed("PciRoot(0x5)/Pci(0x1F,0x7)")},
        // No GFX0 rule here: a unique supported id at the path is enough.
        {std::nullopt, test::ioregTwoAmdGpusNoGfx0(), "PciRoot(0x0)/Pci(0x1c,0x04)/Pci(0x0,0x0)",
         DetectedGPU{rootPort, 0x1002, 0x67DF, GpuFamily::polaris},
         "Verified manual DeviceProperties target: Polaris, device-id 0x67DF, path " + rootPort +
             "."},
    };
    for (const auto& row : rows) {
        gfxutil(row.gfxutil);
        ioreg(row.registry);
        EXPECT_EQ(detectGPU(row.typed), row.expected) << row.typed;
        EXPECT_EQ(m_messages, Lines{row.line});
        EXPECT_EQ(ran("ioreg"), !row.line.starts_with("Verified DeviceProperties"));
    }
    gfxutil(samples::polaris);
    ioreg(test::ioregPolarisDesktop());
    for (const char* typed : {"", "PciRoot(0x0)/Pci(0x1,0x0)/", "GFX0"}) {
        EXPECT_EQ(detectGPU(typed), std::nullopt) << typed;
        EXPECT_EQ(m_messages, Lines{});
    }
    EXPECT_FALSE(ran("gfxutil") || ran("ioreg"));
}

} // namespace
} // namespace ventora
