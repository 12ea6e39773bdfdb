#include "output/DevicePropertiesSnippet.hpp"

#include "output/Plist.hpp"
#include "output/PlistService.hpp"

namespace ventora::DevicePropertiesSnippet {

// The config's own injection applied to an empty config leaves exactly the fragment.
Bytes build(ByteView sppt, const std::string& canonicalPath, std::optional<int> spoofDeviceID,
            bool noGfxSpoof) {
    const Plist::PlistPtr root = Plist::newDictionary();
    PlistService::patchOpenCore(root.get(), sppt, canonicalPath, spoofDeviceID, noGfxSpoof);
    return Plist::toXml(root.get());
}

} // namespace ventora::DevicePropertiesSnippet
