#include "core/ByteUtils.hpp"

#include <algorithm>

namespace ventora::ByteUtils {

bool isRangeValid(ByteView data, std::int64_t offset, std::int64_t length) {
    const auto count = static_cast<std::int64_t>(data.size());
    return offset >= 0 && length >= 0 && offset <= count && count - offset >= length;
}

std::uint16_t readUInt16LE(ByteView data, std::int64_t offset) {
    if (!isRangeValid(data, offset, 2)) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(offset);
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

std::uint32_t readUInt32LE(ByteView data, std::int64_t offset) {
    if (!isRangeValid(data, offset, 4)) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(offset);
    return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
           (static_cast<std::uint32_t>(data[at + 2]) << 16) |
           (static_cast<std::uint32_t>(data[at + 3]) << 24);
}

void writeUInt16LE(Bytes& data, std::int64_t offset, std::uint16_t value) {
    if (!isRangeValid(data, offset, 2)) {
        return;
    }
    const auto at = static_cast<std::size_t>(offset);
    data[at] = static_cast<std::uint8_t>(value & 0xFF);
    data[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::int64_t changedByteCount(ByteView a, ByteView b) {
    const std::size_t common = std::min(a.size(), b.size());
    const std::size_t longer = std::max(a.size(), b.size());
    std::int64_t changed = static_cast<std::int64_t>(longer - common);
    for (std::size_t i = 0; i < common; ++i) {
        changed += a[i] != b[i] ? 1 : 0;
    }
    return changed;
}

std::string hexString(ByteView data) {
    std::string text;
    text.reserve(data.size() * 2);
    for (const std::uint8_t byte : data) {
        text.push_back(uppercaseHexDigits[byte >> 4]);
        text.push_back(uppercaseHexDigits[byte & 0x0F]);
    }
    return text;
}

} // namespace ventora::ByteUtils
