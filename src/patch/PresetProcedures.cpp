#include "patch/PresetProcedures.hpp"

#include "core/HexFormat.hpp"
#include "patch/FamilyDescriptions.hpp"

#include <string_view>

namespace ventora::PresetProcedures {
namespace {

// An accepted layout's fan fields lie inside the table, so the edits below need no range check.

void byteEdit(Bytes& table, std::string_view label, std::int64_t offset, std::uint8_t value,
              std::vector<std::string>& messages) {
    std::uint8_t& stored = table[static_cast<std::size_t>(offset)];
    const std::uint8_t old = stored;
    stored = value;
    messages.push_back(std::string(label) + ": byte offset " + hexOffset(offset) +
                       " changed from " + hexByte(old) + " to " + hexByte(value) + ".");
}

void wordEdit(Bytes& table, std::string_view label, std::int64_t offset, std::uint16_t value,
              std::vector<std::string>& messages) {
    const std::uint16_t old = ByteUtils::readUInt16LE(table, offset);
    ByteUtils::writeUInt16LE(table, offset, value);
    messages.push_back(std::string(label) + ": WORD offset " + hexOffset(offset) +
                       " changed from " + std::to_string(old) + " °C to " + std::to_string(value) +
                       " °C.");
}

void temperatureEdit(Bytes& table, int width, std::string_view label, std::int64_t offset,
                     int value, std::vector<std::string>& messages) {
    // PatchMode keeps every threshold inside a byte, so Polaris' byte fields hold it as is.
    if (width == 1) {
        byteEdit(table, label, offset, static_cast<std::uint8_t>(value), messages);
    } else {
        wordEdit(table, label, offset, static_cast<std::uint16_t>(value), messages);
    }
}

} // namespace

void run(Bytes& table, const PowerPlayLayout& layout, PatchMode mode,
         std::vector<std::string>& messages) {
    const PresetWording& wording = FamilyDescriptions::of(layout.family).wording;
    const FanFields& fields = layout.fields;
    const std::optional<FanStopTemperatures> fanStop = mode.fanStop();
    if (!fanStop) {
        messages.emplace_back(wording.zeroSelected);
        messages.emplace_back(wording.zeroTarget);
        byteEdit(table, wording.enableLabel, fields.enable, 0, messages);
        return;
    }
    messages.push_back(withTemperatures(wording.fanSelected, *fanStop));
    messages.push_back(withTemperatures(wording.fanTarget, *fanStop));
    byteEdit(table, wording.enableLabel, fields.enable, 1, messages);
    temperatureEdit(table, fields.temperatureWidth, wording.startLabel, fields.start,
                    fanStop->start, messages);
    temperatureEdit(table, fields.temperatureWidth, wording.stopLabel, fields.stop, fanStop->stop,
                    messages);
}

} // namespace ventora::PresetProcedures
