#include "PatchTestSupport.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace test;

std::vector<std::string> withSummary(std::vector<std::string> lines, const std::string& status,
                                     const std::string& preset, int changed) {
    std::vector<std::string> all = patchPreamble;
    all.insert(all.end(), lines.begin(), lines.end());
    all.push_back("Patch status: " + status + ".");
    all.push_back("Preset: " + preset + ".");
    all.push_back("Changed bytes: " + std::to_string(changed) + ".");
    if (changed > 0) {
        all.emplace_back("Preset applied successfully to the PowerPlay/SPPT bytes.");
    }
    return all;
}

const std::string fan35Name = "Fan 35 °C / Stop 30 °C";
const std::string pureName = "ZeroRPM OFF / Fan Always On";

TEST(preset_test, polaris_fan35_complete_log) {
    Bytes table = polarisTable();
    putU8(table, 0x180 + 43, 0);
    const PatchResult result = patch(table, PatchMode::fan35);
    EXPECT_EQ(
        result.messages,
        withSummary(
            {"PowerPlay header: size=640 bytes, revision=7.1.",
             "Detected supported layout: Polaris RX 560/570/580 / ATOM Fan Table rev 9.",
             "Polaris fan table offset: 0x180, revision 9.",
             "Validated offsets: ZeroRPM=0x1AB, StopTemp=0x1AC, StartTemp=0x1AD.",
             "Selected preset: Fan Start 35 °C / Stop 30 °C (Polaris).",
             "Target Polaris state: Zero RPM enabled; fan starts at 35 °C and stops at 30 °C.",
             "Polaris / Zero RPM Enable: byte offset 0x1AB changed from 0x00 to 0x01.",
             "Polaris / Start Temperature: byte offset 0x1AD changed from 0x3C to 0x23.",
             "Polaris / Stop Temperature: byte offset 0x1AC changed from 0x32 to 0x1E."},
            "APPLIED", fan35Name, 3));
    EXPECT_EQ(result.gpuFamily, GpuFamily::polaris);
    EXPECT_EQ(result.presetName, fan35Name);
}

TEST(preset_test, vega10_both_presets) {
    const Bytes table = vega10Table(10);
    const std::vector<std::string> detection{
        "PowerPlay header: size=600 bytes, revision=8.1.",
        "Detected supported layout: Vega 10 RX Vega 56/64/Frontier Edition / ATOM Fan Table rev "
        "10.",
        "Vega 10 fan table offset: 0x140, revision 10.",
        "Validated offsets: ZeroRPM=0x15D, StopTemp=0x15E, StartTemp=0x160."};
    auto pure = detection;
    pure.insert(pure.end(),
                {"Selected preset: ZeroRPM OFF / Fan Always On (Vega 10).",
                 "Target Vega 10 state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the fan "
                 "remains under normal active fan control; existing Start/Stop temperatures are "
                 "preserved.",
                 "Vega 10 / Zero RPM Enable: byte offset 0x15D changed from 0x01 to 0x00."});
    EXPECT_EQ(patch(table, PatchMode::zeroRpmPure).messages,
              withSummary(pure, "APPLIED", pureName, 1));

    auto fan = detection;
    fan.insert(fan.end(),
               {"Selected preset: Fan Start 35 °C / Stop 30 °C (Vega 10).",
                "Target Vega 10 state: Zero RPM enabled; fan starts at 35 °C and stops at 30 °C.",
                "Vega 10 / Zero RPM Enable: byte offset 0x15D changed from 0x01 to 0x01.",
                "Vega 10 / Start Temperature: WORD offset 0x160 changed from 60 °C to 35 °C.",
                "Vega 10 / Stop Temperature: WORD offset 0x15E changed from 50 °C to 30 °C."});
    const PatchResult result = patch(table, PatchMode::fan35);
    EXPECT_EQ(result.messages, withSummary(fan, "APPLIED", fan35Name, 2));
    EXPECT_EQ(result.data[0x160], 0x23);
    EXPECT_EQ(result.data[0x161], 0x00);
    EXPECT_EQ(result.data[0x15E], 0x1E);
    EXPECT_EQ(result.data[0x15F], 0x00);
}

