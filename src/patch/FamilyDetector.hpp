#pragma once

#include "patch/FamilyDescriptions.hpp"

#include <optional>
#include <string>
#include <vector>

namespace ventora {

/// Where detection writes its log lines; nullptr keeps it silent and allocation-free on
/// rejection, which the VBIOS header scan relies on when it tries every byte position.
using MessageSink = std::vector<std::string>*;

namespace FamilyDetector {

/// Checks `table` against the family's description: its signature step by step, then its fan
/// table and the plausibility of its fan fields. Logs the accepted layout, or the one line
/// naming the first step that failed.
[[nodiscard]] std::optional<PowerPlayLayout> detect(const FamilyDescription& family, ByteView table,
                                                    MessageSink messages);

} // namespace FamilyDetector
} // namespace ventora
