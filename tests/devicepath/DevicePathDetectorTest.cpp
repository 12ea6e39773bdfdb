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
const std::string couldNotVerify =
    "Could not read IORegistry to verify the manual DeviceProperties path.";
const std::string navi21Verified =
    "Verified manual DeviceProperties target: RDNA2, device-id 0x73BF, path " + navi21Path + ".";

std::string couldNotConfirm(const std::string& path) {
    return "Could not confirm a supported AMD GPU identity at the manual DeviceProperties path "
           "in IORegistry: " +
           path + ".";
}

class device_path_detector_test : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(m_tools.path() / "Resources");
        m_context.temporaryDirectory = m_tools.temporaryDirectory();
        m_context.resourcesDirectory = m_tools.path() / "Resources";
        m_context.ioregExecutable = m_tools.path() / "ioreg";
    }

    void TearDown() override {
        EXPECT_EQ(m_tools.temporaryEntries(), Lines{});
        EXPECT_FALSE(test::hasChildProcesses());
    }

    // Absent text removes the tool.
    void installGfxutil(std::optional<std::string_view> text, int exitStatus = 0) const {
        install("Resources/gfxutil", "-f GFX0", text, exitStatus);
    }
    void installIoreg(std::optional<std::string_view> text, int exitStatus = 0) const {
        install("ioreg", "-p IODeviceTree -w0 -l", text, exitStatus);
    }
    // The fake leaves a marker, then prints `text` only when called with exactly the expected
    // arguments while its capture file (named after the tool) exists.
    void install(const std::string& name, const std::string& arguments,
                 std::optional<std::string_view> text, int exitStatus) const {
        fs::remove(m_tools.path() / name);
        if (!text) {
            return;
        }
        const std::string tool = fs::path(name).filename().string();
        const fs::path printer =
            m_tools.writePrinter(tool + ".print", std::string(*text),
                                 test::FakeExecutableFolder::Stream::standardOutput, exitStatus);
        m_tools.writeScript(name, "touch '" + marker(tool).string() + "'\n[ \"$*\" = '" +
                                      arguments + "' ] || exit 64\nset -- '" +
                                      m_tools.temporaryDirectory().string() + "'/Ventora-*." +
                                      tool + "\n[ -f \"$1\" ] || exit 65\nexec '" +
                                      printer.string() + "'");
    }
    [[nodiscard]] fs::path marker(const std::string& tool) const {
        return m_tools.path() / (tool + ".ran");
    }
    [[nodiscard]] bool ran(const std::string& tool) const { return fs::exists(marker(tool)); }

    std::optional<std::string> detectPath(const CancellationToken* token = nullptr) {
        m_messages.clear();
        return DevicePathDetector::detectPath(m_messages, token, m_context);
    }
    std::optional<DetectedGPU> detectGPU(std::string_view path,
                                         const CancellationToken* token = nullptr) {
        m_messages.clear();
        return DevicePathDetector::detectGPU(path, m_messages, token, m_context);
    }

    test::FakeExecutableFolder m_tools;
    PlatformContext m_context;
    Lines m_messages;
};

TEST_F(device_path_detector_test, a_gfxutil_gfx0_of_amd_or_no_vendor_answers_without_ioreg) {
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
    installIoreg(test::ioregPolarisDesktop());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.gfxutil);
        installGfxutil(row.gfxutil);
        EXPECT_EQ(detectPath(), row.path);
        EXPECT_EQ(m_messages, Lines{row.line});
    }
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(device_path_detector_test, unusable_gfxutil_falls_through_to_ioreg_silently) {
    const struct {
        const char* name;
        std::optional<std::string> gfxutilOutput;
        int exitStatus;
    } rows[] = {
        {"missing", std::nullopt, 0},
        {"not found, exit 1", std::string(samples::notFound), 1},
        {"failing after printing a path", std::string(samples::polaris), 1},
        {"ambiguous", std::string(samples::twoGfx0), 0},
        {"contradictory", std::string(samples::polaris) + "01:00.0 1002:67ef GFX0 = " + polarisPath,
         0},
        {"nvidia", std::string(samples::nvidia), 0},
        {"old version", std::string(samples::oldVersion), 0},
        {"empty", "", 0},
    };
    installIoreg(test::ioregNavi21WithNvidia());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        installGfxutil(row.gfxutilOutput, row.exitStatus);
        EXPECT_EQ(detectPath(), navi21Path);
        EXPECT_EQ(m_messages, Lines{"Detected supported AMD GPU: RDNA2, device-id 0x73BF, path " +
                                    navi21Path + "."});
    }
}

