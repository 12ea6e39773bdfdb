// The commands run in-process against made-up sysfs trees: detection, --from-gpu and the
// Windows form of --device-path, as `ventora-cli` would print them.

#include "cli/CliSupport.hpp"
#include "cli/Commands.hpp"
#include "support/FakeSysfs.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using test::FakeSysfs;

constexpr unsigned amd = 0x1002;
constexpr unsigned vga = 0x030000;
constexpr unsigned bridge = 0x060400;
const std::string polarisPath = "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)";
const std::string naviPath = "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";

// A Polaris card in the slot of root port 00:03.1, with its HDMI audio function.
void polarisCard(FakeSysfs& sysfs, unsigned device = 0x67DF, bool inAcpi = true,
                 const std::string& root = "pci0000:00") {
    const std::string bus = root.substr(8);
    const std::string port = root + "/0000:" + bus + ":03.1";
    const std::string card = port + "/0000:" + (bus == "00" ? "03" : "41") + ":00.";
    sysfs.addFunction(port, 0x1022, 0x1453, bridge);
    sysfs.addFunction(card + "0", amd, device, vga, inAcpi);
    sysfs.addFunction(card + "1", amd, 0xAAF0, 0x040300);
}

// A Navi card: root port 00:01.1, then the card's upstream and downstream switch ports.
void naviCard(FakeSysfs& sysfs, unsigned device = 0x73BF, bool inAcpi = true) {
    const std::string up = "pci0000:00/0000:00:01.1/0000:0a:00.0";
    sysfs.addFunction("pci0000:00/0000:00:01.1", 0x1022, 0x1483, bridge);
    sysfs.addFunction(up, amd, 0x1478, bridge);
    sysfs.addFunction(up + "/0000:0b:00.0", amd, 0x1479, bridge);
    sysfs.addFunction(up + "/0000:0b:00.0/0000:0c:00.0", amd, device, vga, inAcpi);
}

struct CommandRun {
    int exitCode;
    std::vector<std::string> out;
    std::string err;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        result.push_back(text.substr(start, end - start));
    }
    return result;
}

bool printed(const std::vector<std::string>& out, const std::string& line) {
    return std::find(out.begin(), out.end(), line) != out.end();
}

class sysfs_commands_test : public testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"tmp", "Desktop"}) {
            fs::create_directory(m_sysfs.folder() / folder);
        }
        m_context.temporaryDirectory = m_sysfs.folder() / "tmp";
        m_context.desktopDirectory = m_sysfs.folder() / "Desktop";
        m_context.resourcesDirectory = fs::path(VENTORA_BASE_CONFIG_PATH).parent_path();
        m_context.ioregExecutable = m_sysfs.folder() / "no-ioreg";
        m_context.zipExecutable = "/usr/bin/zip";
        m_context.sysfsDirectory = m_sysfs.sys();
    }

    // As main() runs a command: usage errors exit 2, other failures 1 with "ERROR: ".
    CommandRun run(int (*command)(const std::vector<std::string>&, const PlatformContext&),
                   const std::vector<std::string>& args) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int exitCode = 0;
        try {
            exitCode = command(args, m_context);
        } catch (const cli::UsageError& error) {
            exitCode = cli::fail(error.what(), cli::usageError);
        } catch (const std::exception& error) {
            exitCode = cli::fail(error.what(), cli::failed);
        }
        std::string out = testing::internal::GetCapturedStdout();
        return {exitCode, lines(out), testing::internal::GetCapturedStderr()};
    }

    std::string archiveMember(const std::string& name) const {
        const fs::path archive = m_context.desktopDirectory / "ZeroRPM35.zip";
        std::string text;
        const std::unique_ptr<FILE, int (*)(FILE*)> pipe(
            ::popen(("unzip -p '" + archive.string() + "' '" + name + "'").c_str(), "r"), ::pclose);
        for (int c; pipe && (c = std::fgetc(pipe.get())) != EOF;) {
            text.push_back(static_cast<char>(c));
        }
        return text;
    }

    FakeSysfs m_sysfs;
    PlatformContext m_context;
};