TEST(preset_test, vega20_both_presets) {
    const Bytes table = vega20Table();
    const std::vector<std::string> detection{
        "PowerPlay header: size=1730 bytes, revision=11.0.",
        "Detected supported layout: Vega 20 Radeon VII / PowerPlay 11.0.",
        "Validated offsets: OD8 ZeroRPM cap=0xB5, StopTemp=0x442, StartTemp=0x444, "
        "FanZeroRpmEnable=0x460."};
    auto pure = detection;
    pure.insert(pure.end(),
                {"Selected preset: ZeroRPM OFF / Fan Always On (Vega 20 / Radeon VII).",
                 "Target Vega 20 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; "
                 "Start/Stop temperatures are preserved. OD8 Zero RPM capability is preserved "
                 "exactly as loaded.",
                 "Vega 20 / Zero RPM Enable: byte offset 0x460 changed from 0x01 to 0x00."});
    EXPECT_EQ(patch(table, PatchMode::zeroRpmPure).messages,
              withSummary(pure, "APPLIED", pureName, 1));

    Bytes capabilityOff = table;
    putU8(capabilityOff, 181, 0);
    putU8(capabilityOff, 1120, 0);
    const PatchResult result = patch(capabilityOff, PatchMode::fan35);
    EXPECT_EQ(afterPreamble(result).at(3),
              "Selected preset: Fan Start 35 °C / Stop 30 °C (Vega 20 / Radeon VII).");
    EXPECT_EQ(afterPreamble(result).at(4),
              "Target Vega 20 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at "
              "30 °C. OD8 Zero RPM capability is preserved exactly as loaded.");
    EXPECT_EQ(result.data[1120], 1);
    EXPECT_EQ(result.data[181], 0) << "the capability byte is never written";
}

TEST(preset_test, navi10_both_presets) {
    const Bytes table = navi10Table();
    const std::vector<std::string> detection{
        "PowerPlay header: size=1674 bytes, revision=12.0.",
        "Detected supported layout: Navi 10 RX 5600/5700 family / PowerPlay 12.0.",
        "Validated offsets: OD ZeroRPM cap=0xCB, StopTemp=0x45E, StartTemp=0x460, "
        "FanZeroRpmEnable=0x484."};
    auto fan = detection;
    fan.insert(fan.end(),
               {"Selected preset: Fan Start 35 °C / Stop 30 °C (Navi 10).",
                "Target Navi 10 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at "
                "30 °C. OD Zero RPM capability is preserved exactly as loaded.",
                "Navi 10 / Zero RPM Enable: byte offset 0x484 changed from 0x01 to 0x01.",
                "Navi 10 / Start Temperature: WORD offset 0x460 changed from 55 °C to 35 °C.",
                "Navi 10 / Stop Temperature: WORD offset 0x45E changed from 50 °C to 30 °C."});
    EXPECT_EQ(patch(table, PatchMode::fan35).messages, withSummary(fan, "APPLIED", fan35Name, 2));

    const auto pure = afterPreamble(patch(table, PatchMode::zeroRpmPure));
    EXPECT_EQ(pure.at(3), "Selected preset: ZeroRPM OFF / Fan Always On (Navi 10).");
    EXPECT_EQ(pure.at(4), "Target Navi 10 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM "
                          "mode; Start/Stop temperatures are preserved. OD Zero RPM capability is "
                          "preserved exactly as loaded.");
    EXPECT_EQ(pure.at(5),
              "Navi 10 / Zero RPM Enable: byte offset 0x484 changed from 0x01 to 0x00.");
}

