#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ventora::DevicePathDetector {

/// The canonical path of Windows Device Manager's "Location paths" text
/// (PCIROOT(0)#PCI(0101)#PCI(0000), hexadecimal numbers); when both of its lines were pasted,
/// the PCIROOT one is used. Absent for any other text.
[[nodiscard]] std::optional<std::string> canonicalFromLocationPaths(std::string_view text);

/// A typed path as the rest of the program is to see it: Windows location paths in canonical
/// form, anything else unchanged.
[[nodiscard]] std::string acceptTypedDevicePath(std::string_view text);

} // namespace ventora::DevicePathDetector
