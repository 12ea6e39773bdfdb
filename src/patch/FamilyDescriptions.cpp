#include "patch/FamilyDescriptions.hpp"

#include "core/HexFormat.hpp"

#include <array>

// The offsets below come from the documented ATOM structures and were validated against real
// tables of each family. The families are recognised by their structure only: each signature
// is strict enough that no other table passes it.

namespace ventora {
namespace {

constexpr std::uint32_t anyValue = 0xFFFFFFFF;

constexpr FieldCheck equals(std::int64_t offset, int width, std::uint32_t value) {
    return {offset, width, value, value};
}

constexpr FieldCheck within(std::int64_t offset, int width, std::uint32_t minimum,
                            std::uint32_t maximum) {
    return {offset, width, minimum, maximum};
}

/// A 16-bit offset no smaller than `minimum` with `bytes` bytes inside the table from it.
constexpr FieldCheck pointsTo(std::int64_t offset, std::uint32_t minimum, std::int64_t bytes) {
    return {offset, 2, minimum, 0xFFFF, bytes};
}

// Detection runs only once the common header's declared size, the 16-bit field at 0, equals
// the table's length, so checks on that field are checks on the length.
constexpr FieldCheck lengthIs(std::uint32_t length) {
    return equals(0, 2, length);
}

/// Polaris: the ATOM Tonga/Polaris table, whose fan table of revision 9 is found through the
/// offset at 37. The only family whose fan temperatures are single bytes.
FamilyDescription polaris() {
    return {
        .family = GpuFamily::polaris,
        .revisions = {{7, 1}},
        .layoutName = "Polaris RX 560/570/580",
        .signature = {{{equals(5, 2, 77)},
                       "Polaris PowerPlay header size is not the validated 77-byte ATOM "
                       "Tonga/Polaris layout."}},
        .fanTableLink = FanTableLink{pointsTo(37, 77, 48),
                                     "Polaris fan table offset {offset} is invalid or truncated.",
                                     "Unsupported Polaris fan table revision {value}; expected "
                                     "revision 9."},
        .shapes = {{.firstRevision = 9,
                    .lastRevision = 9,
                    .length = 48,
                    .fields = {.enable = 43, .stop = 44, .start = 45, .temperatureWidth = 1},
                    .plausible = {within(21, 2, 1, 20000), within(27, 1, 0, 125),
                                  within(28, 1, 0, 100)}}},
        .implausible = "Polaris fan table sanity checks failed. Automatic patching was blocked.",
        .scanName = "Polaris",
        .wording = {"Selected preset: ZeroRPM OFF / Fan Always On (Polaris).",
                    "Target Polaris state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the "
                    "fan remains under normal active fan control; existing Start/Stop "
                    "temperatures are preserved.",
                    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Polaris).",
                    "Target Polaris state: Zero RPM enabled; fan starts at {start} °C and stops "
                    "at {stop} °C.",
                    "Polaris / Zero RPM Enable", "Polaris / Start Temperature",
                    "Polaris / Stop Temperature"},
    };
}

/// Vega 10: the 92-byte ATOM Vega 10 header with state and fan table offsets. The fan table's
/// revision decides its length and where the fan fields sit inside it.
FamilyDescription vega10() {
    // Revisions 11 and later share their fields and differ only in length.
    const FanFields laterFields{.enable = 27, .stop = 28, .start = 30, .temperatureWidth = 2};
    const std::vector<FieldCheck> laterPlausible{within(7, 2, 0, 125), within(9, 2, 0, 100)};
    return {
        .family = GpuFamily::vega10,
        .revisions = {{8, 1}},
        .layoutName = "Vega 10 RX Vega 56/64/Frontier Edition",
        .signature = {{{equals(5, 2, 92)},
                       "Vega 10 PowerPlay header size is not the validated 92-byte ATOM Vega 10 "
                       "layout."},
                      {{pointsTo(48, 92, 1)}, "Vega 10 state table offset {offset} is invalid."}},
        .fanTableLink =
            FanTableLink{pointsTo(50, 92, 1), "Vega 10 fan table offset {offset} is invalid.",
                         "Unsupported Vega 10 fan table revision {value}; expected "
                         "revision 10, 11 or a V3 revision > 11."},
        .shapes = {{.firstRevision = 10,
                    .lastRevision = 10,
                    .length = 34,
                    .fields = {.enable = 29, .stop = 30, .start = 32, .temperatureWidth = 2},
                    .plausible = {within(9, 2, 0, 125), within(11, 2, 0, 100)}},
                   {.firstRevision = 11,
                    .lastRevision = 11,
                    .length = 35,
                    .fields = laterFields,
                    .plausible = laterPlausible},
                   {.firstRevision = 12,
                    .lastRevision = 255,
                    .length = 37,
                    .fields = laterFields,
                    .plausible = laterPlausible}},
        .implausible = "Vega 10 fan table sanity checks failed. Automatic patching was blocked.",
        .scanName = "Vega 10",
        .wording = {"Selected preset: ZeroRPM OFF / Fan Always On (Vega 10).",
                    "Target Vega 10 state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the "
                    "fan remains under normal active fan control; existing Start/Stop "
                    "temperatures are preserved.",
                    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Vega 10).",
                    "Target Vega 10 state: Zero RPM enabled; fan starts at {start} °C and stops "
                    "at {stop} °C.",
                    "Vega 10 / Zero RPM Enable", "Vega 10 / Start Temperature",
                    "Vega 10 / Stop Temperature"},
    };
}