TEST(preset_test, rdna2_both_presets) {
    const Bytes table = rdna2Table(16);
    const std::vector<std::string> detection{
        "PowerPlay header: size=2470 bytes, revision=16.0.",
        "RDNA2 PowerPlay details: revision=16.0, table revision=2, SMC offset=0x322.",
        "SMC PPTable Version 118 observed; compatibility is determined by the strict SMU 11.0.7 "
        "structural guards, not by a version allowlist.",
        "Detected supported layout: Navi 21/22/23 / SMU 11.0.7.",
        "Validated offsets: Features cap=0xCB, StopTemp=0x6FE, StartTemp=0x700, "
        "FanZeroRpmEnable=0x728.",
        "SMC FeaturesToRun bit 9 is DPM_XGMI and is intentionally left unchanged."};
    auto pure = detection;
    pure.insert(pure.end(), {"Selected preset: ZeroRPM OFF / Fan Always On.",
                             "Target RDNA2 state: FanZeroRpmEnable = 0 so the fan-stop/0-RPM mode "
                             "is disabled; Start/Stop temperatures and the OD capability are "
                             "preserved.",
                             "RDNA2 / Fan Zero RPM Enable: byte offset 0x728 changed from 0x01 to "
                             "0x00."});
    EXPECT_EQ(patch(table, PatchMode::zeroRpmPure).messages,
              withSummary(pure, "APPLIED", pureName, 1));

    auto fan = detection;
    fan.insert(fan.end(), {"Selected preset: Fan Start 35 °C / Stop 30 °C.",
                           "Target RDNA2 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may "
                           "stop at 30 °C. The OD capability byte is preserved exactly as loaded.",
                           "RDNA2 / Fan Zero RPM Enable: byte offset 0x728 changed from 0x01 to "
                           "0x01.",
                           "Fan tab / Start Temperature: WORD offset 0x700 changed from 60 °C to "
                           "35 °C.",
                           "Fan tab / Stop Temperature: WORD offset 0x6FE changed from 50 °C to "
                           "30 °C."});
    EXPECT_EQ(patch(table, PatchMode::fan35).messages, withSummary(fan, "APPLIED", fan35Name, 2));
}

TEST(preset_test, already_matched_table_logs_every_edit_but_changes_nothing) {
    for (const GpuFamily family : {GpuFamily::rdna2, GpuFamily::polaris, GpuFamily::vega10,
                                   GpuFamily::vega20, GpuFamily::navi10}) {
        SCOPED_TRACE(std::string(rawValue(family)));
        const Bytes once = patch(tableOfFamily(family), PatchMode::fan35).data;
        const PatchResult again = patch(once, PatchMode::fan35);
        EXPECT_EQ(again.changedByteCount, 0);
        EXPECT_EQ(again.patchStatus, "ALREADY_MATCHED_OR_NO_BYTE_CHANGE");
        EXPECT_TRUE(again.automaticLayoutSupported);
        EXPECT_EQ(again.data, once);
        EXPECT_EQ(again.messages.back(), "Changed bytes: 0.");
        const auto edits = std::count_if(
            again.messages.begin(), again.messages.end(), [](const std::string& line) {
                return line.find(" changed from ") != std::string::npos;
            });
        EXPECT_EQ(edits, 3);
    }
}

TEST(preset_test, fan35_then_zero_rpm_pure_changes_only_the_enable_byte) {
    for (const GpuFamily family : {GpuFamily::rdna2, GpuFamily::polaris, GpuFamily::vega10,
                                   GpuFamily::vega20, GpuFamily::navi10}) {
        SCOPED_TRACE(std::string(rawValue(family)));
        const Bytes fan = patch(tableOfFamily(family), PatchMode::fan35).data;
        const PatchResult pure = patch(fan, PatchMode::zeroRpmPure);
        const FanFields fields = fanFieldsOf(family, fan);
        EXPECT_EQ(pure.changedByteCount, 1);
        EXPECT_EQ(pure.data[fields.zeroRpmEnable], 0);
        EXPECT_EQ(pure.data[fields.startTemperature], 35);
        EXPECT_EQ(pure.data[fields.stopTemperature], 30);
    }
}

