#include "patch/PowerPlayLayout.hpp"

namespace ventora {

GpuFamily gpuFamily(PowerPlayLayoutKind kind) {
    switch (kind) {
    case PowerPlayLayoutKind::rdna2:
        return GpuFamily::rdna2;
    case PowerPlayLayoutKind::polaris:
        return GpuFamily::polaris;
    case PowerPlayLayoutKind::vega10:
        return GpuFamily::vega10;
    case PowerPlayLayoutKind::vega20:
        return GpuFamily::vega20;
    case PowerPlayLayoutKind::navi10:
        break;
    }
    return GpuFamily::navi10;
}

bool PowerPlayLayout::isInRange(ByteView data) const {
    const int width = temperatureWidth();
    if (!ByteUtils::isRangeValid(data, fanStopTempOffset, width) ||
        !ByteUtils::isRangeValid(data, fanStartTempOffset, width) ||
        !ByteUtils::isRangeValid(data, fanZeroRpmEnableOffset, 1)) {
        return false;
    }
    // The Navi 21/22/23 fan fields live inside the SMC PPTable, whose header must be present too.
    return kind != PowerPlayLayoutKind::rdna2 || ByteUtils::isRangeValid(data, smcPptableOffset, 8);
}

} // namespace ventora
