#pragma once

#include "core/SpptDocument.hpp"
#include "patch/ZeroRpmPatcher.hpp"
#include "support/PowerPlayTables.hpp"

namespace ventora::test {

[[nodiscard]] inline PatchResult patch(const Bytes& table, PatchMode mode) {
    return ZeroRpmPatcher::apply(SpptDocument{table, "test.bin", {}, {}}, mode);
}

/// `table` as the preset must leave it: the enable flag set or cleared and, for a fan-stop
/// preset, the thresholds in the fields' width; every other byte as it was.
[[nodiscard]] inline Bytes presetApplied(Bytes table, const FanFields& fields, PatchMode mode) {
    table[fields.zeroRpmEnable] = mode.fanStop() ? 1 : 0;
    if (const auto fanStop = mode.fanStop()) {
        for (const auto& [offset, value] : {std::pair{fields.startTemperature, fanStop->start},
                                            {fields.stopTemperature, fanStop->stop}}) {
            if (fields.temperatureWidth == 1) {
                putU8(table, offset, static_cast<std::uint8_t>(value));
            } else {
                putU16(table, offset, static_cast<std::uint16_t>(value));
            }
        }
    }
    return table;
}

} // namespace ventora::test
