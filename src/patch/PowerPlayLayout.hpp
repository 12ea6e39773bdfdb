#pragma once

#include "core/ByteUtils.hpp"
#include "core/GpuFamily.hpp"

#include <cstdint>
#include <string>

namespace ventora {

/// The five recognised table layouts, one to one with GpuFamily.
enum class PowerPlayLayoutKind { rdna2, polaris, vega10, vega20, navi10 };

[[nodiscard]] GpuFamily gpuFamily(PowerPlayLayoutKind kind);

/// Where the three fan fields of a recognised table sit. A layout with any negative fan
/// offset is the unsupported layout; callers test isSupported(), never the name or kind.
struct PowerPlayLayout {
    std::string name = "Unsupported";
    PowerPlayLayoutKind kind = PowerPlayLayoutKind::rdna2;
    std::int64_t smcPptableOffset = -1;
    std::int64_t fanStopTempOffset = -1;
    std::int64_t fanStartTempOffset = -1;
    std::int64_t fanZeroRpmEnableOffset = -1;

    [[nodiscard]] static PowerPlayLayout unsupported() { return {}; }
    [[nodiscard]] bool isSupported() const {
        return fanStopTempOffset >= 0 && fanStartTempOffset >= 0 && fanZeroRpmEnableOffset >= 0;
    }
    /// Temperatures are single bytes only on Polaris; 16-bit words elsewhere.
    [[nodiscard]] int temperatureWidth() const {
        return kind == PowerPlayLayoutKind::polaris ? 1 : 2;
    }
    /// The final range check every detector applies before returning a layout.
    [[nodiscard]] bool isInRange(ByteView data) const;
};

} // namespace ventora
