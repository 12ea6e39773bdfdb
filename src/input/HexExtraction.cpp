#include "input/HexExtraction.hpp"

#include "core/Ascii.hpp"
#include "core/Unicode.hpp"
#include "input/SpptFileParser.hpp"

#include <algorithm>
#include <vector>

namespace ventora::SpptFileParser {
namespace {

constexpr std::size_t minimumHexDigits = 2 * minimumTableSize;
constexpr std::size_t maximumHexDigits = 2 * maximumTableSize;

/// The non-empty pieces of `text` between occurrences of `separator`.
std::vector<std::u32string_view> nonEmptyPieces(std::u32string_view text, char32_t separator) {
    std::vector<std::u32string_view> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

/// Every line of `text`; each line-break character ends one, so CR LF leaves an empty line.
std::vector<std::u32string_view> lines(std::u32string_view text) {
    std::vector<std::u32string_view> result;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Unicode::isNewline(text[i])) {
            result.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    result.push_back(text.substr(start));
    return result;
}

/// Appends one byte written with one or two hex digits, padding a single digit with "0".
bool appendBytePiece(std::u32string_view piece, std::u32string& digits) {
    if (piece.empty() || piece.size() > 2 ||
        !std::all_of(piece.begin(), piece.end(), Unicode::isHexDigit)) {
        return false;
    }
    if (piece.size() == 1) {
        digits.push_back(U'0');
    }
    digits.append(piece);
    return true;
}

enum class LineOutcome { continues, ends, invalid };

/// One line of a registry value: its byte pieces are appended to `digits`.
LineOutcome readRegistryLine(std::u32string_view line, std::u32string& digits) {
    const bool continued = !line.empty() && line.back() == U'\\';
    if (continued) {
        line.remove_suffix(1);
    }
    const bool allowed = std::all_of(line.begin(), line.end(), [](char32_t c) {
        return Unicode::isHexDigit(c) || c == U',' || Unicode::isWhitespace(c);
    });
    if (!allowed) {
        return LineOutcome::invalid;
    }
    for (const auto piece : nonEmptyPieces(line, U',')) {
        if (!appendBytePiece(Unicode::trimmed(piece), digits)) {
            return LineOutcome::invalid;
        }
    }
    return continued ? LineOutcome::continues : LineOutcome::ends;
}

bool endsRegistryValue(std::u32string_view line) {
    const bool hasEquals = line.find(U'=') != std::u32string_view::npos;
    const bool hasComma = line.find(U',') != std::u32string_view::npos;
    return line.front() == U'[' || (hasEquals && !hasComma);
}

std::u32string withoutHexPrefixes(std::u32string_view text) {
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'0' && i + 1 < text.size() &&
            (text[i + 1] == U'x' || text[i + 1] == U'X')) {
            ++i;
            continue;
        }
        result.push_back(text[i]);
    }
    return result;
}

std::u32string hexDigitsOf(std::u32string_view text) {
    std::u32string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits), Unicode::isHexDigit);
    return digits;
}

/// The value of a hex digit, which is ASCII.
int digitValue(char32_t c) {
    return Ascii::hexDigitValue(static_cast<char>(c));
}

/// 512 to 40960 hex digits, an even number of them, as bytes; nothing otherwise.
std::optional<Bytes> dataFromEvenHex(std::u32string_view digits) {
    if (digits.size() < minimumHexDigits || digits.size() > maximumHexDigits ||
        digits.size() % 2 != 0) {
        return std::nullopt;
    }
    Bytes bytes;
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (!Unicode::isHexDigit(digits[i]) || !Unicode::isHexDigit(digits[i + 1])) {
            return std::nullopt;
        }
        bytes.push_back(
            static_cast<std::uint8_t>(digitValue(digits[i]) << 4 | digitValue(digits[i + 1])));
    }
    return bytes;
}

std::optional<Bytes> extractRegistryHexBytes(std::u32string_view text) {
    const std::size_t name = Unicode::findIgnoringCase(text, U"PP_PhmSoftPowerPlayTable");
    if (name == std::u32string_view::npos) {
        return std::nullopt;
    }
    constexpr std::u32string_view marker = U"hex:";
    const std::size_t hex = Unicode::findIgnoringCase(text, marker, name);
    if (hex == std::u32string_view::npos) {
        return std::nullopt;
    }
    std::u32string digits;
    for (const auto rawLine : lines(text.substr(hex + marker.size()))) {
        const std::u32string_view line = Unicode::trimmed(rawLine);
        if (line.empty()) {
            continue;
        }
        if (endsRegistryValue(line)) {
            break;
        }
        const LineOutcome outcome = readRegistryLine(line, digits);
        if (outcome == LineOutcome::invalid) {
            return std::nullopt;
        }
        if (outcome == LineOutcome::ends) {
            break;
        }
    }
    return dataFromEvenHex(digits);
}

Bytes extractCleanHexBytes(std::u32string_view text) {
    const std::u32string cleaned = withoutHexPrefixes(Unicode::trimmed(text));
    const bool allowed = std::all_of(cleaned.begin(), cleaned.end(), [](char32_t c) {
        return Unicode::isHexDigit(c) || Unicode::isWhitespace(c) || c == U',' || c == U'\\';
    });
    if (!allowed) {
        return {};
    }
    std::u32string digits;
    if (cleaned.find(U',') == std::u32string::npos) {
        digits = hexDigitsOf(cleaned);
    } else {
        for (const auto piece : nonEmptyPieces(cleaned, U',')) {
            if (!appendBytePiece(hexDigitsOf(piece), digits)) {
                return {};
            }
        }
    }
    return dataFromEvenHex(digits).value_or(Bytes{});
}

} // namespace

Bytes extractHexBytes(std::u32string_view text) {
    if (!text.empty() && text.front() == 0xFEFF) {
        text.remove_prefix(1);
    }
    if (auto registry = extractRegistryHexBytes(text); registry && !registry->empty()) {
        return std::move(*registry);
    }
    return extractCleanHexBytes(text);
}

} // namespace ventora::SpptFileParser
