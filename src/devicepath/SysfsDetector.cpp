#include "devicepath/SysfsDetector.hpp"

#include "devicepath/SysfsPciTree.hpp"

#include <algorithm>
#include <iterator>

namespace ventora::SysfsDetector {
namespace {

DetectedGPU detected(const SysfsGPU& gpu, const std::string& path) {
    return {path, gpu.vendorID, gpu.deviceID, gpu.family};
}

// The one candidate, or the one left after keeping the source's device id; otherwise the
// line that says why there is no answer.
std::optional<SysfsGPU> chooseGPU(const std::vector<SysfsGPU>& gpus,
                                  std::optional<int> sourceDeviceID,
                                  std::vector<std::string>& messages) {
    if (gpus.empty()) {
        messages.emplace_back("No supported AMD GPU was found in sysfs.");
        return std::nullopt;
    }
    if (gpus.size() == 1) {
        return gpus.front();
    }
    std::vector<SysfsGPU> narrowed;
    std::copy_if(gpus.begin(), gpus.end(), std::back_inserter(narrowed),
                 [&](const SysfsGPU& gpu) { return gpu.deviceID == sourceDeviceID; });
    if (narrowed.size() == 1) {
        return narrowed.front();
    }
    messages.push_back("Found " + std::to_string(gpus.size()) + " supported AMD GPUs in sysfs (" +
                       SysfsPciTree::describe(gpus) +
                       ") and none is chosen by order; type the DeviceProperties path of the "
                       "card to use.");
    return std::nullopt;
}

} // namespace

std::optional<std::string> detectPath(const std::filesystem::path& sysfs,
                                      std::vector<std::string>& messages,
                                      const CancellationToken* token,
                                      std::optional<int> sourceDeviceID) {
    if (isCancelled(token)) {
        messages.emplace_back("Sysfs detection cancelled.");
        return std::nullopt;
    }
    const auto gpus = SysfsPciTree::supportedGPUs(sysfs);
    if (!gpus) {
        messages.emplace_back(
            "Could not read sysfs while detecting the GPU DeviceProperties path.");
        return std::nullopt;
    }
    const auto gpu = chooseGPU(*gpus, sourceDeviceID, messages);
    if (!gpu) {
        return std::nullopt;
    }
    const SysfsDevicePath found = SysfsPciTree::devicePath(sysfs, *gpu);
    if (found.rootNote) {
        messages.push_back(*found.rootNote);
    }
    if (!found.path) {
        messages.push_back(found.failure);
        return std::nullopt;
    }
    messages.push_back(
        "Detected supported AMD GPU at " + gpu->address + " in sysfs" +
        (gpus->size() > 1 ? ", the one with the loaded source's device-id: " : ": ") +
        describe(detected(*gpu, *found.path)));
    if (!found.describedInAcpi) {
        messages.push_back("The GPU at " + gpu->address +
                           " has no ACPI object (no firmware_node in sysfs); macOS may ignore "
                           "properties injected for a device missing from ACPI unless an SSDT "
                           "adds it.");
    }
    return found.path;
}

std::optional<DetectedGPU> detectGPU(const std::filesystem::path& sysfs,
                                     const std::string& canonical,
                                     std::vector<std::string>& messages,
                                     const CancellationToken* token) {
    if (isCancelled(token)) {
        messages.emplace_back("Sysfs path verification cancelled.");
        return std::nullopt;
    }
    const auto gpus = SysfsPciTree::supportedGPUs(sysfs);
    if (!gpus) {
        messages.emplace_back("Could not read sysfs to verify the manual DeviceProperties path.");
        return std::nullopt;
    }
    std::vector<SysfsGPU> matches;
    std::copy_if(gpus->begin(), gpus->end(), std::back_inserter(matches), [&](const SysfsGPU& gpu) {
        return SysfsPciTree::devicePath(sysfs, gpu).path == canonical;
    });
    if (matches.size() != 1) {
        messages.push_back("Could not confirm a supported AMD GPU identity at the manual "
                           "DeviceProperties path in sysfs: " +
                           canonical + ".");
        return std::nullopt;
    }
    const SysfsGPU& gpu = matches.front();
    messages.push_back("Verified DeviceProperties target in sysfs at " + gpu.address + ": " +
                       describe(detected(gpu, canonical)));
    return detected(gpu, canonical);
}

} // namespace ventora::SysfsDetector
