// Feeds arbitrary text to the gfxutil output reader. Whatever the input, a result carries a
// canonical path and ids of at most four hexadecimal digits, both or neither.
#include "devicepath/DevicePathSyntax.hpp"
#include "devicepath/GfxutilResolver.hpp"

#include <cstdlib>
#include <string>

using namespace ventora;

namespace {

bool isIdentity(const std::optional<int>& id) {
    return id && *id >= 0 && *id <= 0xFFFF;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(data, data + size);
    const auto target = DevicePathDetector::parseGfxutilOutput(text);
    if (!target) {
        return 0;
    }
    const bool idsConsistent =
        target->vendorID.has_value() == target->deviceID.has_value() &&
        (!target->vendorID || (isIdentity(target->vendorID) && isIdentity(target->deviceID)));
    if (DevicePathDetector::canonicalDevicePropertiesPath(target->path) != target->path ||
        !idsConsistent) {
        std::abort();
    }
    return 0;
}
