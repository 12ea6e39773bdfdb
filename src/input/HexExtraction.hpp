#pragma once

#include "core/ByteUtils.hpp"

#include <string_view>

namespace ventora::SpptFileParser {

/// The table held by a REG export's PP_PhmSoftPowerPlayTable value or, failing that, by a
/// plain hex dump of 512 to 40960 digits; empty when the text has neither shape.
[[nodiscard]] Bytes extractHexBytes(std::u32string_view text);

} // namespace ventora::SpptFileParser
