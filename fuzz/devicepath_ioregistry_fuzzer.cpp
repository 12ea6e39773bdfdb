// Feeds arbitrary text to the I/O Registry reader. Whatever the input, the targets are
// sorted with distinct canonical paths, and the automatic choice and the supported GPUs are
// among them.
#include "devicepath/DevicePathSyntax.hpp"
#include "devicepath/GpuIdentityTables.hpp"
#include "devicepath/IORegistryParser.hpp"

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace ventora;
using namespace ventora::DevicePathDetector;

namespace {

bool hasTarget(const std::vector<RegistryTarget>& targets, const std::string& path) {
    return std::any_of(targets.begin(), targets.end(),
                       [&](const RegistryTarget& target) { return target.path == path; });
}

bool isValid(const std::vector<RegistryTarget>& targets) {
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (canonicalDevicePropertiesPath(targets[i].path) != targets[i].path ||
            (i > 0 && !(targets[i - 1].path < targets[i].path))) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(data, data + size);
    const auto targets = parseIORegistryTargets(text);
    const auto choice = parseIORegistry(text);
    if (!isValid(targets) || (choice && !hasTarget(targets, *choice))) {
        std::abort();
    }
    for (const auto& gpu : supportedGPUs(targets)) {
        if (!hasTarget(targets, gpu.path) || family(gpu.deviceID) != gpu.family) {
            std::abort();
        }
    }
    return 0;
}
