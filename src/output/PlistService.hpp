#pragma once

#include "core/ByteUtils.hpp"
#include "core/PlatformContext.hpp"

#include <filesystem>
#include <optional>
#include <plist/plist.h>
#include <string>
#include <string_view>

namespace ventora {

/// Writes the OpenCore config.plist that injects the patched PowerPlay table: the shipped
/// BaseConfig.plist with its DeviceProperties -> Add section rewritten for one device path,
/// written as XML and read back to prove the three injected properties are exactly the
/// requested ones. Stateless; the template is only read.
namespace PlistService {

inline constexpr const char* powerPlayTableKey = "PP_PhmSoftPowerPlayTable";
inline constexpr const char* deviceIDKey = "device-id";
inline constexpr const char* noGfxSpoofKey = "no-gfx-spoof";

/// Builds outputDirectory/config.plist from the template in context.resourcesDirectory and
/// returns its path. `devicePath` may be in any spelling the path grammar accepts; the entry
/// is stored under the canonical spelling.
std::filesystem::path
generateConfig(ByteView sppt, const std::filesystem::path& outputDirectory,
               std::string_view devicePath, std::optional<int> spoofDeviceID, bool noGfxSpoof,
               const PlatformContext& context = PlatformContext::fromSystem());

/// Rewrites DeviceProperties -> Add of `config` (a dictionary) in place: the table leaves
/// every other entry, and `path` (canonical) receives the table and the spoof properties.
void patchOpenCore(plist_t config, ByteView sppt, const std::string& path,
                   std::optional<int> spoofDeviceID, bool noGfxSpoof);

/// Reads `configPath` back and throws unless the entry under `path` holds exactly these
/// three properties' expected values.
void validate(const std::filesystem::path& configPath, ByteView expectedSPPT,
              const std::string& path, std::optional<int> spoofDeviceID, bool noGfxSpoof);

} // namespace PlistService
} // namespace ventora
