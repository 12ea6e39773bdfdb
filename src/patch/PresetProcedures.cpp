#include "patch/PresetProcedures.hpp"

#include "core/HexFormat.hpp"

#include <string_view>

namespace ventora::PresetProcedures {
namespace {

/// The fixed texts of one family: the two announcement lines per preset and the edit labels.
/// The fan-stop lines name the thresholds through the {start} and {stop} placeholders.
struct FamilyTexts {
    std::string_view zeroSelected, zeroTarget, fanSelected, fanTarget;
    std::string_view enableLabel, startLabel, stopLabel;
};

constexpr FamilyTexts polarisTexts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Polaris).",
    "Target Polaris state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the fan remains "
    "under normal active fan control; existing Start/Stop temperatures are preserved.",
    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Polaris).",
    "Target Polaris state: Zero RPM enabled; fan starts at {start} °C and stops at {stop} °C.",
    "Polaris / Zero RPM Enable",
    "Polaris / Start Temperature",
    "Polaris / Stop Temperature"};

constexpr FamilyTexts vega10Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Vega 10).",
    "Target Vega 10 state: EnableZeroRPM = 0 disables fan-stop/0-RPM mode so the fan remains "
    "under normal active fan control; existing Start/Stop temperatures are preserved.",
    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Vega 10).",
    "Target Vega 10 state: Zero RPM enabled; fan starts at {start} °C and stops at {stop} °C.",
    "Vega 10 / Zero RPM Enable",
    "Vega 10 / Start Temperature",
    "Vega 10 / Stop Temperature"};

constexpr FamilyTexts vega20Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Vega 20 / Radeon VII).",
    "Target Vega 20 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; Start/Stop "
    "temperatures are preserved. OD8 Zero RPM capability is preserved exactly as loaded.",
    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Vega 20 / Radeon VII).",
    "Target Vega 20 state: FanZeroRpmEnable = 1; fan starts at {start} °C and may stop "
    "at {stop} °C. OD8 Zero RPM capability is preserved exactly as loaded.",
    "Vega 20 / Zero RPM Enable",
    "Vega 20 / Start Temperature",
    "Vega 20 / Stop Temperature"};

constexpr FamilyTexts navi10Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On (Navi 10).",
    "Target Navi 10 state: FanZeroRpmEnable = 0 disables fan-stop/0-RPM mode; Start/Stop "
    "temperatures are preserved. OD Zero RPM capability is preserved exactly as loaded.",
    "Selected preset: Fan Start {start} °C / Stop {stop} °C (Navi 10).",
    "Target Navi 10 state: FanZeroRpmEnable = 1; fan starts at {start} °C and may stop "
    "at {stop} °C. OD Zero RPM capability is preserved exactly as loaded.",
    "Navi 10 / Zero RPM Enable",
    "Navi 10 / Start Temperature",
    "Navi 10 / Stop Temperature"};

constexpr FamilyTexts rdna2Texts{
    "Selected preset: ZeroRPM OFF / Fan Always On.",
    "Target RDNA2 state: FanZeroRpmEnable = 0 so the fan-stop/0-RPM mode is disabled; "
    "Start/Stop temperatures and the OD capability are preserved.",
    "Selected preset: Fan Start {start} °C / Stop {stop} °C.",
    "Target RDNA2 state: FanZeroRpmEnable = 1; fan starts at {start} °C and may stop "
    "at {stop} °C. The OD capability byte is preserved exactly as loaded.",
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
                     std::int64_t offset, int value, std::vector<std::string>& messages) {
    // PatchMode keeps every threshold inside a byte, so Polaris' byte fields hold it as is.
    if (layout.temperatureWidth() == 1) {
        byteEdit(table, label, offset, static_cast<std::uint8_t>(value), messages);
    } else {
        wordEdit(table, label, offset, static_cast<std::uint16_t>(value), messages);
    }
}

void replaceAll(std::string& text, std::string_view placeholder, int value) {
    const std::string number = std::to_string(value);
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + number.size())) {
        text.replace(at, placeholder.size(), number);
    }
}

std::string withTemperatures(std::string_view line, FanStopTemperatures temperatures) {
    std::string text(line);
    replaceAll(text, "{start}", temperatures.start);
    replaceAll(text, "{stop}", temperatures.stop);
    return text;
}

} // namespace

void run(Bytes& table, const PowerPlayLayout& layout, PatchMode mode,
         std::vector<std::string>& messages) {
    const FamilyTexts& texts = textsOf(layout.kind);
    const std::optional<FanStopTemperatures> fanStop = mode.fanStop();
    if (!fanStop) {
        messages.emplace_back(texts.zeroSelected);
        messages.emplace_back(texts.zeroTarget);
        byteEdit(table, texts.enableLabel, layout.fanZeroRpmEnableOffset, 0, messages);
        return;
    }
    messages.push_back(withTemperatures(texts.fanSelected, *fanStop));
    messages.push_back(withTemperatures(texts.fanTarget, *fanStop));
    byteEdit(table, texts.enableLabel, layout.fanZeroRpmEnableOffset, 1, messages);
    temperatureEdit(table, layout, texts.startLabel, layout.fanStartTempOffset, fanStop->start,
                    messages);
    temperatureEdit(table, layout, texts.stopLabel, layout.fanStopTempOffset, fanStop->stop,
                    messages);
}

} // namespace ventora::PresetProcedures
