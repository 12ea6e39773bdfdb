// Feeds arbitrary text to the device path gate. Whatever the input, an accepted path is in
// canonical form: passing it in again returns it unchanged.
#include "devicepath/DevicePathSyntax.hpp"

#include <cstdlib>
#include <string>

using namespace ventora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(data, data + size);
    const auto canonical = DevicePathDetector::canonicalDevicePropertiesPath(text);
    if (canonical && DevicePathDetector::canonicalDevicePropertiesPath(*canonical) != canonical) {
        std::abort();
    }
    return 0;
}
