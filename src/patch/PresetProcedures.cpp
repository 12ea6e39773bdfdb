#include "patch/PresetProcedures.hpp"

#include "core/HexFormat.hpp"

#include <string_view>

namespace ventora::PresetProcedures {
namespace {

/// The fixed texts of one family: the two announcement lines per preset and the edit labels.
struct FamilyTexts {
    std::string_view zeroSelected, zeroTarget, fanSelected, fanTarget;
    std::string_view enableLabel, startLabel, stopLabel;
};

constexpr FamilyTexts polarisTexts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Polaris).",
    "Target Polaris state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the fan remains "
    "under normal active fan control; existing Start/Stop temperatures are preserved.",
    "Selected preset: Fan Start 35 °C / Stop 30 °C (Polaris).",
    "Target Polaris state: Zero RPM enabled; fan starts at 35 °C and stops at 30 °C.",
    "Polaris / Zero RPM Enable",
    "Polaris / Start Temperature",
    "Polaris / Stop Temperature"};

constexpr FamilyTexts vega10Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Vega 10).",
    "Target Vega 10 state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the fan remains "
    "under normal active fan control; existing Start/Stop temperatures are preserved.",
    "Selected preset: Fan Start 35 °C / Stop 30 °C (Vega 10).",
    "Target Vega 10 state: Zero RPM enabled; fan starts at 35 °C and stops at 30 °C.",
    "Vega 10 / Zero RPM Enable",
    "Vega 10 / Start Temperature",
    "Vega 10 / Stop Temperature"};

constexpr FamilyTexts vega20Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Vega 20 / Radeon VII).",
    "Target Vega 20 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; Start/Stop "
    "temperatures are preserved. OD8 Zero RPM capability is preserved exactly as loaded.",
    "Selected preset: Fan Start 35 °C / Stop 30 °C (Vega 20 / Radeon VII).",
    "Target Vega 20 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at "
    "30 °C. OD8 Zero RPM capability is preserved exactly as loaded.",
    "Vega 20 / Zero RPM Enable",
    "Vega 20 / Start Temperature",
    "Vega 20 / Stop Temperature"};

constexpr FamilyTexts navi10Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Navi 10).",
    "Target Navi 10 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; Start/Stop "
    "temperatures are preserved. OD Zero RPM capability is preserved exactly as loaded.",
    "Selected preset: Fan Start 35 °C / Stop 30 °C (Navi 10).",
    "Target Navi 10 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at "
    "30 °C. OD Zero RPM capability is preserved exactly as loaded.",
    "Navi 10 / Zero RPM Enable",
    "Navi 10 / Start Temperature",
    "Navi 10 / Stop Temperature"};

constexpr FamilyTexts rdna2Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On.",
    "Target RDNA2 state: FanZeroRpmEnable = 0 so the fan-stop/0-RPM mode is disabled; "
    "Start/Stop temperatures and the OD capability are preserved.",
    "Selected preset: Fan Start 35 °C / Stop 30 °C.",
    "Target RDNA2 state: FanZeroRpmEnable = 1; fan starts at 35 °C and may stop at "
    "30 °C. The OD capability byte is preserved exactly as loaded.",
    "RDNA2 / Fan Zero RPM Enable",
    "Fan tab / Start Temperature",
    "Fan tab / Stop Temperature"};

const FamilyTexts& textsOf(PowerPlayLayoutKind kind) {
    switch (kind) {
    case PowerPlayLayoutKind::polaris:
        return polarisTexts;
    case PowerPlayLayoutKind::vega10:
        return vega10Texts;
    case PowerPlayLayoutKind::vega20:
        return vega20Texts;
    case PowerPlayLayoutKind::navi10:
        return navi10Texts;
    case PowerPlayLayoutKind::rdna2:
        break;
    }
    return rdna2Texts;
}

std::string outsideTable(std::string_view label, std::int64_t offset) {
    return std::string(label) + ": offset " + hexOffset(static_cast<std::uint64_t>(offset)) +
           " outside table, not patched.";
}

void byteEdit(Bytes& table, std::string_view label, std::int64_t offset, std::uint8_t value,
              std::vector<std::string>& messages) {
    if (!ByteUtils::isRangeValid(table, offset, 1)) {
        messages.push_back(outsideTable(label, offset));
        return;
    }
    std::uint8_t& stored = table[static_cast<std::size_t>(offset)];
    const std::uint8_t old = stored;
    stored = value;
    messages.push_back(std::string(label) + ": byte offset " +
                       hexOffset(static_cast<std::uint64_t>(offset)) + " changed from " +
                       hexByte(old) + " to " + hexByte(value) + ".");
}

void wordEdit(Bytes& table, std::string_view label, std::int64_t offset, std::uint16_t value,
              std::vector<std::string>& messages) {
    if (!ByteUtils::isRangeValid(table, offset, 2)) {
        messages.push_back(outsideTable(label, offset));
        return;
    }
    const std::uint16_t old = ByteUtils::readUInt16LE(table, offset);
    ByteUtils::writeUInt16LE(table, offset, value);
    messages.push_back(std::string(label) + ": WORD offset " +
                       hexOffset(static_cast<std::uint64_t>(offset)) + " changed from " +
                       std::to_string(old) + " °C to " + std::to_string(value) + " °C.");
}

void temperatureEdit(Bytes& table, const PowerPlayLayout& layout, std::string_view label,
                     std::int64_t offset, std::uint8_t value, std::vector<std::string>& messages) {
    if (layout.temperatureWidth() == 1) {
        byteEdit(table, label, offset, value, messages);
    } else {
        wordEdit(table, label, offset, value, messages);
    }
}

} // namespace

void run(Bytes& table, const PowerPlayLayout& layout, PatchMode mode,
         std::vector<std::string>& messages) {
    const FamilyTexts& texts = textsOf(layout.kind);
    if (mode == PatchMode::zeroRpmPure) {
        messages.emplace_back(texts.zeroSelected);
        messages.emplace_back(texts.zeroTarget);
        byteEdit(table, texts.enableLabel, layout.fanZeroRpmEnableOffset, 0, messages);
        return;
    }
    messages.emplace_back(texts.fanSelected);
    messages.emplace_back(texts.fanTarget);
    byteEdit(table, texts.enableLabel, layout.fanZeroRpmEnableOffset, 1, messages);
    temperatureEdit(table, layout, texts.startLabel, layout.fanStartTempOffset, 35, messages);
    temperatureEdit(table, layout, texts.stopLabel, layout.fanStopTempOffset, 30, messages);
}

} // namespace ventora::PresetProcedures
