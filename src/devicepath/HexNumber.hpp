#pragma once

#include "core/Ascii.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ventora::DevicePathDetector {

/// `digits` read as a hexadecimal number whose leading zeros, as many as there are, do not
/// count against `maximumDigits`: tools and users pad ids freely.
[[nodiscard]] inline std::optional<std::uint64_t> parsePaddedHex(std::string_view digits,
                                                                 std::size_t maximumDigits) {
    const std::size_t significant = digits.find_first_not_of('0');
    if (significant == std::string_view::npos) {
        return digits.empty() ? std::nullopt : std::optional<std::uint64_t>(0);
    }
    return Ascii::parseHex(digits.substr(significant), maximumDigits);
}

/// `digits` read as a hexadecimal number written with `minimumDigits` to `maximumDigits` digits
/// (at most 8, so the value fits 32 bits), leading zeros counted: ids in fixed-width columns.
[[nodiscard]] inline std::optional<std::uint32_t>
parseHexOfWidth(std::string_view digits, std::size_t minimumDigits, std::size_t maximumDigits) {
    const auto value = Ascii::parseHex(digits, std::min<std::size_t>(maximumDigits, 8));
    if (digits.size() < minimumDigits || !value) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
}

} // namespace ventora::DevicePathDetector
