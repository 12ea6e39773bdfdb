#pragma once

#include "core/ByteUtils.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventora {

/// Strict Unicode decoding and character classes, shared by the text import, the device path
/// grammar and the readers of child-process output. Decoders return no value for malformed
/// input instead of substituting replacement characters, so damaged text is refused rather
/// than guessed at. Decoded text is held as UTF-32, one element per code point.
namespace Unicode {

enum class Endianness { little, big };

struct DecodedCodePoint {
    char32_t codePoint;
    std::size_t length;
};

/// The well-formed UTF-8 sequence starting at `position`; nothing for an overlong form, a
/// surrogate, a value above U+10FFFF, a truncated sequence or a position past the end.
[[nodiscard]] std::optional<DecodedCodePoint> decodeUtf8At(ByteView bytes, std::size_t position);

/// UTF-8 without substitutions: overlong forms, surrogate code points, values above U+10FFFF
/// and truncated sequences make the whole buffer undecodable. A leading byte-order mark stays
/// in the text as U+FEFF.
[[nodiscard]] std::optional<std::u32string> decodeUtf8(ByteView bytes);

/// UTF-16 in the given byte order; surrogate pairs are combined, an unpaired surrogate or an
/// odd byte count makes the buffer undecodable. A byte-order mark stays in the text as U+FEFF.
[[nodiscard]] std::optional<std::u32string> decodeUtf16(ByteView bytes, Endianness order);

/// UTF-16 whose byte order comes from a leading byte-order mark (which is consumed); without
/// one the buffer is read big-endian, the order the Unicode standard prescribes.
[[nodiscard]] std::optional<std::u32string> decodeUtf16WithByteOrderMark(ByteView bytes);

/// The Unicode White_Space set: tab to carriage return, space, U+0085, U+00A0, U+1680,
/// U+2000 to U+200A, U+2028, U+2029, U+202F, U+205F and U+3000.
[[nodiscard]] bool isWhitespace(char32_t c);

/// Line-break characters: line feed, vertical tab, form feed, carriage return, U+0085,
/// U+2028 and U+2029. Every one of them ends a line on its own, so CR LF yields an empty line.
[[nodiscard]] bool isNewline(char32_t c);

[[nodiscard]] bool isHexDigit(char32_t c);

/// `text` without white space (line breaks included) at either end.
[[nodiscard]] std::u32string_view trimmed(std::u32string_view text);

/// The first position of `needle` (ASCII, any case) in `text` at or after `from`, or npos.
[[nodiscard]] std::size_t findIgnoringCase(std::u32string_view text, std::u32string_view needle,
                                           std::size_t from = 0);

// Operations on UTF-8 text held in std::string.

/// True when `text` is well-formed UTF-8.
[[nodiscard]] bool isValidUtf8(std::string_view text);

/// `text` without white space (line breaks included) at either end; bytes that are not valid
/// UTF-8 are never taken for white space.
[[nodiscard]] std::string_view trimWhitespace(std::string_view text);

/// The non-empty runs of `text` between white space.
[[nodiscard]] std::vector<std::string_view> splitAtWhitespace(std::string_view text);

} // namespace Unicode
} // namespace ventora
