#include "core/PatchMode.hpp"

#include "core/AppError.hpp"

namespace ventora {

PatchMode PatchMode::custom(int start, int stop) {
    if (start < minimumStart || start > maximumStart || stop < minimumStop ||
        stop > start - minimumGap) {
        throw AppError("Fan start " + std::to_string(start) + " °C / stop " + std::to_string(stop) +
                       " °C is outside the allowed ranges. " + customRanges());
    }
    return {Kind::custom, {start, stop}};
}

std::string PatchMode::customRanges() {
    return "The start temperature must be a whole number from " + std::to_string(minimumStart) +
           " to " + std::to_string(maximumStart) +
           " °C, and the stop temperature a whole number from " + std::to_string(minimumStop) +
           " °C up to " + std::to_string(minimumGap) + " °C below the start.";
}

std::optional<FanStopTemperatures> PatchMode::fanStop() const {
    if (m_kind == Kind::zeroRpmPure) {
        return std::nullopt;
    }
    return m_temperatures;
}

std::string presetName(PatchMode mode) {
    const std::optional<FanStopTemperatures> fanStop = mode.fanStop();
    if (!fanStop) {
        return "ZeroRPM OFF / Fan Always On";
    }
    return "Fan " + std::to_string(fanStop->start) + " °C / Stop " + std::to_string(fanStop->stop) +
           " °C";
}

} // namespace ventora
