#include "core/Ascii.hpp"

#include <algorithm>

namespace ventora::Ascii {

std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), toLower);
    return result;
}

std::string uppercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), toUpper);
    return result;
}

std::optional<std::uint64_t> parseHex(std::string_view digits, std::size_t maximumDigits) {
    if (digits.empty() || digits.size() > std::min<std::size_t>(maximumDigits, 16) ||
        !std::all_of(digits.begin(), digits.end(), isHexDigit)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : digits) {
        value = (value << 4) | static_cast<std::uint64_t>(hexDigitValue(c));
    }
    return value;
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

} // namespace ventora::Ascii
