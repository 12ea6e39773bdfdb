#pragma once

/// ASCII hexadecimal digits as the tool outputs and paths spell them, either case.
namespace ventora::HexDigits {

[[nodiscard]] constexpr bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/// The value of a character for which isHexDigit() holds.
[[nodiscard]] constexpr int hexDigitValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

} // namespace ventora::HexDigits
