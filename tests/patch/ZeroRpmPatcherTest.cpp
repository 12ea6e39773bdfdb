#include "patch/ZeroRpmPatcher.hpp"

#include "support/PowerPlayTables.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

const Lines preamble{
    "Mode: DeviceProperties only. SSDT/ACPI generation disabled.",
    "Safety: VBIOS flashing code is not present in this app.",
    "Internal patcher: built-in PowerPlay edit; no MorePowerTool process, driver or helper is "
    "used.",
    "Supported GPU targets: Polaris: RX 460, RX 470/480, RX 550 Baffin/Lexa, RX 560, RX "
    "570/580/590, WX 2100/3100/3200/4100/5100/7100; Vega 10: RX Vega 56/64/Frontier, WX "
    "8100/8200/9100; Vega 20: Radeon VII / Pro VII; Navi 14: RX 5300/5500/5500 XT, W5500; Navi "
    "10: RX 5600/5600 XT, RX 5700/5700 XT, W5700; RDNA2 Navi 21/22/23: RX 6600 through RX 6950 "
    "XT, W6600/W6800.",
    "Support is selected by a validated RDNA2, Polaris, Vega 10, Vega 20 or Navi 10 PowerPlay "
    "table layout, not by one user hardware profile."};

PatchResult patch(const Bytes& table, PatchMode mode) {
    return ZeroRpmPatcher::apply(SpptDocument{table, "test.bin", {}, {}}, mode);
}

