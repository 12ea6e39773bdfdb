#pragma once

#include <string>

namespace ventora::test {

// Spelled out rather than taken from the code, so that a changed text fails.
inline const std::string readOnly =
    "VBIOS was read as a file only. No firmware write or flash operation was performed.";

inline std::string extractedLine(const std::string& offset, std::size_t size) {
    return "Extracted PowerPlayInfo/SPPT from saved VBIOS ROM. Offset: " + offset +
           ", size: " + std::to_string(size) + " bytes.";
}

} // namespace ventora::test
