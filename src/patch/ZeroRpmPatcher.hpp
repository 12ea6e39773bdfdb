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

/// The outcome of one patch: the edited copy (always the input's length), the family that
/// accepted the table (absent when refused, and then the copy is unchanged), how many bytes
/// changed and the complete patch log.
struct PatchResult {
    Bytes data;
    PatchMode mode;
    std::optional<GpuFamily> gpuFamily;
    std::int64_t changedByteCount = 0;
    std::vector<std::string> messages;

    /// "APPLIED", "ALREADY_MATCHED_OR_NO_BYTE_CHANGE" or "NOT_APPLIED_UNSUPPORTED_LAYOUT".
    [[nodiscard]] std::string patchStatus() const;
    [[nodiscard]] std::string presetName() const { return ventora::presetName(mode); }
};

/// Rewrites the fan-stop fields of a recognised PowerPlay table for one preset. Never throws;
/// a table that no family accepts is never written to.
namespace ZeroRpmPatcher {

[[nodiscard]] PatchResult apply(const SpptDocument& input, PatchMode mode);

/// Reads the common header and checks the table against the family its revisions select,
/// appending the header line and the family's lines to `messages` unless it is nullptr. Used
/// by apply, by the VBIOS header scan, and by front ends that only inspect.
[[nodiscard]] std::optional<PowerPlayLayout> detectLayout(ByteView data,
                                                          std::vector<std::string>* messages);

} // namespace ZeroRpmPatcher
} // namespace ventora
