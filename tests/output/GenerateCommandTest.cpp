#include "OutputSandbox.hpp"
#include "output/Plist.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace ventora {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode;
    std::vector<std::string> out;
    std::string err;
};

class GenerateCommandTest : public ::testing::Test {
protected:
    CliRun run(const std::string& arguments) {
        const fs::path errFile = sandbox.root() / "stderr.txt";
        const std::string command = std::string("'") + VENTORA_CLI + "' generate " + arguments +
                                    " 2>'" + errFile.string() + "'; echo \"exit=$?\"";
        auto out = test::splitLines(test::commandOutput(command));
        if (!out.empty() && out.back().empty()) {
            out.pop_back();
        }
        const int exitCode = std::stoi(out.back().substr(5));
        out.pop_back();
        const Bytes err = test::readFile(errFile);
        return {exitCode, out, std::string(err.begin(), err.end())};
    }

    fs::path writeInput(const Bytes& table) {
        const fs::path input = sandbox.root() / "table.bin";
        test::writeFile(input, table);
        return input;
    }

    test::OutputSandbox sandbox;
    fs::path outputDir = sandbox.root() / "out";
};

TEST_F(GenerateCommandTest, prints_the_window_log_and_writes_the_archive) {
    const fs::path input = writeInput(test::vega20Table());
    struct Row {
        std::string preset, name, archive;
    };
    for (const Row& row :
         {Row{"fan35", "Fan 35 °C / Stop 30 °C", "ZeroRPM35.zip"},
          Row{"custom --start 45 --stop 40", "Fan 45 °C / Stop 40 °C", "ZeroRPM45-40.zip"}}) {
        SCOPED_TRACE(row.preset);
        const CliRun result = run("--preset " + row.preset + " --output-dir '" +
                                  outputDir.string() + "' '" + input.string() + "'");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto start =
            std::find(result.out.begin(), result.out.end(), "Starting " + row.name + " export...");
        ASSERT_NE(start, result.out.begin()) << "the loader's lines come first";
        ASSERT_NE(start, result.out.end());
        ASSERT_GT(result.out.end() - start, 4);
        EXPECT_EQ(*(start + 1), "No manual DeviceProperties path selected; locating GFX0/AMD in "
                                "IORegistry. A generic fallback will be used if no usable path "
                                "is found.");
        EXPECT_EQ(*(start + 2), "IMPORTANT: Review/confirm the DeviceProperties path before "
                                "using the generated config.plist.");
        const fs::path archive = outputDir / row.archive;
        EXPECT_EQ(*(start + 3), "Export completed: " + archive.string());
        const Bytes report = test::archiveMember(archive, "ZeroRPM-Report.txt");
        const auto reportLines = test::splitLines(std::string(report.begin(), report.end()));
        EXPECT_EQ(std::vector<std::string>(start + 4, result.out.end()), reportLines);
        EXPECT_NE(std::find(reportLines.begin(), reportLines.end(), "Preset: " + row.name),
                  reportLines.end());
    }
}

TEST_F(GenerateCommandTest, typed_path_is_announced_in_canonical_form_unless_blank) {
    const fs::path input = writeInput(test::polarisTable());
    for (const auto& [typed, line] : std::vector<std::pair<std::string, std::string>>{
             {" PciRoot(0x0)/Pci(0x01,0x0)",
              "Using manual supported AMD GPU DeviceProperties path: PciRoot(0x0)/Pci(0x1,0x0)"},
             {"\u00A0\u2028",
              "No manual DeviceProperties path selected; locating GFX0/AMD in IORegistry. A "
              "generic fallback will be used if no usable path is found."}}) {
        SCOPED_TRACE(typed);
        fs::remove(outputDir / "ZeroRPM.zip");
        const CliRun result =
            run("--preset zero-rpm-off --device-path '" + typed + "' --output-dir '" +
                outputDir.string() + "' '" + input.string() + "'");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(std::find(result.out.begin(), result.out.end(), line), result.out.end());
        EXPECT_TRUE(fs::exists(outputDir / "ZeroRPM.zip"));
    }
}