// The user's thresholds run the fan35 procedure with other numbers: same edits, same order,
// same wording, byte temperatures on Polaris and words elsewhere; nothing else is written.
TEST(preset_test, custom_thresholds_on_every_family) {
    struct Row {
        GpuFamily family;
        std::vector<std::string> presetLines;
    };
    const Row rows[] = {
        {GpuFamily::polaris,
         {"Selected preset: Fan Start 45 °C / Stop 40 °C (Polaris).",
          "Target Polaris state: Zero RPM enabled; fan starts at 45 °C and stops at 40 °C.",
          "Polaris / Zero RPM Enable: byte offset 0x1AB changed from 0x01 to 0x01.",
          "Polaris / Start Temperature: byte offset 0x1AD changed from 0x3C to 0x2D.",
          "Polaris / Stop Temperature: byte offset 0x1AC changed from 0x32 to 0x28."}},
        {GpuFamily::vega10,
         {"Selected preset: Fan Start 45 °C / Stop 40 °C (Vega 10).",
          "Target Vega 10 state: Zero RPM enabled; fan starts at 45 °C and stops at 40 °C.",
          "Vega 10 / Zero RPM Enable: byte offset 0x15B changed from 0x01 to 0x01.",
          "Vega 10 / Start Temperature: WORD offset 0x15E changed from 60 °C to 45 °C.",
          "Vega 10 / Stop Temperature: WORD offset 0x15C changed from 50 °C to 40 °C."}},
        {GpuFamily::vega20,
         {"Selected preset: Fan Start 45 °C / Stop 40 °C (Vega 20 / Radeon VII).",
          "Target Vega 20 state: FanZeroRpmEnable = 1; fan starts at 45 °C and may stop at "
          "40 °C. OD8 Zero RPM capability is preserved exactly as loaded.",
          "Vega 20 / Zero RPM Enable: byte offset 0x460 changed from 0x01 to 0x01.",
          "Vega 20 / Start Temperature: WORD offset 0x444 changed from 60 °C to 45 °C.",
          "Vega 20 / Stop Temperature: WORD offset 0x442 changed from 50 °C to 40 °C."}},
        {GpuFamily::navi10,
         {"Selected preset: Fan Start 45 °C / Stop 40 °C (Navi 10).",
          "Target Navi 10 state: FanZeroRpmEnable = 1; fan starts at 45 °C and may stop at "
          "40 °C. OD Zero RPM capability is preserved exactly as loaded.",
          "Navi 10 / Zero RPM Enable: byte offset 0x484 changed from 0x01 to 0x01.",
          "Navi 10 / Start Temperature: WORD offset 0x460 changed from 55 °C to 45 °C.",
          "Navi 10 / Stop Temperature: WORD offset 0x45E changed from 50 °C to 40 °C."}},
        {GpuFamily::rdna2,
         {"Selected preset: Fan Start 45 °C / Stop 40 °C.",
          "Target RDNA2 state: FanZeroRpmEnable = 1; fan starts at 45 °C and may stop at "
          "40 °C. The OD capability byte is preserved exactly as loaded.",
          "RDNA2 / Fan Zero RPM Enable: byte offset 0x728 changed from 0x01 to 0x01.",
          "Fan tab / Start Temperature: WORD offset 0x700 changed from 60 °C to 45 °C.",
          "Fan tab / Stop Temperature: WORD offset 0x6FE changed from 50 °C to 40 °C."}},
    };
    const std::string customName = "Fan 45 °C / Stop 40 °C";
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(rawValue(row.family)));
        Bytes table = tableOfFamily(row.family);
        const PatchResult result = patch(table, PatchMode::custom(45, 40));
        std::vector<std::string> tail = row.presetLines;
        for (const char* line :
             {"Patch status: APPLIED.", "Preset: Fan 45 °C / Stop 40 °C.", "Changed bytes: 2.",
              "Preset applied successfully to the PowerPlay/SPPT bytes."}) {
            tail.emplace_back(line);
        }
        ASSERT_GE(result.messages.size(), tail.size());
        EXPECT_EQ(std::vector<std::string>(result.messages.end() -
                                               static_cast<std::ptrdiff_t>(tail.size()),
                                           result.messages.end()),
                  tail);
        EXPECT_EQ(result.presetName, customName);

        const FanFields fields = fanFieldsOf(row.family, table);
        const auto store = [&](std::size_t offset, std::uint8_t value) {
            if (fields.temperatureWidth == 1) {
                putU8(table, offset, value);
            } else {
                putU16(table, offset, value);
            }
        };
        putU8(table, fields.zeroRpmEnable, 1);
        store(fields.startTemperature, 45);
        store(fields.stopTemperature, 40);
        EXPECT_EQ(result.data, table);
    }
}

} // namespace
} // namespace ventora
