#pragma once

#include "core/ByteUtils.hpp"

#include <optional>
#include <string>

namespace ventora::SpptFileParser {

/// The file's bytes as text: UTF-16 by byte-order mark or by the share of zero bytes, else
/// UTF-8, else byte-order-mark-driven UTF-16; nothing when the chosen decoding fails.
[[nodiscard]] std::optional<std::u32string> decodeText(ByteView bytes);

} // namespace ventora::SpptFileParser
