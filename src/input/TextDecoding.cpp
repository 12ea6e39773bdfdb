#include "input/TextDecoding.hpp"

#include "core/Unicode.hpp"

namespace ventora::SpptFileParser {
namespace {

bool beginsWith(ByteView bytes, std::uint8_t first, std::uint8_t second) {
    return bytes.size() >= 2 && bytes[0] == first && bytes[1] == second;
}

/// Exports written by Windows tools are often UTF-16 without a byte-order mark; ASCII text in
/// UTF-16 has a zero byte in every unit, on the side that tells the byte order.
std::optional<Unicode::Endianness> guessUtf16Order(ByteView bytes) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    const std::size_t units = bytes.size() / 2;
    std::size_t secondZero = 0;
    std::size_t firstZero = 0;
    for (std::size_t i = 0; i < units; ++i) {
        firstZero += bytes[2 * i] == 0 ? 1 : 0;
        secondZero += bytes[2 * i + 1] == 0 ? 1 : 0;
    }
    if (2 * secondZero >= units) {
        return Unicode::Endianness::little;
    }
    if (2 * firstZero >= units) {
        return Unicode::Endianness::big;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::u32string> decodeText(ByteView bytes) {
    if (beginsWith(bytes, 0xFF, 0xFE)) {
        return Unicode::decodeUtf16(bytes, Unicode::Endianness::little);
    }
    if (beginsWith(bytes, 0xFE, 0xFF)) {
        return Unicode::decodeUtf16(bytes, Unicode::Endianness::big);
    }
    if (const auto order = guessUtf16Order(bytes)) {
        return Unicode::decodeUtf16(bytes, *order);
    }
    if (auto text = Unicode::decodeUtf8(bytes)) {
        return text;
    }
    return Unicode::decodeUtf16WithByteOrderMark(bytes);
}

} // namespace ventora::SpptFileParser
