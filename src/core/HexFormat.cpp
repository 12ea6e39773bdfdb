#include "core/HexFormat.hpp"

#include "core/ByteUtils.hpp"

namespace ventora {

std::string formatHex(std::uint64_t value, int minimumDigits) {
    std::string digits;
    do {
        digits.insert(digits.begin(), ByteUtils::uppercaseHexDigits[value & 0x0F]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(digits.size()) < minimumDigits) {
        digits.insert(digits.begin(), '0');
    }
    return "0x" + digits;
}

} // namespace ventora
