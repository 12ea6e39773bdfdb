#pragma once

#include "core/AppError.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"

#include <string>

namespace ventora::test {

inline const std::string readOnly(VbiosPowerPlayExtractor::readOnlyLine);

inline std::string extractedLine(const std::string& offset, std::size_t size) {
    return "Extracted PowerPlayInfo/SPPT from saved VBIOS ROM. Offset: " + offset +
           ", size: " + std::to_string(size) + " bytes.";
}

/// The AppError message extract() throws for `rom`, or a marker when it succeeds.
inline std::string extractionError(const Bytes& rom, const CancellationToken* token = nullptr) {
    try {
        (void)VbiosPowerPlayExtractor::extract(rom, token);
    } catch (const AppError& error) {
        return error.message();
    }
    return "<extracted>";
}

} // namespace ventora::test
