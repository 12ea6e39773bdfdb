#include "cli/CommandLine.hpp"
#include "core/AppError.hpp"
#include "core/Ascii.hpp"
#include "core/FileSystem.hpp"
#include "output/OutputBuilder.hpp"
#include "support/FakeSysfs.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr unsigned amd = 0x1002, vga = 0x030000, bridge = 0x060400;
const std::string polarisPath = "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)";
const std::string naviPath = "PciRoot(0x0)/Pci(0x1,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";

// A Polaris card in the slot of root port 03.1 of `root`.
void polarisCard(test::FakeSysfs& sysfs, const std::string& root = "pci0000:00") {
    const std::string bus = root.substr(8);
    sysfs.addFunction(root + "/0000:" + bus + ":03.1", 0x1022, 0x1453, bridge);
    sysfs.addFunction(root + "/0000:" + bus + ":03.1/0000:" + (bus == "00" ? "03" : "41") + ":00.0",
                      amd, 0x67DF, vga);
}

// A Navi card behind root port 00:01.1 and its own upstream and downstream switch ports.
void naviCard(test::FakeSysfs& sysfs, unsigned device = 0x731F) {
    const std::string up = "pci0000:00/0000:00:01.1/0000:0a:00.0";
    sysfs.addFunction("pci0000:00/0000:00:01.1", 0x1022, 0x1483, bridge);
    sysfs.addFunction(up, amd, 0x1478, bridge);
    sysfs.addFunction(up + "/0000:0b:00.0", amd, 0x1479, bridge);
    sysfs.addFunction(up + "/0000:0b:00.0/0000:0c:00.0", amd, device, vga);
}

struct CliRun {
    int exitCode;
    std::string text, err;
    Lines out;
};

class CommandLine : public testing::Test {
protected:
    CommandLine() {
        fs::create_directory(sysfs.folder() / "tmp");
        context.temporaryDirectory = sysfs.folder() / "tmp";
        context.desktopDirectory = sysfs.folder() / "Desktop";
        context.resourcesDirectory = fs::path(VENTORA_BASE_CONFIG_PATH).parent_path();
        context.ioregExecutable = sysfs.folder() / "no-ioreg";
        context.zipExecutable = "/usr/bin/zip";
        context.sysfsDirectory = sysfs.sys();
        sysfs.addRoot("pci0000:00", "0");
    }

    CliRun run(const Lines& words) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int exitCode = cli::runCommandLine(words, [this] { return context; });
        const std::string out = testing::internal::GetCapturedStdout();
        const auto views = Ascii::lines(out);
        return {
            exitCode, out, testing::internal::GetCapturedStderr(), {views.begin(), views.end()}};
    }

    std::string write(const std::string& name, const Bytes& bytes) const {
        FileSystem::writeFileAtomically(sysfs.folder() / name, bytes);
        return (sysfs.folder() / name).string();
    }

    test::FakeSysfs sysfs;
    PlatformContext context;
};

TEST_F(CommandLine, UsageErrorsExit2WithTheUsage) {
    const std::string usage =
        "usage: ventora-cli inspect [--json] FILE\n"
        "       ventora-cli patch --preset PRESET FILE -o OUT.bin\n"
        "       ventora-cli generate --preset PRESET [--device-path PATH] [--output-dir DIR]\n"
        "                            [--config CONFIG.plist] FILE\n"
        "       ventora-cli detect\n"
        "PRESET: zero-rpm-off | fan35 | custom --start START --stop STOP (whole degrees "
        "Celsius)\n"
        "FILE may be --from-gpu[=ADDRESS]: the table the running driver uses (Linux).\n";
    const std::string ranges = PatchMode::customRanges();
    const std::vector<std::pair<Lines, std::string>> cases = {
        {{}, "No command given."},
        {{"inspect", "--verbose", "x"}, "Unknown option --verbose."},
        {{"patch", "-o", "y", "-o", "z"}, "Option -o was given twice."},
        {{"patch", "--preset", "fan40", "x", "-o", "y"},
         "Unknown preset fan40; use zero-rpm-off, fan35 or custom."},
        {{"patch", "--preset", "custom", "--start", "45.5", "--stop", "40", "x", "-o", "y"},
         "--start 45.5 is not a whole number. " + ranges},
        {{"inspect", "--from-gpu", "x"}, "Give either an input file or --from-gpu, not both."},
    };
    for (const auto& [words, message] : cases) {
        const CliRun result = run(words);
        EXPECT_EQ(std::tuple(result.exitCode, result.text, result.err),
                  std::tuple(2, "", usage + "ERROR: " + message + "\n"));
    }
}

