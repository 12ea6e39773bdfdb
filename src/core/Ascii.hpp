#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// ASCII text as tools, paths and file names spell it. Locale-free on purpose: a Turkish
/// locale must not turn "PCI" into something else.
namespace ventora::Ascii {

[[nodiscard]] constexpr char toLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

[[nodiscard]] constexpr char toUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

[[nodiscard]] std::string lowercased(std::string_view text);
[[nodiscard]] std::string uppercased(std::string_view text);

[[nodiscard]] constexpr bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/// The value of a character for which isHexDigit() holds.
[[nodiscard]] constexpr int hexDigitValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

/// `digits` read as a hexadecimal number: one to `maximumDigits` hex digits (at most 16),
/// either case, nothing else; absent otherwise.
[[nodiscard]] std::optional<std::uint64_t> parseHex(std::string_view digits,
                                                    std::size_t maximumDigits = 16);

/// The lines of `text` without their '\n'. A last line without '\n' counts; the empty text
/// has none.
[[nodiscard]] std::vector<std::string_view> lines(std::string_view text);

} // namespace ventora::Ascii
