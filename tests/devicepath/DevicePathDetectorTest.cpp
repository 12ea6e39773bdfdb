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

    // Each fake tool leaves a marker when it runs, so tests can tell which tools ran.
    void installGfxutil(std::string_view text, int exitStatus = 0) const {
        install("Resources/gfxutil", text, exitStatus);
    }
    void installIoreg(std::string_view text, int exitStatus = 0) const {
        install("ioreg", text, exitStatus);
    }
    void install(const std::string& name, std::string_view text, int exitStatus) const {
        m_tools.writePrinter(name + ".print", std::string(text),
                             test::FakeExecutableFolder::Stream::standardOutput, exitStatus);
        m_tools.writeScript(name, "touch '" + marker(name).string() + "'\nexec '" +
                                      (m_tools.path() / (name + ".print")).string() + "'");
    }
    [[nodiscard]] fs::path marker(const std::string& name) const {
        return m_tools.path() / (fs::path(name).filename().string() + ".ran");
    }
    [[nodiscard]] bool ran(const std::string& tool) const { return fs::exists(marker(tool)); }

    std::optional<std::string> detectPath(const CancellationToken* token = nullptr) {
        return DevicePathDetector::detectPath(m_messages, token, m_context);
    }
    std::optional<DetectedGPU> detectGPU(std::string_view path,
                                         const CancellationToken* token = nullptr) {
        return DevicePathDetector::detectGPU(path, m_messages, token, m_context);
    }

    test::FakeExecutableFolder m_tools;
    PlatformContext m_context;
    Lines m_messages;
};

TEST_F(device_path_detector_test, gfxutil_with_amd_identity_answers_without_ioreg) {
    installGfxutil(samples::navi21);
    installIoreg(test::ioregPolarisDesktop());
    EXPECT_EQ(detectPath(), navi21Path);
    EXPECT_EQ(m_messages, Lines{"Resolved GFX0 with gfxutil: vendor-id 0x1002, device-id 0x73BF, "
                                "path " +
                                navi21Path + "."});
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(device_path_detector_test, gfxutil_without_identity_still_gives_the_path) {
    installGfxutil(samples::withoutIdentity);
    EXPECT_EQ(detectPath(), polarisPath);
    EXPECT_EQ(m_messages, Lines{"Resolved GFX0 DeviceProperties path with gfxutil: " + polarisPath +
                                ". PCI identity was not present in gfxutil output."});
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
        fs::remove(m_tools.path() / "Resources" / "gfxutil");
        if (row.gfxutilOutput) {
            installGfxutil(*row.gfxutilOutput, row.exitStatus);
        }
        m_messages.clear();
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
        m_messages.clear();
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
        fs::remove(m_context.ioregExecutable);
        if (row.output) {
            installIoreg(*row.output, row.exitStatus);
        }
        m_messages.clear();
        EXPECT_EQ(detectPath(), std::nullopt);
        EXPECT_EQ(m_messages, Lines{couldNotRead});
        m_messages.clear();
        EXPECT_EQ(detectGPU(polarisPath), std::nullopt);
        EXPECT_EQ(m_messages, Lines{couldNotVerify});
    }
}

TEST_F(device_path_detector_test, an_ioreg_that_hangs_is_ended_by_the_time_out) {
    m_tools.writeScript("ioreg", "exec sleep 30");
    const auto start = Clock::now();
    EXPECT_EQ(detectPath(), std::nullopt);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(m_messages, Lines{couldNotRead});
    EXPECT_GE(seconds, 4.0);
    EXPECT_LT(seconds, 4.45);
}

