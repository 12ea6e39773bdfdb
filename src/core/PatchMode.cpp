#include "core/PatchMode.hpp"

#include "core/AppError.hpp"

#include <algorithm>

namespace ventora {
namespace {

void replaceAll(std::string& text, std::string_view placeholder, int value) {
    const std::string number = std::to_string(value);
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + number.size())) {
        text.replace(at, placeholder.size(), number);
    }
}

} // namespace

std::string withTemperatures(std::string_view pattern, FanStopTemperatures temperatures) {
    std::string text(pattern);
    replaceAll(text, "{start}", temperatures.start);
    replaceAll(text, "{stop}", temperatures.stop);
    return text;
}

PatchMode PatchMode::custom(int start, int stop) {
    if (start < minimumStart || start > maximumStart || stop < minimumStop ||
        stop > start - minimumGap) {
        throw AppError("Fan start " + std::to_string(start) + " °C / stop " + std::to_string(stop) +
                       " °C is outside the allowed ranges. " + customRanges());
    }
    return {Preset::custom, {start, stop}};
}

std::string PatchMode::customRanges() {
    return "The start temperature must be a whole number from " + std::to_string(minimumStart) +
           " to " + std::to_string(maximumStart) +
           " °C, and the stop temperature a whole number from " + std::to_string(minimumStop) +
           " °C up to " + std::to_string(minimumGap) + " °C below the start.";
}

std::optional<FanStopTemperatures> PatchMode::fanStop() const {
    if (m_preset == Preset::zeroRpmOff) {
        return std::nullopt;
    }
    return m_temperatures;
}

const PresetSpelling& spellingOf(PatchMode::Preset preset) {
    return *std::find_if(presetSpellings.begin(), presetSpellings.end(),
                         [&](const PresetSpelling& spelling) { return spelling.preset == preset; });
}

std::string presetName(PatchMode mode) {
    return withTemperatures(spellingOf(mode.preset()).name,
                            mode.fanStop().value_or(FanStopTemperatures{}));
}

std::string archiveName(PatchMode mode) {
    return withTemperatures(spellingOf(mode.preset()).archiveName,
                            mode.fanStop().value_or(FanStopTemperatures{}));
}

} // namespace ventora
