#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ventora {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

/// Little-endian helpers shared by the ROM walker, the layout detectors and the patcher.
/// Nothing here fails: out-of-range reads yield 0, out-of-range writes are ignored.
namespace ByteUtils {

inline constexpr std::string_view uppercaseHexDigits = "0123456789ABCDEF";

[[nodiscard]] bool isRangeValid(ByteView data, std::int64_t offset, std::int64_t length);
[[nodiscard]] std::uint16_t readUInt16LE(ByteView data, std::int64_t offset);
[[nodiscard]] std::uint32_t readUInt32LE(ByteView data, std::int64_t offset);
void writeUInt16LE(Bytes& data, std::int64_t offset, std::uint16_t value);
[[nodiscard]] std::int64_t changedByteCount(ByteView a, ByteView b);
[[nodiscard]] std::string hexString(ByteView data);

} // namespace ByteUtils
} // namespace ventora