TEST_F(sysfs_commands_test, detect_prints_the_path_of_the_one_supported_gpu) {
    const std::string twoGPUs = "Found 2 supported AMD GPUs in sysfs (Polaris, device-id 0x67DF "
                                "(0000:03:00.0); RDNA2, device-id 0x73BF (0000:0c:00.0)) and "
                                "none is chosen by order; type the DeviceProperties path of the "
                                "card to use.";
    const struct {
        const char* name;
        std::function<void(FakeSysfs&)> build;
        std::string lastLine;
        std::string alsoPrinted;
    } rows[] = {
        {"Polaris behind one root port",
         [](FakeSysfs& s) {
             s.addRoot("pci0000:00", "0");
             polarisCard(s);
         },
         polarisPath,
         "Detected supported AMD GPU at 0000:03:00.0 in sysfs: Polaris, device-id "
         "0x67DF, path " +
             polarisPath + "."},
        {"Navi behind its two on-card bridges, without an ACPI object",
         [](FakeSysfs& s) {
             s.addRoot("pci0000:00", "0");
             naviCard(s, 0x73BF, false);
         },
         naviPath,
         "The GPU at 0000:0c:00.0 has no ACPI object (no firmware_node in sysfs); macOS "
         "may ignore properties injected for a device missing from ACPI unless an "
         "SSDT adds it."},
        {"second root whose decimal _UID is neither its bus nor its domain",
         [](FakeSysfs& s) {
             s.addRoot("pci0000:00", "0");
             s.addRoot("pci0000:40", "10");
             s.addFunction("pci0000:00/0000:00:01.0", 0x10DE, 0x2484, vga);
             polarisCard(s, 0x67DF, true, "pci0000:40");
         },
         "PciRoot(0xA)/Pci(0x3,0x1)/Pci(0x0,0x0)", ""},
        {"root without firmware_node",
         [](FakeSysfs& s) {
             s.addRoot("pci0000:00", std::nullopt);
             polarisCard(s);
         },
         polarisPath,
         "PCI root pci0000:00 of the GPU at 0000:03:00.0 has no ACPI _UID in sysfs; "
         "it is taken as PciRoot(0x0)."},
        {"two AMD GPUs",
         [](FakeSysfs& s) {
             s.addRoot("pci0000:00", "0");
             polarisCard(s);
             naviCard(s);
         },
         twoGPUs, ""},
        {"no supported GPU",
         [](FakeSysfs& s) {
             s.addRoot("pci0000:00", "0");
             s.addFunction("pci0000:00/0000:00:01.0", 0x10DE, 0x2484, vga);
             naviCard(s, 0x744C);
         },
         "No supported AMD GPU was found in sysfs.", ""},
        {"non-numeric _UID",
         [](FakeSysfs& s) {
             s.addRoot("pci0000:00", "PCI0");
             polarisCard(s);
         },
         "PCI root pci0000:00 of the GPU at 0000:03:00.0 has the ACPI _UID \"PCI0\", which is "
         "not a decimal number PciRoot(0x...) can hold; no DeviceProperties path was formed.",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeSysfs sysfs;
        row.build(sysfs);
        m_context.sysfsDirectory = sysfs.sys();
        const CommandRun result = run(cli::runDetect, {});
        ASSERT_FALSE(result.out.empty());
        EXPECT_EQ(result.out.back(), row.lastLine);
        const bool found = row.lastLine.starts_with("PciRoot(");
        EXPECT_EQ(result.exitCode, found ? 0 : 1);
        EXPECT_EQ(result.err, found ? "" : "ERROR: " + row.lastLine + "\n");
        if (!row.alsoPrinted.empty()) {
            EXPECT_TRUE(printed(result.out, row.alsoPrinted));
        }
    }
}

TEST_F(sysfs_commands_test, from_gpu_reads_the_drivers_table) {
    const Bytes table = test::navi10Table();
    Bytes padded = table;
    padded.resize(4095, 0);
    Bytes truncated = test::rdna2Table(15, 5424);
    truncated.resize(4095);
    const std::string ppTable = (m_sysfs.sys() / "bus/pci/devices/0000:0c:00.0/pp_table").string();
    const struct {
        const char* name;
        std::optional<Bytes> driverTable;
        std::vector<std::string> args;
        int exitCode;
        std::string expected;
    } rows[] = {
        {"padded",
         padded,
         {"--json", "--from-gpu"},
         0,
         "The driver returned 4095 bytes; the table declares " + std::to_string(table.size()) +
             " bytes, so the " + std::to_string(4095 - table.size()) +
             " bytes after it were dropped as padding."},
        {"truncated",
         truncated,
         {"--from-gpu=0000:0C:00.0"},
         1,
         "ERROR: The PowerPlay table in " + ppTable +
             " declares 5424 bytes but the driver returned only 4095 bytes: the table was "
             "truncated by the driver.\n"},
        {"unreadable",
         std::nullopt,
         {"--from-gpu"},
         1,
         "ERROR: Could not read the PowerPlay table from the driver at " + ppTable +
             " (No such file or directory). The driver may refuse while the GPU is "
             "suspended.\n"},
        {"another address",
         table,
         {"--from-gpu=0000:03:00.0"},
         1,
         "ERROR: No supported AMD GPU is at 0000:03:00.0 in sysfs.\n"},
        {"both a file and the GPU",
         table,
         {"--from-gpu", "table.bin"},
         2,
         "ERROR: Give either an input file or --from-gpu, not both.\n"},
    };
    m_sysfs.addRoot("pci0000:00", "0");
    naviCard(m_sysfs, 0x731F);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(ppTable);
        if (row.driverTable) {
            m_sysfs.writePowerPlayTable("0000:0c:00.0", *row.driverTable);
        }
        const CommandRun result = run(cli::runInspect, row.args);
        EXPECT_EQ(result.exitCode, row.exitCode);
        if (row.exitCode == 0) {
            EXPECT_TRUE(printed(result.out, "    \"" + row.expected + "\","));
            EXPECT_TRUE(printed(result.out, "  \"sourceDeviceID\": 29471,"));
        } else {
            EXPECT_EQ(result.err, row.expected);
        }
    }
}

