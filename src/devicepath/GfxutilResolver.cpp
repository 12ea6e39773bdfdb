#include "devicepath/GfxutilResolver.hpp"

#include "core/Ascii.hpp"
#include "core/Unicode.hpp"
#include "devicepath/DevicePathSyntax.hpp"
#include "devicepath/HexNumber.hpp"
#include "devicepath/ToolOutput.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace ventora::DevicePathDetector {
namespace {

namespace fs = std::filesystem;

constexpr double gfxutilTimeoutSeconds = 4.0;
constexpr std::string_view identityTrimCharacters = "[](){}<>,;";

struct Identity {
    int vendorID;
    int deviceID;
};

std::vector<fs::path> candidateLocations(const PlatformContext& context) {
    std::vector<fs::path> candidates;
    if (!context.resourcesDirectory.empty()) {
        candidates.push_back(context.resourcesDirectory / "gfxutil");
    }
    candidates.insert(candidates.end(), context.gfxutilLocations.begin(),
                      context.gfxutilLocations.end());
    for (const fs::path& directory : context.searchPathDirectories()) {
        candidates.push_back(directory / "gfxutil");
    }
    return candidates;
}

// A relative PATH entry names a folder below the current one, as it does for the shell.
fs::path standardised(const fs::path& candidate) {
    std::error_code ignored;
    const fs::path absolute =
        candidate.is_absolute() ? candidate : fs::absolute(candidate, ignored);
    return absolute.lexically_normal();
}

// "VVVV:DDDD", possibly wrapped in brackets or followed by a comma.
std::optional<Identity> identityToken(std::string_view token) {
    const std::size_t first = token.find_first_not_of(identityTrimCharacters);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t last = token.find_last_not_of(identityTrimCharacters);
    token = token.substr(first, last - first + 1);
    const std::size_t colon = token.find(':');
    if (colon == std::string_view::npos || token.find(':', colon + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    const auto vendor = parseHexOfWidth(token.substr(0, colon), 4, 4);
    const auto device = parseHexOfWidth(token.substr(colon + 1), 4, 4);
    if (!vendor || !device) {
        return std::nullopt;
    }
    return Identity{static_cast<int>(*vendor), static_cast<int>(*device)};
}

std::optional<Identity> firstIdentity(std::string_view beforePath) {
    for (const auto token : Unicode::splitAtWhitespace(beforePath)) {
        if (const auto identity = identityToken(token)) {
            return identity;
        }
    }
    return std::nullopt;
}

[[nodiscard]] bool mentionsGfx0(std::string_view line) {
    return Ascii::uppercased(line).find("GFX0") != std::string::npos;
}

// Stores the line's ids for `path`, filling gaps; false when they contradict stored ones.
bool merge(GfxutilTarget& stored, std::optional<Identity> identity) {
    if (!identity) {
        return true;
    }
    if ((stored.vendorID && *stored.vendorID != identity->vendorID) ||
        (stored.deviceID && *stored.deviceID != identity->deviceID)) {
        return false;
    }
    stored.vendorID = identity->vendorID;
    stored.deviceID = identity->deviceID;
    return true;
}

} // namespace

std::optional<GfxutilTarget> detectGfxutilTarget(const CancellationToken* token,
                                                 const PlatformContext& context) {
    const auto executable = gfxutilExecutable(context);
    if (!executable) {
        return std::nullopt;
    }
    const auto output =
        toolOutput(*executable, {"-f", "GFX0"}, gfxutilTimeoutSeconds, token, "gfxutil", context);
    if (!output || output->empty()) {
        return std::nullopt;
    }
    return parseGfxutilOutput(*output);
}

std::optional<fs::path> gfxutilExecutable(const PlatformContext& context) {
    std::set<fs::path> examined;
    for (const auto& candidate : candidateLocations(context)) {
        const fs::path path = standardised(candidate);
        if (!examined.insert(path).second) {
            continue;
        }
        if (isExecutableFile(path)) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<GfxutilTarget> parseGfxutilOutput(std::string_view text) {
    std::map<std::string, GfxutilTarget> targets;
    for (const std::string_view line : Ascii::lines(text)) {
        const std::size_t pathStart = line.find("PciRoot(");
        if (line.empty() || !mentionsGfx0(line) || pathStart == std::string_view::npos) {
            continue;
        }
        const auto path =
            canonicalDevicePropertiesPath(Unicode::trimWhitespace(line.substr(pathStart)));
        if (!path) {
            continue;
        }
        const auto identity = firstIdentity(line.substr(0, pathStart));
        auto entry = targets.try_emplace(*path, GfxutilTarget{*path, {}, {}}).first;
        if (!merge(entry->second, identity)) {
            return std::nullopt;
        }
    }
    if (targets.size() != 1) {
        return std::nullopt;
    }
    return targets.begin()->second;
}

} // namespace ventora::DevicePathDetector
