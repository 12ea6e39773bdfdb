#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ventora::DevicePathDetector {

/// The path in canonical form (PciRoot(0x..)/Pci(0x..,0x..)..., upper-case digits, no
/// leading zeros), or absent when the text is not a complete, valid path.
[[nodiscard]] std::optional<std::string> canonicalDevicePropertiesPath(std::string_view text);

} // namespace ventora::DevicePathDetector
