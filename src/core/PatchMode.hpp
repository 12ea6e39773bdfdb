#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace ventora {

/// Fan-stop thresholds in whole degrees Celsius: the fan starts at `start` and may stop at
/// `stop`.
struct FanStopTemperatures {
    int start = 0;
    int stop = 0;

    friend bool operator==(const FanStopTemperatures&, const FanStopTemperatures&) = default;
};

/// `pattern` with every {start} and {stop} replaced by the thresholds in whole degrees.
[[nodiscard]] std::string withTemperatures(std::string_view pattern,
                                           FanStopTemperatures temperatures);

/// A fan preset: fan-stop disabled (the fan always runs), fan-stop at the fixed 35/30 °C, or
/// fan-stop at thresholds the user chose. A plain value compared by preset and thresholds;
/// the user's thresholds are checked when the value is made, so every PatchMode is valid.
class PatchMode {
public:
    enum class Preset { zeroRpmOff, fan35, custom };

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
    [[nodiscard]] Preset preset() const { return m_preset; }

    friend bool operator==(const PatchMode&, const PatchMode&) = default;

private:
    constexpr PatchMode(Preset preset, FanStopTemperatures temperatures)
        : m_preset(preset), m_temperatures(temperatures) {}

    Preset m_preset;
    FanStopTemperatures m_temperatures;
};

inline constexpr PatchMode PatchMode::zeroRpmPure{Preset::zeroRpmOff, {}};
inline constexpr PatchMode PatchMode::fan35{Preset::fan35, {35, 30}};

/// How each preset is called: the word after --preset, the name the log and the report show,
/// and the archive the export writes. {start} and {stop} stand for the preset's thresholds.
struct PresetSpelling {
    PatchMode::Preset preset;
    std::string_view cliName;
    std::string_view name;
    std::string_view archiveName;
};

inline constexpr std::array<PresetSpelling, 3> presetSpellings{{
    {PatchMode::Preset::zeroRpmOff, "zero-rpm-off", "ZeroRPM OFF / Fan Always On", "ZeroRPM.zip"},
    {PatchMode::Preset::fan35, "fan35", "Fan {start} °C / Stop {stop} °C", "ZeroRPM{start}.zip"},
    {PatchMode::Preset::custom, "custom", "Fan {start} °C / Stop {stop} °C",
     "ZeroRPM{start}-{stop}.zip"},
}};

[[nodiscard]] const PresetSpelling& spellingOf(PatchMode::Preset preset);

/// The preset's display name, as it appears in the patch result, the log and the report:
/// "ZeroRPM OFF / Fan Always On", or "Fan START °C / Stop STOP °C".
[[nodiscard]] std::string presetName(PatchMode mode);

/// The archive's file name: "ZeroRPM.zip", "ZeroRPM35.zip", or e.g. "ZeroRPM45-40.zip" for the
/// user's thresholds 45/40 (even 35/30 chosen by hand keeps its own name).
[[nodiscard]] std::string archiveName(PatchMode mode);

} // namespace ventora
