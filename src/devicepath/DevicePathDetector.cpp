#include "devicepath/DevicePathDetector.hpp"

#include "core/HexFormat.hpp"
#include "core/PciIdentity.hpp"
#include "devicepath/GfxutilResolver.hpp"
#include "devicepath/IORegistryParser.hpp"
#include "devicepath/SysfsDetector.hpp"
#include "devicepath/ToolOutput.hpp"

#include <algorithm>

namespace ventora::DevicePathDetector {
namespace {

constexpr double ioregTimeoutSeconds = 4.0;

// Absent or empty output both mean the registry could not be read.
std::optional<std::string> readIORegistry(const CancellationToken* token,
                                          const PlatformContext& context) {
    auto output = toolOutput(context.ioregExecutable, {"-p", "IODeviceTree", "-w0", "-l"},
                             ioregTimeoutSeconds, token, "ioreg", context);
    if (!output || output->empty()) {
        return std::nullopt;
    }
    return output;
}

// gfxutil's answer when it names an AMD GFX0 or no vendor at all; a GFX0 of another vendor
// is not the card we are after.
std::optional<std::string> pathFromGfxutil(const GfxutilTarget& target,
                                           std::vector<std::string>& messages) {
    if (target.vendorID && *target.vendorID != amdVendorID) {
        return std::nullopt;
    }
    if (target.vendorID && target.deviceID) {
        messages.push_back("Resolved GFX0 with gfxutil: vendor-id " + hexId(amdVendorID) +
                           ", device-id " + hexId(static_cast<std::uint64_t>(*target.deviceID)) +
                           ", path " + target.path + ".");
    } else {
        messages.push_back("Resolved GFX0 DeviceProperties path with gfxutil: " + target.path +
                           ". PCI identity was not present in gfxutil output.");
    }
    return target.path;
}

// gfxutil confirms a typed path only with a supported AMD device id at exactly that path.
std::optional<DetectedGPU> gpuFromGfxutil(const std::optional<GfxutilTarget>& target,
                                          const std::string& canonical) {
    if (!target || target->path != canonical || target->vendorID != amdVendorID ||
        !target->deviceID) {
        return std::nullopt;
    }
    const auto gpuFamily = family(*target->deviceID);
    if (!gpuFamily) {
        return std::nullopt;
    }
    return DetectedGPU{canonical, amdVendorID, *target->deviceID, *gpuFamily};
}

} // namespace

std::optional<std::string> detectPath(std::vector<std::string>& messages,
                                      const CancellationToken* token,
                                      const PlatformContext& context,
                                      std::optional<int> sourceDeviceID) {
    if (context.sysfsDirectory) {
        return SysfsDetector::detectPath(*context.sysfsDirectory, messages, token, sourceDeviceID);
    }
    if (const auto target = detectGfxutilTarget(token, context)) {
        if (auto path = pathFromGfxutil(*target, messages)) {
            return path;
        }
    }
    const auto output = readIORegistry(token, context);
    if (!output) {
        messages.push_back(
            isCancelled(token)
                ? "IORegistry detection cancelled."
                : "Could not read IORegistry while detecting the GPU DeviceProperties path.");
        return std::nullopt;
    }
    const auto path = parseIORegistry(*output);
    if (!path) {
        messages.push_back("Could not identify a usable GFX0 or unique supported AMD GPU "
                           "DeviceProperties path from IORegistry.");
        return std::nullopt;
    }
    const auto gpus = supportedGPUs(parseIORegistryTargets(*output));
    const auto gpu = std::find_if(gpus.begin(), gpus.end(), [&](const DetectedGPU& candidate) {
        return candidate.path == *path;
    });
    if (gpu != gpus.end()) {
        messages.push_back("Detected supported AMD GPU: " + describe(*gpu));
    } else {
        messages.push_back("Detected GFX0 DeviceProperties path: " + *path +
                           ". GPU device-id was not confirmed from IORegistry.");
    }
    return path;
}

std::optional<DetectedGPU> detectGPU(std::string_view path, std::vector<std::string>& messages,
                                     const CancellationToken* token,
                                     const PlatformContext& context) {
    const auto canonical = canonicalDevicePropertiesPath(path);
    if (!canonical) {
        return std::nullopt;
    }
    if (context.sysfsDirectory) {
        return SysfsDetector::detectGPU(*context.sysfsDirectory, *canonical, messages, token);
    }
    if (const auto gpu = gpuFromGfxutil(detectGfxutilTarget(token, context), *canonical)) {
        messages.push_back("Verified DeviceProperties target with gfxutil GFX0: " + describe(*gpu));
        return gpu;
    }
    const auto output = readIORegistry(token, context);
    if (!output) {
        messages.push_back(
            isCancelled(token)
                ? "IORegistry path verification cancelled."
                : "Could not read IORegistry to verify the manual DeviceProperties path.");
        return std::nullopt;
    }
    std::vector<DetectedGPU> matches;
    for (auto& gpu : supportedGPUs(parseIORegistryTargets(*output))) {
        if (gpu.path == *canonical) {
            matches.push_back(std::move(gpu));
        }
    }
    if (matches.size() != 1) {
        messages.push_back("Could not confirm a supported AMD GPU identity at the manual "
                           "DeviceProperties path in IORegistry: " +
                           *canonical + ".");
        return std::nullopt;
    }
    messages.push_back("Verified manual DeviceProperties target: " + describe(matches.front()));
    return matches.front();
}

} // namespace ventora::DevicePathDetector
