#include "devicepath/GfxutilResolver.hpp"

#include "core/Ascii.hpp"
#include "core/Unicode.hpp"
#include "devicepath/DevicePathDetector.hpp"
#include "devicepath/ExecutableRunner.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace ventora::DevicePathDetector {
namespace {

using Ascii::hexDigitValue;
using Ascii::isHexDigit;

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

std::optional<int> readFourHexDigits(std::string_view piece) {
    if (piece.size() != 4 || !std::all_of(piece.begin(), piece.end(), isHexDigit)) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : piece) {
        value = value * 16 + hexDigitValue(c);
    }
    return value;
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
    const auto vendor = readFourHexDigits(token.substr(0, colon));
    const auto device = readFourHexDigits(token.substr(colon + 1));
    if (!vendor || !device) {
        return std::nullopt;
    }
    return Identity{*vendor, *device};
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
    std::string upper(line);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return upper.find("GFX0") != std::string::npos;
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
    const auto executable = gfxutilExecutableURL(context);
    if (!executable) {
        return std::nullopt;
    }
    const auto output = runExecutable(*executable, {"-f", "GFX0"}, gfxutilTimeoutSeconds, token,
                                      "gfxutil", context);
    if (!output || output->empty()) {
        return std::nullopt;
    }
    return parseGfxutilOutput(*output);
}

std::optional<fs::path> gfxutilExecutableURL(const PlatformContext& context) {
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
    for (std::size_t lineStart = 0; lineStart < text.size();) {
        const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

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
