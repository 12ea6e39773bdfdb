#pragma once

#include "core/ByteUtils.hpp"
#include "core/GpuFamily.hpp"
#include "core/PatchMode.hpp"
#include "core/SpptDocument.hpp"

#include <optional>
#include <string>

namespace ventora {

/// What the fan-stop fields of a recognised table hold today.
struct FanStopState {
    GpuFamily family;
    bool enabled;
    FanStopTemperatures temperatures;
};

/// Read-only answers about a loaded table for the front ends, given by the patcher's own
/// recognition and preset procedures on a copy: nothing is written anywhere.
namespace FanStopSummary {

/// Absent when no family accepts the table.
[[nodiscard]] std::optional<FanStopState> read(ByteView table);

/// "Navi 10 · fan-stop on · starts 50 °C, stops 45 °C", "Polaris · fan-stop off", or
/// "Not a supported layout: it will not be patched".
[[nodiscard]] std::string describe(ByteView table);

/// What generating `mode` would change: "changes 2 bytes", "already set: the archive would
/// change nothing", or the unsupported-layout text of describe().
[[nodiscard]] std::string describeChange(const SpptDocument& document, PatchMode mode);

} // namespace FanStopSummary
} // namespace ventora
