#pragma once

#include <string_view>

namespace ventora {

/// The two fan presets: fan-stop disabled, or fan-stop between 30 and 35 degrees Celsius.
enum class PatchMode { zeroRpmPure, fan35 };

/// The preset's display name, as it appears in the patch result, the log and the report.
[[nodiscard]] std::string_view presetName(PatchMode mode);

} // namespace ventora
