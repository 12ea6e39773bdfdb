#pragma once

#include "core/ByteUtils.hpp"

#include <string>
#include <string_view>

/// Text exports of a table, spelled the way the tools that write them do.
namespace ventora::test {

/// `bytes` as upper-case hex pairs, each after `prefix`, joined by `separator`.
[[nodiscard]] std::string hexPairs(ByteView bytes, std::string_view prefix,
                                   std::string_view separator);

/// A PP_PhmSoftPowerPlayTable value as regedit writes it: 25 bytes a line, "," and "\" at each
/// line's end, continuation lines indented by two spaces; every line ends with `eol`.
[[nodiscard]] std::string registryValue(ByteView bytes, std::string_view eol = "\r\n");

/// A whole REG export: header, key line, the value and one more value after it.
[[nodiscard]] std::string registryExport(ByteView bytes);

/// ASCII `text` as UTF-16 little-endian after a byte-order mark.
[[nodiscard]] Bytes utf16LittleEndian(std::string_view text);

} // namespace ventora::test