TEST_F(device_path_detector_test, registry_choices_and_their_lines) {
    const struct {
        const char* name;
        std::string registry;
        std::optional<std::string> path;
        std::string line;
    } rows[] = {
        {"sapphire polaris", test::ioregPolarisDesktop(), polarisPath,
         "Detected supported AMD GPU: Polaris, device-id 0x67DF, path " + polarisPath + "."},
        {"gfx0 without ids on the second root", test::ioregTwoRootsGfx0WithoutIds(),
         "PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)",
         "Detected GFX0 DeviceProperties path: PciRoot(0x1)/Pci(0x0,0x0)/Pci(0x0,0x0). GPU "
         "device-id was not confirmed from IORegistry."},
        {"gfx0 with an unsupported id", test::ioregGfx0UnsupportedDevice(), polarisPath,
         "Detected GFX0 DeviceProperties path: " + polarisPath +
             ". GPU device-id was not confirmed from IORegistry."},
        {"nvidia gfx0, amd display", test::ioregNvidiaGfx0AndAmdDisplay(),
         "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)",
         "Detected supported AMD GPU: Vega 10, device-id 0x687F, path "
         "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)."},
        {"virtual machine", test::ioregVirtualMachineTextualIds(), "PciRoot(0x0)/Pci(0x2,0x0)",
         "Detected supported AMD GPU: Navi 10, device-id 0x731F, path PciRoot(0x0)/Pci(0x2,0x0)."},
        {"two amd gpus, no gfx0", test::ioregTwoAmdGpusNoGfx0(), std::nullopt, couldNotIdentify},
        {"not a registry", "ioreg: could not open the registry\n", std::nullopt, couldNotIdentify},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        installIoreg(row.registry);
        EXPECT_EQ(detectPath(), row.path);
        EXPECT_EQ(m_messages, Lines{row.line});
    }
}

