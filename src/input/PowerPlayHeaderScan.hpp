#pragma once

#include "core/ByteUtils.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ventora::VbiosPowerPlayExtractor {

/// Fallback: the first position in [256, min(length - 8, 65536)) where a table of a supported
/// family's exact structural signature starts.
[[nodiscard]] std::optional<Bytes>
tryExtractByPowerPlayHeaderScan(ByteView rom, std::int64_t baseOffset,
                                std::vector<std::string>& messages);

} // namespace ventora::VbiosPowerPlayExtractor
