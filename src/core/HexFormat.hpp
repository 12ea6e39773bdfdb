#pragma once

#include <cstdint>
#include <string>

namespace ventora {

/// The program's one spelling of hexadecimal numbers in messages: "0x" followed by
/// upper-case digits, zero-padded to `minimumDigits`. Offsets use 1 ("0x%X"), single
/// bytes 2 ("0x%02X") and PCI ids 4 ("0x%04X").
[[nodiscard]] std::string formatHex(std::uint64_t value, int minimumDigits = 1);

[[nodiscard]] inline std::string hexOffset(std::uint64_t value) {
    return formatHex(value, 1);
}
[[nodiscard]] inline std::string hexByte(std::uint64_t value) {
    return formatHex(value, 2);
}
[[nodiscard]] inline std::string hexId(std::uint64_t value) {
    return formatHex(value, 4);
}

} // namespace ventora
