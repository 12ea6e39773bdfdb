#include "core/FileSystem.hpp"
#include "support/PowerPlayTables.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>
#include <tuple>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class cli_test : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("ventora-cli-test-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path write(const std::string& name, const Bytes& bytes) {
        FileSystem::writeFileAtomically(m_dir / name, bytes);
        return m_dir / name;
    }

    CliRun run(const std::string& arguments) {
        const std::string command = std::string("'") + VENTORA_CLI + "' " + arguments + " >'" +
                                    (m_dir / "out").string() + "' 2>'" + (m_dir / "err").string() +
                                    "'";
        const int status = std::system(command.c_str());
        return {WEXITSTATUS(status), slurp(m_dir / "out"), slurp(m_dir / "err")};
    }

    fs::path m_dir;
};

TEST_F(cli_test, inspect_json_reports_every_family) {
    for (const GpuFamily family : {GpuFamily::rdna2, GpuFamily::polaris, GpuFamily::vega10,
                                   GpuFamily::vega20, GpuFamily::navi10}) {
        SCOPED_TRACE(std::string(rawValue(family)));
        const Bytes table = tableOfFamily(family);
        const fs::path file = write("table.bin", table);
        const CliRun result = run("inspect --json '" + file.string() + "'");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto json = nlohmann::json::parse(result.out);
        const FanFields fields = fanFieldsOf(family, table);
        EXPECT_EQ(json["family"], rawValue(family));
        EXPECT_EQ(json["tableSize"], table.size());
        EXPECT_EQ(json["source"], file.string());
        EXPECT_EQ(json["offsets"]["fanZeroRpmEnable"], fields.zeroRpmEnable);
        EXPECT_EQ(json["offsets"]["fanStopTemp"], fields.stopTemperature);
        EXPECT_EQ(json["values"]["fanStartTemp"], 60 - (family == GpuFamily::navi10 ? 5 : 0));
        EXPECT_TRUE(json["sourceVendorID"].is_null());
        EXPECT_EQ(json["log"][0], "Loaded binary SPPT: " + file.string());
    }
}

TEST_F(cli_test, refused_tables_exit_3_with_nulls_and_the_reason) {
    Bytes table = polarisTable();
    putU16(table, 5, 76);
    const CliRun result = run("inspect --json '" + write("bad.bin", table).string() + "'");
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err,
              "ERROR: Unsupported AMD PowerPlay layout. Output was blocked to avoid unsafe "
              "patching.\n");
    const auto json = nlohmann::json::parse(result.out);
    EXPECT_TRUE(json["family"].is_null());
    EXPECT_TRUE(json["offsets"].is_null());
    EXPECT_TRUE(json["values"].is_null());
    EXPECT_EQ(json["log"].back(), "Polaris PowerPlay header size is not the validated 77-byte "
                                  "ATOM Tonga/Polaris layout.");

    const fs::path out = m_dir / "patched.bin";
    const CliRun patchRun = run("patch --preset fan35 '" + (m_dir / "bad.bin").string() + "' -o '" +
                                out.string() + "'");
    EXPECT_EQ(patchRun.exitCode, 3);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(cli_test, patch_writes_only_the_patched_table) {
    const Bytes table = vega20Table();
    const fs::path input = write("vega20.bin", table);
    const fs::path out = m_dir / "patched.bin";
    for (const auto& [preset, start, stop] :
         {std::tuple{"fan35", 35, 30}, {"custom --start 45 --stop 40", 45, 40}}) {
        SCOPED_TRACE(preset);
        const CliRun result = run(std::string("patch --preset ") + preset + " '" + input.string() +
                                  "' -o '" + out.string() + "'");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find("Patch status: APPLIED."), std::string::npos);
        const Bytes patched = FileSystem::readWholeFile(out);
        EXPECT_EQ(patched.size(), table.size());
        EXPECT_EQ(ByteUtils::readUInt16LE(patched, 1092), start);
        EXPECT_EQ(ByteUtils::readUInt16LE(patched, 1090), stop);
        EXPECT_EQ(FileSystem::readWholeFile(input), table);
    }
}

TEST_F(cli_test, inspect_text_states_what_the_table_does_today) {
    Bytes refused = polarisTable();
    putU16(refused, 5, 76);
    for (const auto& [table, state] :
         {std::pair{navi10Table(), "State: Navi 10 · fan-stop on · starts 55 °C, stops 50 °C\n"},
          {refused, "State: Not a supported layout: it will not be patched\n"}}) {
        SCOPED_TRACE(state);
        const CliRun result = run("inspect '" + write("table.bin", table).string() + "'");
        EXPECT_NE(result.out.find(state), std::string::npos) << result.out;
    }
}

TEST_F(cli_test, never_overwrites_the_input) {
    const fs::path input = write("navi10.bin", navi10Table());
    const CliRun result =
        run("patch --preset zero-rpm-off '" + input.string() + "' -o '" + input.string() + "'");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "ERROR: The output file must not be the input file.\n");
    EXPECT_EQ(FileSystem::readWholeFile(input), navi10Table());
}

TEST_F(cli_test, usage_errors_exit_2) {
    for (const std::string arguments :
         {"", "frobnicate", "inspect", "inspect a b", "patch --preset fan35 x.bin",
          "patch --preset fan40 x.bin -o y.bin", "inspect --verbose x.bin", "detect extra"}) {
        SCOPED_TRACE(arguments);
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find("usage: ventora-cli"), std::string::npos);
        EXPECT_NE(result.err.find("ERROR: "), std::string::npos);
    }
    // Custom thresholds that are missing, not whole numbers or outside the ranges, and
    // thresholds given to another preset.
    for (const std::string thresholds :
         {"custom --start 40 --stop 38", "custom --start 95 --stop 40", "custom --start 45",
          "custom --start 4x --stop 40", "custom --start 45.5 --stop 40"}) {
        SCOPED_TRACE(thresholds);
        const CliRun result = run("patch --preset " + thresholds + " x.bin -o y.bin");
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find("The start temperature must be a whole number from 25 to 90 "
                                  "°C, and the stop temperature a whole number from 20 °C up to "
                                  "3 °C below the start.\n"),
                  std::string::npos)
            << result.err;
    }
    EXPECT_EQ(run("patch --preset fan35 --start 45 --stop 40 x.bin -o y.bin").exitCode, 2);
}

TEST_F(cli_test, load_failures_exit_1_with_the_loader_message) {
    const CliRun result = run("inspect '" + write("tiny.bin", Bytes(10, 1)).string() + "'");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "ERROR: Parsed SPPT from tiny.bin is too small (10 bytes).\n");
}

} // namespace
} // namespace ventora