TEST_F(sysfs_commands_test, generated_config_carries_the_table_under_the_right_path) {
    m_sysfs.addRoot("pci0000:00", "0");
    polarisCard(m_sysfs);
    naviCard(m_sysfs, 0x731F);
    const Bytes polaris = test::polarisTable();
    const Bytes navi = test::navi10Table();
    m_sysfs.writePowerPlayTable("0000:03:00.0", polaris);
    m_sysfs.writePowerPlayTable("0000:0c:00.0", navi);
    const fs::path file = m_sysfs.folder() / "table.bin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(polaris.data()),
               static_cast<std::streamsize>(polaris.size()));
    const std::vector<std::string> common{"--preset", "fan35", "--output-dir",
                                          m_context.desktopDirectory.string()};
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string path;
        const Bytes& original;
    } rows[] = {
        // The source's device id picks its own card among the two.
        {"the card read from", {"--from-gpu=0000:0c:00.0"}, naviPath, navi},
        {"the other card", {"--from-gpu=0000:03:00.0"}, polarisPath, polaris},
        {"a Windows location path",
         {"--device-path", "PCIROOT(C0)#PCI(0301)#PCI(0000)", file.string()},
         "PciRoot(0xC0)/Pci(0x3,0x1)/Pci(0x0,0x0)",
         polaris},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = common;
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CommandRun result = run(cli::runGenerate, args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string config = archiveMember("config.plist");
        EXPECT_NE(config.find("<key>" + row.path + "</key>"), std::string::npos);
        EXPECT_NE(config.find("<key>PP_PhmSoftPowerPlayTable</key>"), std::string::npos);
        EXPECT_EQ(archiveMember("Backup/Original-PP_PhmSoftPowerPlayTable.bin"),
                  std::string(row.original.begin(), row.original.end()));
        const bool fromGpu = row.args.front().starts_with("--from-gpu");
        EXPECT_EQ(printed(result.out, "Loaded source identity matches the local GPU exactly."),
                  fromGpu);
    }
}

} // namespace
} // namespace ventora