/// Vega 20 (Radeon VII / Pro VII): accepted only in its one exact 1730-byte shape.
FamilyDescription vega20() {
    return {
        .family = GpuFamily::vega20,
        .revisions = {{11, 0}},
        .layoutName = "Vega 20 Radeon VII / PowerPlay 11.0",
        .signature = {{{lengthIs(1730), equals(4, 1, 2), equals(5, 2, 1730), equals(21, 1, 26)},
                       "Vega 20 outer PowerPlay header does not match the validated Radeon VII "
                       "11.0 layout."},
                      {{equals(34, 1, 1), equals(35, 4, 11), equals(167, 1, 1), equals(168, 4, 14),
                        equals(204, 4, 29), equals(474, 4, 3)},
                       "Vega 20 PowerSaving/OverDrive/SMC structural signature is not the "
                       "validated Radeon VII layout."}},
        .shapes = {{.fields = {.enable = 1120, .stop = 1090, .start = 1092, .temperatureWidth = 2},
                    .plausible = {within(1114, 2, 1, 20000), within(1116, 2, 1, 125),
                                  within(1121, 1, 1, 16)}}},
        .implausible = "Vega 20 Zero RPM/fan safety fields failed sanity validation. Automatic "
                       "patching was blocked.",
        .capability = Capability{"OD8 ZeroRPM cap", 181},
        .scanName = "Vega 20 Radeon VII",
        .wording = {"Selected preset: ZeroRPM OFF / Fan Always On (Vega 20 / Radeon VII).",
                    "Target Vega 20 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; "
                    "Start/Stop temperatures are preserved. OD8 Zero RPM capability is preserved "
                    "exactly as loaded.",
                    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Vega 20 / Radeon "
                    "VII).",
                    "Target Vega 20 state: FanZeroRpmEnable = 1; fan starts at {start} °C and may "
                    "stop at {stop} °C. OD8 Zero RPM capability is preserved exactly as loaded.",
                    "Vega 20 / Zero RPM Enable", "Vega 20 / Start Temperature",
                    "Vega 20 / Stop Temperature"},
    };
}

/// Navi 10 (RX 5600/5700): accepted only in its one exact 1674-byte shape, validated against
/// the RX 5700 XT table.
FamilyDescription navi10() {
    return {
        .family = GpuFamily::navi10,
        .revisions = {{12, 0}},
        .layoutName = "Navi 10 RX 5600/5700 family / PowerPlay 12.0",
        .signature = {{{lengthIs(1674), equals(4, 1, 1), equals(5, 2, 482), equals(21, 1, 27)},
                       "Navi 10 outer PowerPlay header does not match the validated 12.0 "
                       "layout."},
                      {{equals(182, 1, 0x80), equals(186, 4, 14), equals(190, 4, 30),
                        equals(482, 4, 8)},
                       "Navi 10 OverDrive/SMC structural signature is not the validated RX 5700 "
                       "XT layout."}},
        .shapes = {{.fields = {.enable = 1156, .stop = 1118, .start = 1120, .temperatureWidth = 2},
                    .plausible = {within(1148, 2, 1, 20000), within(1150, 2, 1, 125),
                                  within(1154, 1, 0, 15), within(1157, 1, 1, 16)}}},
        .implausible = "Navi 10 Zero RPM/fan safety fields failed sanity validation. Automatic "
                       "patching was blocked.",
        .capability = Capability{"OD ZeroRPM cap", 203},
        .scanName = "Navi 10",
        .wording = {"Selected preset: ZeroRPM OFF / Fan Always On (Navi 10).",
                    "Target Navi 10 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; "
                    "Start/Stop temperatures are preserved. OD Zero RPM capability is preserved "
                    "exactly as loaded.",
                    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Navi 10).",
                    "Target Navi 10 state: FanZeroRpmEnable = 1; fan starts at {start} °C and may "
                    "stop at {stop} °C. OD Zero RPM capability is preserved exactly as loaded.",
                    "Navi 10 / Zero RPM Enable", "Navi 10 / Start Temperature",
                    "Navi 10 / Stop Temperature"},
    };
}

