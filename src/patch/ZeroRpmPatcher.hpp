#pragma once

#include "core/ByteUtils.hpp"
#include "core/GpuFamily.hpp"
#include "core/PatchMode.hpp"
#include "core/SpptDocument.hpp"
#include "patch/PowerPlayLayout.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ventora {

/// The outcome of one patch: the edited copy (always the input's length), what changed and
/// the complete patch log. A refused table comes back unchanged with supported = false.
struct PatchResult {
    Bytes data;
    std::int64_t changedByteCount = 0;
    bool automaticLayoutSupported = false;
    std::string patchStatus;
    std::string presetName;
    std::optional<GpuFamily> gpuFamily;
    std::vector<std::string> messages;
};

/// Rewrites the fan-stop fields of a recognised PowerPlay table for one preset. Never throws;
/// a table that no family detector accepts is never written to.
namespace ZeroRpmPatcher {

[[nodiscard]] PatchResult apply(const SpptDocument& input, PatchMode mode);

/// Reads the common header and runs the family detector its revisions select, appending the
/// header line and the detector's lines. Used by apply, and by front ends that only inspect.
[[nodiscard]] PowerPlayLayout detectLayout(ByteView data, std::vector<std::string>& messages);

} // namespace ZeroRpmPatcher
} // namespace ventora
