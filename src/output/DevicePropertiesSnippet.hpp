#pragma once

#include "core/ByteUtils.hpp"

#include <optional>
#include <string>

namespace ventora {

/// The stand-alone DeviceProperties fragment for users who merge it into their own
/// config.plist: DeviceProperties -> Add -> path -> the injected properties, nothing else.
namespace DevicePropertiesSnippet {

/// XML property list bytes. "device-id" appears only with a spoof id, "no-gfx-spoof" only
/// with a spoof id and the flag set.
[[nodiscard]] Bytes build(ByteView sppt, const std::string& canonicalPath,
                          std::optional<int> spoofDeviceID, bool noGfxSpoof);

} // namespace DevicePropertiesSnippet
} // namespace ventora