TEST_F(device_path_detector_test, unreadable_registry_is_reported) {
    const struct {
        const char* name;
        std::optional<std::string> output;
        int exitStatus;
    } rows[] = {
        {"missing", std::nullopt, 0},
        {"exit 1", test::ioregPolarisDesktop(), 1},
        {"empty output", "", 0},
        {"invalid UTF-8", "+-o Root\xff\n", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        installIoreg(row.output, row.exitStatus);
        EXPECT_EQ(detectPath(), std::nullopt);
        EXPECT_EQ(m_messages, Lines{couldNotRead});
        EXPECT_EQ(detectGPU(polarisPath), std::nullopt);
        EXPECT_EQ(m_messages, Lines{couldNotVerify});
    }
}

TEST_F(device_path_detector_test, hanging_tools_are_each_ended_after_four_seconds) {
    m_tools.writeScript("Resources/gfxutil", "exec sleep 30");
    m_tools.writeScript("ioreg", "exec sleep 30");
    const auto start = Clock::now();
    EXPECT_EQ(detectPath(), std::nullopt);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(m_messages, Lines{couldNotRead});
    EXPECT_GE(seconds, 8.0);
    EXPECT_LT(seconds, 8.9);
}

TEST_F(device_path_detector_test, cancelled_before_the_call_starts_no_tool) {
    installGfxutil(samples::navi21);
    installIoreg(test::ioregPolarisDesktop());
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(detectPath(&token), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"IORegistry detection cancelled."});
    EXPECT_EQ(detectGPU(navi21Path, &token), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"IORegistry path verification cancelled."});
    EXPECT_FALSE(ran("gfxutil"));
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(device_path_detector_test, cancelling_during_gfxutil_skips_ioreg) {
    m_tools.writeScript("Resources/gfxutil", "exec sleep 30");
    installIoreg(test::ioregPolarisDesktop());
    CancellationToken token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        token.cancel();
    });
    const auto start = Clock::now();
    EXPECT_EQ(detectPath(&token), std::nullopt);
    canceller.join();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 1.0);
    EXPECT_EQ(m_messages, Lines{"IORegistry detection cancelled."});
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(device_path_detector_test, an_invalid_typed_path_is_refused_without_a_line) {
    installGfxutil(samples::polaris);
    installIoreg(test::ioregPolarisDesktop());
    for (const char* typed : {"", "PciRoot(0x0)", "PciRoot(0x0)/Pci(0x1,0x0)/", "GFX0"}) {
        EXPECT_EQ(detectGPU(typed), std::nullopt) << typed;
        EXPECT_EQ(m_messages, Lines{});
    }
    EXPECT_FALSE(ran("gfxutil"));
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(device_path_detector_test, typed_paths_are_confirmed_by_gfxutil_or_else_the_registry) {
    const std::string nvidiaPath = "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)";
    const std::string amdBridge = "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)";
    const std::string rootPort = "PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0)";
    const std::string navi21 = test::ioregNavi21WithNvidia();
    const struct {
        const char* name;
        std::optional<std::string> gfxutil;
        std::string registry;
        std::string typed;
        std::optional<DetectedGPU> expected;
        std::string line;
    } rows[] = {
        {"gfxutil at that path", std::string(samples::polaris), navi21,
         " PciRoot(0x00)/Pci(0x01,0x0)/Pci(0x0,0x00)\n",
         DetectedGPU{polarisPath, 0x1002, 0x67DF, GpuFamily::polaris},
         "Verified DeviceProperties target with gfxutil GFX0: Polaris, device-id 0x67DF, path " +
             polarisPath + "."},
        {"no gfxutil", std::nullopt, navi21, navi21Path,
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2}, navi21Verified},
        {"gfxutil names another path", std::string(samples::polaris), navi21,
         "PciRoot(0x0)/Pci(0x03,0x01)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)",
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2}, navi21Verified},
        {"gfxutil without identity", std::string(samples::withoutIdentity), navi21, navi21Path,
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2}, navi21Verified},
        {"gfxutil with another vendor", "1022:73bf GFX0 = " + navi21Path, navi21, navi21Path,
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2}, navi21Verified},
        {"gfxutil with an unsupported id", "1002:7310 GFX0 = " + navi21Path, navi21, navi21Path,
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2}, navi21Verified},
        {"nvidia card", std::nullopt, navi21, nvidiaPath, std::nullopt,
         couldNotConfirm(nvidiaPath)},
        {"amd bridge, not a gpu", std::nullopt, navi21, amdBridge, std::nullopt,
         couldNotConfirm(amdBridge)},
        {"nothing there", std::nullopt, navi21, "PciRoot(0x5)/Pci(0x1f,0x7)", std::nullopt,
         couldNotConfirm("PciRoot(0x5)/Pci(0x1F,0x7)")},
        // No GFX0 rule here: a unique supported id at the path is enough.
        {"hex letters in either case", std::nullopt, test::ioregTwoAmdGpusNoGfx0(),
         "PciRoot(0x0)/Pci(0x1c,0x04)/Pci(0x0,0x0)",
         DetectedGPU{rootPort, 0x1002, 0x67DF, GpuFamily::polaris},
         "Verified manual DeviceProperties target: Polaris, device-id 0x67DF, path " + rootPort +
             "."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        installGfxutil(row.gfxutil);
        installIoreg(row.registry);
        fs::remove(marker("ioreg"));
        EXPECT_EQ(detectGPU(row.typed), row.expected);
        EXPECT_EQ(m_messages, Lines{row.line});
        EXPECT_EQ(ran("ioreg"),
                  row.line.starts_with("Verified manual") || row.line.starts_with("Could not"));
    }
}

} // namespace
} // namespace ventora
