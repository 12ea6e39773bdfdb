#include "output/ExportDecisions.hpp"

#include "core/AppError.hpp"
#include "core/HexFormat.hpp"
#include "core/Unicode.hpp"

#include <algorithm>
#include <array>

namespace ventora::ExportDecisions {
namespace {

// Any Unicode white space counts, as in the path grammar: a field holding only a
// no-break space must not be taken for a typed path.
bool isBlank(const std::string& text) {
    return Unicode::trimWhitespace(text).empty();
}

std::string familyName(GpuFamily family) {
    return std::string(rawValue(family));
}

std::string fallbackLine() {
    return std::string("Using generic DeviceProperties fallback path: ") + fallbackDevicePath +
           ". Move the generated properties to the actual GPU path on the target machine if "
           "its topology differs.";
}

const char* const differentIdentityLine =
    "Local GPU identity differs from, or cannot authoritatively identify, the loaded source. "
    "This does not block offline patch generation.";
const char* const exactMatchLine = "Loaded source identity matches the local GPU exactly.";

bool matchesSource(const DetectedGPU& gpu, const SpptDocument& document, GpuFamily family) {
    return document.sourceIdentity == PciIdentity{gpu.vendorID, gpu.deviceID} &&
           gpu.family == family && DevicePathDetector::family(gpu.deviceID) == family;
}

PathDecision manualPath(const SpptDocument& document, GpuFamily family, const std::string& override,
                        std::vector<std::string>& messages, const CancellationToken* token,
                        const PlatformContext& context) {
    const auto canonical = DevicePathDetector::canonicalDevicePropertiesPath(override);
    if (!canonical) {
        throw AppError("Invalid DeviceProperties path override. Output was blocked instead of "
                       "silently using another path.");
    }
    auto gpu = DevicePathDetector::detectGPU(*canonical, messages, token, context);
    messages.emplace_back("Manual DeviceProperties path accepted as authoritative for this "
                          "export.");
    if (!gpu) {
        messages.emplace_back("IORegistry did not confirm a supported AMD device-id at the "
                              "manual path; generation continues without inventing a local "
                              "GPU identity.");
    } else if (matchesSource(*gpu, document, family)) {
        messages.emplace_back("The live GPU at the manual path matches the loaded source "
                              "identity.");
        messages.emplace_back(exactMatchLine);
    } else {
        messages.push_back("Warning: manual path points to local " + familyName(gpu->family) +
                           " device-id " + hexId(static_cast<std::uint64_t>(gpu->deviceID)) +
                           ", while the loaded source is being patched independently. "
                           "Generation continues because manual paths are authoritative.");
        messages.emplace_back(differentIdentityLine);
    }
    return {*canonical, std::move(gpu)};
}

PathDecision automaticPath(const SpptDocument& document, GpuFamily family,
                           std::vector<std::string>& messages, const CancellationToken* token,
                           const PlatformContext& context) {
    // A known AMD source identity may pick its own card among several in the machine.
    const auto& source = document.sourceIdentity;
    const auto sourceDeviceID =
        source && source->isAmd() ? std::optional(source->deviceID) : std::nullopt;
    const auto path = DevicePathDetector::detectPath(messages, token, context, sourceDeviceID);
    if (!path) {
        messages.emplace_back("No usable local GFX0 path was detected.");
        messages.push_back(fallbackLine());
        return {fallbackDevicePath, std::nullopt};
    }
    auto gpu = DevicePathDetector::detectGPU(*path, messages, token, context);
    if (!gpu) {
        messages.emplace_back("A local GFX0 path was found but its PCI identity could not be "
                              "confirmed. It will not be assumed to belong to the loaded "
                              "source.");
        messages.push_back(fallbackLine());
        return {fallbackDevicePath, std::nullopt};
    }
    if (matchesSource(*gpu, document, family)) {
        messages.emplace_back("Automatically detected GFX0 belongs to the loaded source GPU; "
                              "using its DeviceProperties path.");
        messages.emplace_back(exactMatchLine);
        const auto canonical = DevicePathDetector::canonicalDevicePropertiesPath(*path);
        return {canonical.value_or(fallbackDevicePath), std::move(gpu)};
    }
    const std::string sourceID =
        source ? hexId(static_cast<std::uint64_t>(source->deviceID)) : "unknown";
    messages.push_back("Warning: local GFX0 is " + familyName(gpu->family) + " device-id " +
                       hexId(static_cast<std::uint64_t>(gpu->deviceID)) +
                       " but loaded source device-id is " + sourceID +
                       ". This is an offline/cross-GPU export; the local GFX0 path will not "
                       "be used.");
    messages.push_back(fallbackLine());
    messages.emplace_back(differentIdentityLine);
    return {fallbackDevicePath, std::move(gpu)};
}

// Polaris cards whose own id macOS does not drive; they need the framebuffer spoof as well.
bool needsNoGfxSpoof(int physicalDeviceID) {
    constexpr std::array ids{0x6981, 0x6985, 0x6987, 0x6995, 0x699F};
    return std::find(ids.begin(), ids.end(), physicalDeviceID) != ids.end();
}

} // namespace

void checkSourceIdentity(const SpptDocument& document, GpuFamily family) {
    const auto& source = document.sourceIdentity;
    if (!source || !source->isAmd()) {
        return;
    }
    const auto sourceFamily = DevicePathDetector::family(source->deviceID);
    if (sourceFamily && *sourceFamily != family) {
        throw AppError("PowerPlay/source identity mismatch: loaded " + familyName(family) +
                       " table does not match source VBIOS device-id " +
                       hexId(static_cast<std::uint64_t>(source->deviceID)) + " (" +
                       familyName(*sourceFamily) + "). Output was blocked.");
    }
}

PathDecision decideDevicePath(const SpptDocument& document, GpuFamily family,
                              const std::optional<std::string>& override,
                              std::vector<std::string>& messages, const CancellationToken* token,
                              const PlatformContext& context) {
    if (override && !isBlank(*override)) {
        return manualPath(document, family, *override, messages, token, context);
    }
    return automaticPath(document, family, messages, token, context);
}

SpoofDecision decideSpoof(const SpptDocument& document, std::optional<int> physicalDeviceID,
                          std::vector<std::string>& messages) {
    SpoofDecision decision;
    if (!physicalDeviceID) {
        messages.emplace_back("Loaded source does not provide a confirmed AMD PCI device-id "
                              "matching this PowerPlay family; device-id and no-gfx-spoof are "
                              "intentionally omitted instead of borrowing the host GPU "
                              "identity.");
        decision.identitySourceLabel = "unavailable";
    } else {
        decision.identitySourceLabel = "source VBIOS";
        const auto physical = static_cast<std::uint64_t>(*physicalDeviceID);
        decision.spoofDeviceID = DevicePathDetector::spoofDeviceID(*physicalDeviceID);
        if (!decision.spoofDeviceID) {
            messages.push_back("Confirmed source VBIOS physical device-id: " + hexId(physical) +
                               ". No OpenCore device-id spoof is mapped for this ID.");
        } else {
            messages.push_back(
                "OpenCore device-id spoof will be generated from source VBIOS physical "
                "identity: " +
                hexId(physical) + " -> " +
                hexId(static_cast<std::uint64_t>(*decision.spoofDeviceID)) + ".");
            decision.noGfxSpoof = needsNoGfxSpoof(*physicalDeviceID);
        }
    }
    if (!document.sourceIdentity) {
        messages.emplace_back("Source input has no VBIOS PCI device identity.");
    } else {
        messages.push_back("Source VBIOS device-id: " +
                           hexId(static_cast<std::uint64_t>(document.sourceIdentity->deviceID)) +
                           ".");
    }
    return decision;
}

} // namespace ventora::ExportDecisions
