#pragma once

#include "core/SpptDocument.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <string>
#include <vector>

namespace ventora::test {

/// The five lines every patch log opens with.
inline const std::vector<std::string> patchPreamble{
    "Mode: DeviceProperties only. SSDT/ACPI generation disabled.",
    "Safety: VBIOS flashing code is not present in this app.",
    "Internal patcher: built-in PowerPlay edit; no MorePowerTool process, driver or helper is "
    "used.",
    "Supported GPU targets: Polaris: RX 460, RX 470/480, RX 550 Baffin/Lexa, RX 560, RX "
    "570/580/590, WX 2100/3100/3200/4100/5100/7100; Vega 10: RX Vega 56/64/Frontier, WX "
    "8100/8200/9100; Vega 20: Radeon VII / Pro VII; Navi 14: RX 5300/5500/5500 XT, W5500; Navi "
    "10: RX 5600/5600 XT, RX 5700/5700 XT, W5700; RDNA2 Navi 21/22/23: RX 6600 through RX 6950 "
    "XT, W6600/W6800.",
    "Support is selected by a validated RDNA2, Polaris, Vega 10, Vega 20 or Navi 10 PowerPlay "
    "table layout, not by one user hardware profile."};

inline const std::string blockedLine = "Automatic patcher does not support this PowerPlay table "
                                       "revision. Output generation was blocked to avoid unsafe "
                                       "bytes.";

[[nodiscard]] inline PatchResult patch(const Bytes& table, PatchMode mode) {
    return ZeroRpmPatcher::apply(SpptDocument{table, "test.bin", {}, {}}, mode);
}

/// The log lines after the preamble.
[[nodiscard]] inline std::vector<std::string> afterPreamble(const PatchResult& result) {
    return {result.messages.begin() + static_cast<std::ptrdiff_t>(patchPreamble.size()),
            result.messages.end()};
}

} // namespace ventora::test
