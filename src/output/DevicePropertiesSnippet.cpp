#include "output/DevicePropertiesSnippet.hpp"

#include "devicepath/DevicePathDetector.hpp"
#include "output/Plist.hpp"
#include "output/PlistService.hpp"

namespace ventora::DevicePropertiesSnippet {

Bytes build(ByteView sppt, const std::string& canonicalPath, std::optional<int> spoofDeviceID,
            bool noGfxSpoof) {
    Plist::PlistPtr entry = Plist::newDictionary();
    Plist::setItem(entry.get(), PlistService::powerPlayTableKey, Plist::newData(sppt));
    if (spoofDeviceID) {
        Plist::setItem(
            entry.get(), PlistService::deviceIDKey,
            Plist::newData(DevicePathDetector::littleEndianDeviceIDData(*spoofDeviceID)));
    }
    if (noGfxSpoof) {
        Plist::setItem(entry.get(), PlistService::noGfxSpoofKey,
                       Plist::newData(DevicePathDetector::noGfxSpoofData()));
    }
    Plist::PlistPtr add = Plist::newDictionary();
    Plist::setItem(add.get(), canonicalPath, std::move(entry));
    Plist::PlistPtr deviceProperties = Plist::newDictionary();
    Plist::setItem(deviceProperties.get(), "Add", std::move(add));
    Plist::PlistPtr root = Plist::newDictionary();
    Plist::setItem(root.get(), "DeviceProperties", std::move(deviceProperties));
    return Plist::toXml(root.get());
}

} // namespace ventora::DevicePropertiesSnippet