constexpr std::int64_t rdna2SmcTable = 802;

std::string rdna2Details(ByteView table) {
    return "RDNA2 PowerPlay details: revision=" + std::to_string(table[2]) + "." +
           std::to_string(table[3]) + ", table revision=" + std::to_string(table[4]) +
           ", SMC offset=" + hexOffset(ByteUtils::readUInt16LE(table, 5)) + ".";
}

std::string rdna2Version(ByteView table) {
    return "SMC PPTable Version " + std::to_string(ByteUtils::readUInt32LE(table, rdna2SmcTable)) +
           " observed; compatibility is determined by the strict SMU 11.0.7 structural guards, "
           "not by a version allowlist.";
}

/// Navi 21/22/23 with the SMU 11.0.7 table: recognised by structural guards. The SMC PPTable
/// version is logged but deliberately never compared against a list of known versions.
FamilyDescription rdna2() {
    return {
        .family = GpuFamily::rdna2,
        // 17 is not an SMU 11.0.7 table revision and stays unsupported.
        .revisions = {{15, 0}, {16, 0}, {18, 0}, {19, 0}},
        .layoutName = "Navi 21/22/23 / SMU 11.0.7",
        .signature = {{{equals(4, 1, 2)},
                       "Unexpected SMU 11.0.7 table_revision {value}; expected 2. Automatic "
                       "patching was blocked.",
                       rdna2Details},
                      {{equals(5, 2, rdna2SmcTable)},
                       "Unexpected SMC PPTable offset {offset}; expected 0x322. Automatic "
                       "patching was blocked."},
                      {{equals(182, 1, 0x81)},
                       "SMU 11.0.7 OverDrive table signature/revision is missing or unsupported."},
                      {{equals(186, 4, 16), equals(190, 4, 30)},
                       "SMU 11.0.7 OverDrive feature/setting counts do not match the validated "
                       "0x81 layout."},
                      {{within(rdna2SmcTable, 4, 0, anyValue)}, "SMC PPTable header is truncated."},
                      {{within(0, 2, 1833, 0xFFFF)},
                       "Validated SMU 11.0.7 fan offsets fall outside the loaded table. Automatic "
                       "patching was blocked.",
                       rdna2Version}},
        .shapes = {{.fields = {.enable = 1832, .stop = 1790, .start = 1792, .temperatureWidth = 2},
                    .plausible = {}}},
        .implausible = "SMU 11.0.7 Zero RPM/fan safety fields failed sanity validation. "
                       "Automatic patching was blocked.",
        .capability = Capability{"Features cap", 203},
        .closingNote = "SMC FeaturesToRun bit 9 is DPM_XGMI and is intentionally left unchanged.",
        .observedSmcVersion = rdna2SmcTable,
        .scanName = "RDNA2",
        .wording = {"Selected preset: ZeroRPM OFF / Fan Always On.",
                    "Target RDNA2 state: FanZeroRpmEnable = 0 so the fan-stop/0-RPM mode is "
                    "disabled; Start/Stop temperatures and the OD capability are preserved.",
                    "Selected preset: Fan Start {start} °C / Stop {stop} °C.",
                    "Target RDNA2 state: FanZeroRpmEnable = 1; fan starts at {start} °C and may "
                    "stop at {stop} °C. The OD capability byte is preserved exactly as loaded.",
                    "RDNA2 / Fan Zero RPM Enable", "Fan tab / Start Temperature",
                    "Fan tab / Stop Temperature"},
    };
}

/// In GpuFamily's order, so that a family's value indexes its description.
const std::array<FamilyDescription, 5>& all() {
    static const std::array<FamilyDescription, 5> families{rdna2(), polaris(), vega10(), vega20(),
                                                           navi10()};
    return families;
}

} // namespace

const FamilyDescription& FamilyDescriptions::of(GpuFamily family) {
    return all()[static_cast<std::size_t>(family)];
}

const FamilyDescription* FamilyDescriptions::forRevisions(std::uint8_t formatRevision,
                                                          std::uint8_t contentRevision) {
    for (const FamilyDescription& description : all()) {
        for (const auto& revision : description.revisions) {
            if (revision.format == formatRevision && revision.content == contentRevision) {
                return &description;
            }
        }
    }
    return nullptr;
}

} // namespace ventora