Lines operator+(Lines lines, const Lines& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

/// The complete log of each family's builder table under both presets.
TEST(ZeroRpmPatcher, LogsEveryFamilyAndPresetCompletely) {
    const std::tuple<GpuFamily, Lines, Lines, Lines> rows[] = {
        {GpuFamily::polaris,
         {"PowerPlay header: size=640 bytes, revision=7.1.",
          "Detected supported layout: Polaris RX 560/570/580 / ATOM Fan Table rev 9.",
          "Polaris fan table offset: 0x180, revision 9.",
          "Validated offsets: ZeroRPM=0x1AB, StopTemp=0x1AC, StartTemp=0x1AD."},
         {"Selected preset: ZeroRPM OFF / Fan Always On (Polaris).",
          "Target Polaris state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the fan "
          "remains under normal active fan control; existing Start/Stop temperatures are "
          "preserved.",
          "Polaris / Zero RPM Enable: byte offset 0x1AB changed from 0x01 to 0x00."},
         {"Selected preset: Fan Start 35 °C / Stop 30 °C (Polaris).",
          "Target Polaris state: Zero RPM enabled; fan starts at 35 °C and stops at 30 °C.",
          "Polaris / Zero RPM Enable: byte offset 0x1AB changed from 0x01 to 0x01.",
          "Polaris / Start Temperature: byte offset 0x1AD changed from 0x3C to 0x23.",
          "Polaris / Stop Temperature: byte offset 0x1AC changed from 0x32 to 0x1E."}},
        {GpuFamily::vega10,
         {"PowerPlay header: size=600 bytes, revision=8.1.",
          "Detected supported layout: Vega 10 RX Vega 56/64/Frontier Edition / ATOM Fan Table rev "
          "11.",
          "Vega 10 fan table offset: 0x140, revision 11.",
          "Validated offsets: ZeroRPM=0x15B, StopTemp=0x15C, StartTemp=0x15E."},
         {"Selected preset: ZeroRPM OFF / Fan Always On (Vega 10).",
          "Target Vega 10 state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the fan "
          "remains under normal active fan control; existing Start/Stop temperatures are "
          "preserved.",
          "Vega 10 / Zero RPM Enable: byte offset 0x15B changed from 0x01 to 0x00."},
         {"Selected preset: Fan Start 35 °C / Stop 30 °C (Vega 10).",
          "Target Vega 10 state: Zero RPM enabled; fan starts at 35 °C and stops at 30 °C.",
          "Vega 10 / Zero RPM Enable: byte offset 0x15B changed from 0x01 to 0x01.",
          "Vega 10 / Start Temperature: WORD offset 0x15E changed from 60 °C to 35 °C.",
          "Vega 10 / Stop Temperature: WORD offset 0x15C changed from 50 °C to 30 °C."}},
        {GpuFamily::vega20,
         {"PowerPlay header: size=1730 bytes, revision=11.0.",
          "Detected supported layout: Vega 20 Radeon VII / PowerPlay 11.0.",
          "Validated offsets: OD8 ZeroRPM cap=0xB5, StopTemp=0x442, StartTemp=0x444, "
          "FanZeroRpmEnable=0x460."},
         {"Selected preset: ZeroRPM OFF / Fan Always On (Vega 20 / Radeon VII).",
          "Target Vega 20 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; Start/Stop "
          "temperatures are preserved. OD8 Zero RPM capability is preserved exactly as loaded.",
          "Vega 20 / Zero RPM Enable: byte offset 0x460 changed from 0x01 to 0x00."},
         {"Selected preset: Fan Start 35 °C / Stop 30 °C (Vega 20 / Radeon VII).",
          "Target Vega 20 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at 30 °C. "
          "OD8 Zero RPM capability is preserved exactly as loaded.",
          "Vega 20 / Zero RPM Enable: byte offset 0x460 changed from 0x01 to 0x01.",
          "Vega 20 / Start Temperature: WORD offset 0x444 changed from 60 °C to 35 °C.",
          "Vega 20 / Stop Temperature: WORD offset 0x442 changed from 50 °C to 30 °C."}},
        {GpuFamily::navi10,
         {"PowerPlay header: size=1674 bytes, revision=12.0.",
          "Detected supported layout: Navi 10 RX 5600/5700 family / PowerPlay 12.0.",
          "Validated offsets: OD ZeroRPM cap=0xCB, StopTemp=0x45E, StartTemp=0x460, "
          "FanZeroRpmEnable=0x484."},
         {"Selected preset: ZeroRPM OFF / Fan Always On (Navi 10).",
          "Target Navi 10 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; Start/Stop "
          "temperatures are preserved. OD Zero RPM capability is preserved exactly as loaded.",
          "Navi 10 / Zero RPM Enable: byte offset 0x484 changed from 0x01 to 0x00."},
         {"Selected preset: Fan Start 35 °C / Stop 30 °C (Navi 10).",
          "Target Navi 10 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at 30 °C. "
          "OD Zero RPM capability is preserved exactly as loaded.",
          "Navi 10 / Zero RPM Enable: byte offset 0x484 changed from 0x01 to 0x01.",
          "Navi 10 / Start Temperature: WORD offset 0x460 changed from 55 °C to 35 °C.",
          "Navi 10 / Stop Temperature: WORD offset 0x45E changed from 50 °C to 30 °C."}},
        {GpuFamily::rdna2,
         {"PowerPlay header: size=2470 bytes, revision=15.0.",
          "RDNA2 PowerPlay details: revision=15.0, table revision=2, SMC offset=0x322.",
          "SMC PPTable Version 118 observed; compatibility is determined by the strict SMU 11.0.7 "
          "structural guards, not by a version allowlist.",
          "Detected supported layout: Navi 21/22/23 / SMU 11.0.7.",
          "Validated offsets: Features cap=0xCB, StopTemp=0x6FE, StartTemp=0x700, "
          "FanZeroRpmEnable=0x728.",
          "SMC FeaturesToRun bit 9 is DPM_XGMI and is intentionally left unchanged."},
         {"Selected preset: ZeroRPM OFF / Fan Always On.",
          "Target RDNA2 state: FanZeroRpmEnable = 0 so the fan-stop/0-RPM mode is disabled; "
          "Start/Stop temperatures and the OD capability are preserved.",
          "RDNA2 / Fan Zero RPM Enable: byte offset 0x728 changed from 0x01 to 0x00."},
         {"Selected preset: Fan Start 35 °C / Stop 30 °C.",
          "Target RDNA2 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at 30 °C. "
          "The OD capability byte is preserved exactly as loaded.",
          "RDNA2 / Fan Zero RPM Enable: byte offset 0x728 changed from 0x01 to 0x01.",
          "Fan tab / Start Temperature: WORD offset 0x700 changed from 60 °C to 35 °C.",
          "Fan tab / Stop Temperature: WORD offset 0x6FE changed from 50 °C to 30 °C."}},
    };
    for (const auto& [family, detection, zeroRpm, fan35] : rows) {
        const Bytes table = tableOfFamily(family);
        for (const auto& [mode, lines, changed] :
             {std::tuple{PatchMode::zeroRpmPure, zeroRpm, 1}, {PatchMode::fan35, fan35, 2}}) {
            EXPECT_EQ(patch(table, mode).messages,
                      (preamble + detection + lines +
                       Lines{"Patch status: APPLIED.", "Preset: " + presetName(mode) + ".",
                             "Changed bytes: " + std::to_string(changed) + ".",
                             "Preset applied successfully to the PowerPlay/SPPT bytes."}));
        }
    }
}

/// Exactly the three fan fields change, in the family's widths; patching the result again
/// logs every edit but changes nothing.
TEST(ZeroRpmPatcher, WritesExactlyThePresetsBytes) {
    // The fan tables also at other offsets and revisions, in tables of other lengths.
    const Bytes tables[] = {polarisTable(),  polarisTable(2000, 0x700, 9), vega10Table(10),
                            vega10Table(11), vega10Table(13, 3000, 0x900), vega20Table(),
                            navi10Table(),   rdna2Table(19, 1833)};
    for (const Bytes& table : tables) {
        const GpuFamily family = *patch(table, PatchMode::fan35).gpuFamily;
        for (const PatchMode mode :
             {PatchMode::zeroRpmPure, PatchMode::fan35, PatchMode::custom(45, 40)}) {
            SCOPED_TRACE(std::string(rawValue(family)) + " " + presetName(mode));
            const Bytes expected = presetApplied(table, family, mode);
            EXPECT_EQ(patch(table, mode).data, expected);
            const PatchResult again = patch(expected, mode);
            EXPECT_EQ(again.patchStatus(), "ALREADY_MATCHED_OR_NO_BYTE_CHANGE");
            EXPECT_EQ(again.messages.back(), "Changed bytes: 0.");
        }
    }
}

TEST(ZeroRpmPatcher, RefusesATableNoFamilyAcceptsUntouched) {
    Bytes table(255, 0x11);
    put(table, 0, 2, 255);
    const PatchResult result = patch(table, PatchMode::zeroRpmPure);
    EXPECT_EQ(result.messages,
              (preamble + Lines{"Automatic patcher does not support this PowerPlay table revision. "
                                "Output generation was blocked to avoid unsafe bytes.",
                                "Patch status: NOT_APPLIED_UNSUPPORTED_LAYOUT.",
                                "Preset: ZeroRPM OFF / Fan Always On.", "Changed bytes: 0."}));
    EXPECT_FALSE(result.gpuFamily);
    EXPECT_EQ(result.data, table);
}

} // namespace
} // namespace ventora
