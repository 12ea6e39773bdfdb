#include "support/TextExports.hpp"

namespace ventora::test {

std::string hexPairs(ByteView bytes, std::string_view prefix, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += std::string(i == 0 ? "" : separator) + std::string(prefix) +
                ByteUtils::hexString(bytes.subspan(i, 1));
    }
    return text;
}

std::string registryValue(ByteView bytes, std::string_view eol) {
    std::string text = "\"PP_PhmSoftPowerPlayTable\"=hex:";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += ByteUtils::hexString(bytes.subspan(i, 1));
        if (i + 1 < bytes.size()) {
            text += (i + 1) % 25 == 0 ? ",\\" + std::string(eol) + "  " : ",";
        }
    }
    return text + std::string(eol);
}

std::string registryExport(ByteView bytes) {
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\{4d36e968}\\0000]\r\n" +
           registryValue(bytes) + "\"Other\"=dword:00000001\r\n";
}

Bytes utf16LittleEndian(std::string_view text) {
    Bytes bytes = {0xFF, 0xFE};
    for (const char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

} // namespace ventora::test
