#pragma once

#include <optional>
#include <string_view>

namespace ventora {

/// The supported GPU families. Their raw values are the family names used in every message.
enum class GpuFamily { rdna2, polaris, vega10, vega20, navi10 };

[[nodiscard]] std::string_view rawValue(GpuFamily family);

/// Exact, case-sensitive match of one of the five raw values; anything else has no family.
[[nodiscard]] std::optional<GpuFamily> gpuFamilyFromRawValue(std::string_view raw);

/// The cards the families cover, as the patch log and the window list them.
inline constexpr std::string_view supportedGpuTargets =
    "Polaris: RX 460, RX 470/480, RX 550 Baffin/Lexa, RX 560, RX 570/580/590, "
    "WX 2100/3100/3200/4100/5100/7100; Vega 10: RX Vega 56/64/Frontier, WX 8100/8200/9100; "
    "Vega 20: Radeon VII / Pro VII; Navi 14: RX 5300/5500/5500 XT, W5500; Navi 10: RX "
    "5600/5600 XT, RX 5700/5700 XT, W5700; RDNA2 Navi 21/22/23: RX 6600 through RX 6950 XT, "
    "W6600/W6800";

} // namespace ventora
