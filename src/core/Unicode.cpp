#include "core/Unicode.hpp"

#include "core/Ascii.hpp"

namespace ventora::Unicode {
namespace {

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

/// Length of the sequence a UTF-8 lead byte opens, and the smallest code point that sequence
/// may carry (anything below is an overlong form); 0 for a byte that cannot open one.
struct LeadByte {
    int length;
    char32_t initialBits;
    char32_t smallest;
};

LeadByte classifyLead(std::uint8_t byte) {
    if (byte < 0x80) {
        return {1, byte, 0};
    }
    if ((byte & 0xE0) == 0xC0) {
        return {2, static_cast<char32_t>(byte & 0x1F), 0x80};
    }
    if ((byte & 0xF0) == 0xE0) {
        return {3, static_cast<char32_t>(byte & 0x0F), 0x800};
    }
    if ((byte & 0xF8) == 0xF0) {
        return {4, static_cast<char32_t>(byte & 0x07), 0x10000};
    }
    return {0, 0, 0};
}

char32_t toLowerAscii(char32_t c) {
    return c < 0x80 ? static_cast<char32_t>(Ascii::toLower(static_cast<char>(c))) : c;
}

ByteView bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Length of the white-space character starting at `position`, 0 when there is none there.
std::size_t whitespaceLengthAt(ByteView bytes, std::size_t position) {
    const auto decoded = decodeUtf8At(bytes, position);
    return decoded && isWhitespace(decoded->codePoint) ? decoded->length : 0;
}

// Length of the white-space character that ends `bytes`, 0 when it does not end in one.
std::size_t trailingWhitespaceLength(ByteView bytes) {
    std::size_t start = bytes.size() - 1;
    while (start > 0 && bytes.size() - start < 4 && (bytes[start] & 0xC0) == 0x80) {
        --start;
    }
    const auto decoded = decodeUtf8At(bytes, start);
    if (!decoded || start + decoded->length != bytes.size() || !isWhitespace(decoded->codePoint)) {
        return 0;
    }
    return decoded->length;
}

} // namespace

std::optional<DecodedCodePoint> decodeUtf8At(ByteView bytes, std::size_t position) {
    if (position >= bytes.size()) {
        return std::nullopt;
    }
    const LeadByte lead = classifyLead(bytes[position]);
    const auto length = static_cast<std::size_t>(lead.length);
    if (lead.length == 0 || bytes.size() - position < length) {
        return std::nullopt;
    }
    char32_t c = lead.initialBits;
    for (std::size_t k = 1; k < length; ++k) {
        const std::uint8_t next = bytes[position + k];
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < lead.smallest || c > 0x10FFFF || isSurrogate(c)) {
        return std::nullopt;
    }
    return DecodedCodePoint{c, length};
}

std::optional<std::u32string> decodeUtf8(ByteView bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto decoded = decodeUtf8At(bytes, i);
        if (!decoded) {
            return std::nullopt;
        }
        text.push_back(decoded->codePoint);
        i += decoded->length;
    }
    return text;
}

std::optional<std::u32string> decodeUtf16(ByteView bytes, Endianness order) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    const auto unitAt = [&](std::size_t index) -> char32_t {
        const std::uint8_t first = bytes[2 * index];
        const std::uint8_t second = bytes[2 * index + 1];
        return order == Endianness::little ? first | (second << 8) : (first << 8) | second;
    };
    const std::size_t units = bytes.size() / 2;
    std::u32string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (!isSurrogate(unit)) {
            text.push_back(unit);
            continue;
        }
        if (unit >= 0xDC00 || i + 1 == units) {
            return std::nullopt;
        }
        const char32_t low = unitAt(i + 1);
        if (low < 0xDC00 || low > 0xDFFF) {
            return std::nullopt;
        }
        text.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
    }
    return text;
}

std::optional<std::u32string> decodeUtf16WithByteOrderMark(ByteView bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return decodeUtf16(bytes.subspan(2), Endianness::little);
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return decodeUtf16(bytes.subspan(2), Endianness::big);
    }
    return decodeUtf16(bytes, Endianness::big);
}

bool isWhitespace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool isNewline(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isHexDigit(char32_t c) {
    return c < 0x80 && Ascii::isHexDigit(static_cast<char>(c));
}

std::u32string_view trimmed(std::u32string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isWhitespace(text[begin])) {
        ++begin;
    }
    while (end > begin && isWhitespace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::size_t findIgnoringCase(std::u32string_view text, std::u32string_view needle,
                             std::size_t from) {
    if (needle.size() > text.size()) {
        return std::u32string_view::npos;
    }
    for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
        std::size_t k = 0;
        while (k < needle.size() && toLowerAscii(text[at + k]) == toLowerAscii(needle[k])) {
            ++k;
        }
        if (k == needle.size()) {
            return at;
        }
    }
    return std::u32string_view::npos;
}

bool isValidUtf8(std::string_view text) {
    const ByteView bytes = bytesOf(text);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto decoded = decodeUtf8At(bytes, i);
        if (!decoded) {
            return false;
        }
        i += decoded->length;
    }
    return true;
}

std::string_view trimWhitespace(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = whitespaceLengthAt(bytesOf(text), 0);
        if (length == 0) {
            break;
        }
        text.remove_prefix(length);
    }
    while (!text.empty()) {
        const std::size_t length = trailingWhitespaceLength(bytesOf(text));
        if (length == 0) {
            break;
        }
        text.remove_suffix(length);
    }
    return text;
}

std::vector<std::string_view> splitAtWhitespace(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t tokenStart = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t length = whitespaceLengthAt(bytesOf(text), position);
        if (length == 0) {
            ++position;
            continue;
        }
        if (position > tokenStart) {
            tokens.push_back(text.substr(tokenStart, position - tokenStart));
        }
        position += length;
        tokenStart = position;
    }
    if (position > tokenStart) {
        tokens.push_back(text.substr(tokenStart));
    }
    return tokens;
}

} // namespace ventora::Unicode
