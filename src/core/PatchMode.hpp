#pragma once

#include <optional>
#include <string>

namespace ventora {

/// Fan-stop thresholds in whole degrees Celsius: the fan starts at `start` and may stop at
/// `stop`.
struct FanStopTemperatures {
    int start = 0;
    int stop = 0;

    friend bool operator==(const FanStopTemperatures&, const FanStopTemperatures&) = default;
};

/// A fan preset: fan-stop disabled (the fan always runs), fan-stop at the fixed 35/30 °C, or
/// fan-stop at thresholds the user chose. A plain value compared by preset and thresholds;
/// the user's thresholds are checked when the value is made, so every PatchMode is valid.
class PatchMode {
public:
    static const PatchMode zeroRpmPure;
    static const PatchMode fan35;

    /// The user's thresholds: 25 ≤ start ≤ 90 and 20 ≤ stop ≤ start − 3, because a stop at or
    /// just below the start makes the fan cycle.
    static constexpr int minimumStart = 25;
    static constexpr int maximumStart = 90;
    static constexpr int minimumStop = 20;
    static constexpr int minimumGap = 3;

    /// The user's thresholds; throws AppError stating the allowed ranges when outside them.
    [[nodiscard]] static PatchMode custom(int start, int stop);
    /// The sentence that states the allowed ranges, for every message that refuses a pair.
    [[nodiscard]] static std::string customRanges();

    /// Absent for zeroRpmPure, whose only edit clears the enable flag.
    [[nodiscard]] std::optional<FanStopTemperatures> fanStop() const;
    [[nodiscard]] bool isCustom() const { return m_kind == Kind::custom; }

    friend bool operator==(const PatchMode&, const PatchMode&) = default;

private:
    enum class Kind { zeroRpmPure, fan35, custom };

    constexpr PatchMode(Kind kind, FanStopTemperatures temperatures)
        : m_kind(kind), m_temperatures(temperatures) {}

    Kind m_kind;
    FanStopTemperatures m_temperatures;
};

inline constexpr PatchMode PatchMode::zeroRpmPure{Kind::zeroRpmPure, {}};
inline constexpr PatchMode PatchMode::fan35{Kind::fan35, {35, 30}};

/// The preset's display name, as it appears in the patch result, the log and the report:
/// "ZeroRPM OFF / Fan Always On", or "Fan START °C / Stop STOP °C".
[[nodiscard]] std::string presetName(PatchMode mode);

} // namespace ventora