TEST_F(device_path_detector_test, cancelled_before_the_call_starts_no_tool) {
    installGfxutil(samples::navi21);
    installIoreg(test::ioregPolarisDesktop());
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(detectPath(&token), std::nullopt);
    EXPECT_EQ(m_messages, Lines{"IORegistry detection cancelled."});
    m_messages.clear();
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
    }
    EXPECT_EQ(m_messages, Lines{});
    EXPECT_FALSE(ran("gfxutil"));
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(device_path_detector_test, gfxutil_confirms_a_typed_path_in_any_spelling) {
    installGfxutil(samples::polaris);
    installIoreg(test::ioregNavi21WithNvidia());
    EXPECT_EQ(detectGPU(" PciRoot(0x00)/Pci(0x01,0x0)/Pci(0x0,0x00)\n"),
              (DetectedGPU{polarisPath, 0x1002, 0x67DF, GpuFamily::polaris}));
    EXPECT_EQ(m_messages, Lines{"Verified DeviceProperties target with gfxutil GFX0: Polaris, "
                                "device-id 0x67DF, path " +
                                polarisPath + "."});
    EXPECT_FALSE(ran("ioreg"));
}

TEST_F(device_path_detector_test, the_registry_confirms_what_gfxutil_does_not) {
    const struct {
        const char* name;
        std::optional<std::string> gfxutilOutput;
        std::string typedPath;
        std::optional<DetectedGPU> expected;
        std::string line;
    } rows[] = {
        {"no gfxutil", std::nullopt,
         "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)",
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2},
         "Verified manual DeviceProperties target: RDNA2, device-id 0x73BF, path " + navi21Path +
             "."},
        {"gfxutil names another path", std::string(samples::polaris),
         "PciRoot(0x0)/Pci(0x03,0x01)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)",
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2},
         "Verified manual DeviceProperties target: RDNA2, device-id 0x73BF, path " + navi21Path +
             "."},
        {"gfxutil without identity", std::string(samples::withoutIdentity), navi21Path,
         DetectedGPU{navi21Path, 0x1002, 0x73BF, GpuFamily::rdna2},
         "Verified manual DeviceProperties target: RDNA2, device-id 0x73BF, path " + navi21Path +
             "."},
        {"nvidia card", std::nullopt, "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)", std::nullopt,
         couldNotConfirm("PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)")},
        {"amd bridge, not a gpu", std::nullopt, "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)",
         std::nullopt, couldNotConfirm("PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)")},
        {"nothing there", std::nullopt, "PciRoot(0x5)/Pci(0x1f,0x7)", std::nullopt,
         couldNotConfirm("PciRoot(0x5)/Pci(0x1F,0x7)")},
    };
    installIoreg(test::ioregNavi21WithNvidia());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(m_tools.path() / "Resources" / "gfxutil");
        if (row.gfxutilOutput) {
            installGfxutil(*row.gfxutilOutput);
        }
        m_messages.clear();
        EXPECT_EQ(detectGPU(row.typedPath), row.expected);
        EXPECT_EQ(m_messages, Lines{row.line});
    }
}

TEST_F(device_path_detector_test, gfxutil_with_an_unsupported_id_is_checked_in_the_registry) {
    installGfxutil(samples::unsupportedDevice);
    installIoreg(test::ioregGfx0UnsupportedDevice());
    EXPECT_EQ(detectGPU(polarisPath), std::nullopt);
    EXPECT_EQ(m_messages, Lines{couldNotConfirm(polarisPath)});
    EXPECT_TRUE(ran("ioreg"));
}

TEST_F(device_path_detector_test, hex_letters_in_a_typed_path_match_in_either_case) {
    installIoreg(
        test::renderIoreg({{0, "Root", "IORegistryEntry"},
                           {1, "iMacPro1,1", "IOPlatformExpertDevice"},
                           {2, "PC00@0", "IOACPIPlatformDevice"},
                           {3, "RP05@1C,4"},
                           {4, "display@0", "IOPCIDevice", test::pciProperties(0x1002, 0x66AF)}}));
    EXPECT_EQ(detectGPU("PciRoot(0x0)/Pci(0x1c,0x04)/Pci(0x0,0x0)"),
              (DetectedGPU{"PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0)", 0x1002, 0x66AF,
                           GpuFamily::vega20}));
    EXPECT_EQ(m_messages,
              Lines{"Verified manual DeviceProperties target: Vega 20, device-id 0x66AF, "
                    "path PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0)."});
}

} // namespace
} // namespace ventora