TEST_F(GenerateCommandTest, merges_into_the_users_config_and_only_reads_it) {
    const fs::path folder = sandbox.root() / "EFI" / "OC";
    fs::create_directories(folder);
    const fs::path mine = folder / "config.plist";
    fs::copy_file(VENTORA_OPENCORE_SAMPLE_PATH, mine);
    const Bytes original = test::readFile(mine);
    const auto modified = fs::last_write_time(mine);
    const fs::path validator = folder / "ocvalidate";
    test::writeFile(validator, std::string("#!/bin/sh\n[ -f \"$1\" ] || exit 9\n"
                                           "echo \"Completed validating $1 in 1 ms. No issues "
                                           "found.\"\n"));
    fs::permissions(validator, fs::perms::owner_all);
    const std::string gpu = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";

    const CliRun result = run("--preset fan35 --config '" + mine.string() + "' --device-path '" +
                              gpu + "' --output-dir '" + outputDir.string() + "' '" +
                              writeInput(test::vega20Table()).string() + "'");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::readFile(mine), original);
    EXPECT_EQ(fs::last_write_time(mine), modified);
    const fs::path archive = outputDir / "ZeroRPM35.zip";
    EXPECT_EQ(test::archiveMember(archive, "Backup/Original-config.plist"), original);
    for (const std::string& line :
         {std::string("Base config: config.plist"),
          "ocvalidate (" + validator.string() +
              ") found the merged config.plist valid: Completed validating config.plist in 1 "
              "ms. No issues found."}) {
        EXPECT_NE(std::find(result.out.begin(), result.out.end(), line), result.out.end()) << line;
    }
    // Without the GPU's new entry, the result is the user's config in every key and value.
    const Plist::PlistPtr merged =
        Plist::parse(test::archiveMember(archive, "config.plist"), "merged");
    plist_t add =
        Plist::item(Plist::item(merged.get(), "DeviceProperties", PLIST_DICT), "Add", PLIST_DICT);
    ASSERT_NE(
        Plist::item(Plist::item(add, gpu, PLIST_DICT), "PP_PhmSoftPowerPlayTable", PLIST_DATA),
        nullptr);
    Plist::removeItem(add, gpu);
    EXPECT_EQ(Plist::toXml(merged.get()), Plist::toXml(Plist::parse(original, "mine").get()));
}

TEST_F(GenerateCommandTest, refusals_and_their_exit_codes) {
    const fs::path arrayRoot = sandbox.root() / "array.plist";
    test::writeFile(arrayRoot, std::string("<plist version=\"1.0\"><array/></plist>"));
    Bytes unsupported = test::polarisTable();
    std::fill(unsupported.begin() + 2, unsupported.end(), std::uint8_t{0xEE});
    struct Case {
        const char* name;
        Bytes table;
        std::string extra;
        int exitCode;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"unsupported table", unsupported, "", 3,
         "ERROR: Unsupported AMD PowerPlay layout. Output was blocked to avoid unsafe "
         "patching.\n"},
        {"incomplete path", test::polarisTable(), "--device-path 'PciRoot(0x0)'", 1,
         "ERROR: Invalid DeviceProperties path override. Output was blocked instead of "
         "silently using another path.\n"},
        {"config with an array root", test::polarisTable(), "--config '" + arrayRoot.string() + "'",
         1,
         "ERROR: The chosen base config " + arrayRoot.string() +
             " is not a valid plist dictionary.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path input = writeInput(c.table);
        const CliRun result = run("--preset fan35 " + c.extra + " --output-dir '" +
                                  outputDir.string() + "' '" + input.string() + "'");
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.err, c.err);
        EXPECT_FALSE(fs::exists(outputDir / "ZeroRPM35.zip"));
    }
    // Named, not a temporary: GCC 12 at -O3 misreads "literal" + std::string&& as overlapping.
    const std::string missing = (sandbox.root() / "x.bin").string();
    EXPECT_EQ(run("'" + missing + "'").exitCode, 2);
    // Thresholds outside the ranges are refused before the input is even read.
    const CliRun outside =
        run("--preset custom --start 40 --stop 38 --output-dir '" + outputDir.string() + "' '" +
            writeInput(test::polarisTable()).string() + "'");
    EXPECT_EQ(outside.exitCode, 2);
    EXPECT_TRUE(outside.out.empty());
    EXPECT_FALSE(fs::exists(outputDir / "ZeroRPM40-38.zip"));
}

} // namespace
} // namespace ventora