TEST_F(CommandLine, PatchWritesOnlyThePatchedTableAndNeverTheInput) {
    const Bytes table = test::vega20Table();
    const std::string input = write("vega20.bin", table);
    const fs::path out = sysfs.folder() / "patched.bin";
    const CliRun result = run({"patch", "--preset", "custom", "--start", "45", "--stop", "40",
                               input, "-o", out.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.back(), "Patched table written: " + out.string());
    const Bytes patched = FileSystem::readWholeFile(out);
    EXPECT_EQ(patched.size(), table.size());
    EXPECT_EQ(ByteUtils::readUInt16LE(patched, 1092), 45);
    EXPECT_EQ(ByteUtils::readUInt16LE(patched, 1090), 40);
    const CliRun same = run({"patch", "--preset", "zero-rpm-off", input, "-o", input});
    EXPECT_EQ(std::tuple(same.exitCode, same.err),
              std::tuple(1, "ERROR: The output file must not be the input file.\n"));
    EXPECT_EQ(FileSystem::readWholeFile(input), table);
}

TEST_F(CommandLine, UnsupportedTablesExit3AndWriteNothing) {
    Bytes table = test::polarisTable();
    test::put(table, 5, 2, 76);
    const std::string input = write("bad.bin", table);
    const fs::path out = sysfs.folder() / "out";
    for (const Lines& words :
         {Lines{"inspect", "--json", input},
          Lines{"patch", "--preset", "fan35", input, "-o", out.string()},
          Lines{"generate", "--preset", "fan35", "--output-dir", out.string(), input}}) {
        const CliRun result = run(words);
        EXPECT_EQ(std::tuple(result.exitCode, result.err, fs::exists(out)),
                  std::tuple(3, "ERROR: " + std::string(unsupportedLayoutMessage) + "\n", false));
    }
    const auto json = nlohmann::json::parse(run({"inspect", "--json", input}).text);
    EXPECT_TRUE(json["family"].is_null() && json["offsets"].is_null() && json["values"].is_null());
}

TEST_F(CommandLine, InspectShowsTheFanFields) {
    const std::string file = write("navi10.bin", test::navi10Table());
    nlohmann::json json = nlohmann::json::parse(run({"inspect", "--json", file}).text);
    EXPECT_EQ(json["log"][0], "Loaded binary SPPT: " + file);
    json.erase("log");
    EXPECT_EQ(json, nlohmann::json::parse(R"({"source": ")" + file + R"(", "tableSize": 1674,
        "family": "Navi 10", "layout": "Navi 10 RX 5600/5700 family / PowerPlay 12.0",
        "offsets": {"fanZeroRpmEnable": 1156, "fanStopTemp": 1118, "fanStartTemp": 1120},
        "values": {"fanZeroRpmEnable": 1, "fanStopTemp": 50, "fanStartTemp": 55},
        "sourceVendorID": null, "sourceDeviceID": null})"));
}

TEST_F(CommandLine, FromGpuReadsTheDriversTable) {
    naviCard(sysfs);
    sysfs.writePowerPlayTable("0000:0c:00.0", test::navi10Table());
    // sysfs spells addresses in lower case; a typed upper-case one means the same function.
    const CliRun found = run({"inspect", "--json", "--from-gpu=0000:0C:00.0"});
    EXPECT_EQ(found.exitCode, 0) << found.err;
    EXPECT_EQ(nlohmann::json::parse(found.text)["sourceDeviceID"], 0x731F);
    EXPECT_EQ(run({"inspect", "--from-gpu=0000:03:00.0"}).err,
              "ERROR: No supported AMD GPU is at 0000:03:00.0 in sysfs.\n");
}

TEST_F(CommandLine, DetectPrintsThePathAloneOnTheLastLine) {
    using Build = std::function<void(test::FakeSysfs&)>;
    const std::vector<std::tuple<Build, std::string, int>> cases = {
        {[](auto& s) { polarisCard(s); }, polarisPath, 0},
        {[](auto& s) { naviCard(s); }, naviPath, 0},
        // A second root's decimal _UID is neither its bus nor its domain.
        {[](auto& s) { s.addRoot("pci0000:40", "10"), polarisCard(s, "pci0000:40"); },
         "PciRoot(0xA)/Pci(0x3,0x1)/Pci(0x0,0x0)", 0},
        {[](auto& s) { naviCard(s, 0x744C); }, "No supported AMD GPU was found in sysfs.", 1},
    };
    for (const auto& [build, last, exitCode] : cases) {
        SCOPED_TRACE(last);
        test::FakeSysfs machine;
        machine.addRoot("pci0000:00", "0");
        build(machine);
        context.sysfsDirectory = machine.sys();
        const CliRun result = run({"detect"});
        EXPECT_TRUE(("\n" + result.text).ends_with("\n" + last + "\n")) << result.text;
        EXPECT_EQ(std::tuple(result.exitCode, result.err),
                  std::tuple(exitCode, exitCode == 0 ? "" : "ERROR: " + last + "\n"));
    }
}

TEST_F(CommandLine, GeneratePrintsTheExportAndWritesItsArchive) {
    naviCard(sysfs);
    sysfs.writePowerPlayTable("0000:0c:00.0", test::navi10Table());
    const std::string file = write("table.bin", test::polarisTable());
    const std::string mine =
        write("config.plist", FileSystem::readWholeFile(VENTORA_BASE_CONFIG_PATH));
    const std::string windows = "PciRoot(0xC0)/Pci(0x3,0x1)/Pci(0x0,0x0)";
    // The source's device id picks its own card; a typed path wins; the user's config is only
    // read. The path shown, if typed, and the one used.
    const std::vector<std::tuple<PatchMode, std::optional<std::string>, std::string, Lines>> cases =
        {{PatchMode::fan35, {}, naviPath, {"--preset", "fan35", "--from-gpu=0000:0c:00.0"}},
         {PatchMode::custom(45, 40),
          windows,
          windows,
          {"--preset", "custom", "--start", "45", "--stop", "40", "--device-path",
           "PCIROOT(C0)#PCI(0301)#PCI(0000)", "--config", mine, file}}};
    for (const auto& [mode, shown, used, options] : cases) {
        SCOPED_TRACE(archiveName(mode));
        Lines words{"generate", "--output-dir", context.desktopDirectory.string()};
        words.insert(words.end(), options.begin(), options.end());
        const CliRun result = run(words);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const fs::path archive = context.desktopDirectory / archiveName(mode);
        // The report follows, as the archive holds it.
        Lines expected = OutputBuilder::openingLines(mode, shown);
        expected.insert(expected.end(), {"Export completed: " + archive.string(), "Ventora"});
        const auto start =
            std::search(result.out.begin(), result.out.end(), expected.begin(), expected.end());
        EXPECT_TRUE(fs::exists(archive) && start != result.out.end());
        EXPECT_NE(std::find(start, result.out.end(), "DeviceProperties path used: " + used),
                  result.out.end());
    }
    EXPECT_EQ(FileSystem::readWholeFile(mine), FileSystem::readWholeFile(VENTORA_BASE_CONFIG_PATH));
}

} // namespace
} // namespace ventora
