#pragma once

#include "core/ByteUtils.hpp"
#include "core/PlatformContext.hpp"

#include <filesystem>
#include <optional>
#include <plist/plist.h>
#include <string>
#include <string_view>
#include <vector>

namespace ventora {

/// Writes the OpenCore config.plist that injects the patched PowerPlay table: the shipped
/// BaseConfig.plist, or the user's own config, with its DeviceProperties -> Add section
/// rewritten for one device path, written as XML and read back to prove the three injected
/// properties are exactly the requested ones. Stateless; the base is only read.
namespace PlistService {

/// Far above any real OpenCore config; a larger file was chosen by mistake.
inline constexpr std::size_t maximumUserConfigBytes = 16U << 20U;

/// The user's own config.plist, chosen as the base instead of the template. Its bytes are
/// read once, so the merge and the archive's byte copy of it see the same file.
struct UserConfig {
    std::filesystem::path path;
    Bytes bytes;
};

/// Reads the chosen file; throws an AppError naming it when it cannot be read or is larger
/// than maximumUserConfigBytes.
[[nodiscard]] UserConfig readUserConfig(const std::filesystem::path& path);

/// Builds outputDirectory/config.plist from the template in context.resourcesDirectory and
/// returns its path. `devicePath` may be in any spelling the path grammar accepts; the entry
/// is stored under the canonical spelling.
std::filesystem::path
generateConfig(ByteView sppt, const std::filesystem::path& outputDirectory,
               std::string_view devicePath, std::optional<int> spoofDeviceID, bool noGfxSpoof,
               const PlatformContext& context = PlatformContext::fromSystem());

/// As generateConfig, with `base` in place of the template: XML or binary, its root a
/// dictionary. Entries under DeviceProperties -> Add that name the target device in another
/// spelling are folded into the canonical key first, and `messages` gains one line for each.
std::filesystem::path generateConfigFrom(const UserConfig& base, ByteView sppt,
                                         const std::filesystem::path& outputDirectory,
                                         std::string_view devicePath,
                                         std::optional<int> spoofDeviceID, bool noGfxSpoof,
                                         std::vector<std::string>& messages);

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
