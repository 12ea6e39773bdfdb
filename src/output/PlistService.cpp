#include "output/PlistService.hpp"

#include "core/AppError.hpp"
#include "core/FileSystem.hpp"
#include "devicepath/DevicePathDetector.hpp"
#include "output/Plist.hpp"

#include <algorithm>
#include <system_error>

namespace ventora::PlistService {
namespace {

namespace fs = std::filesystem;

constexpr const char* powerPlayTableKey = "PP_PhmSoftPowerPlayTable";
constexpr const char* deviceIDKey = "device-id";
constexpr const char* noGfxSpoofKey = "no-gfx-spoof";

bool sameBytes(const std::optional<Bytes>& actual, const std::optional<Bytes>& expected) {
    return actual.has_value() == expected.has_value() && (!actual || *actual == *expected);
}

// The dictionary under `key`, created (replacing a value of another type) when absent.
plist_t dictionaryChild(plist_t parent, const std::string& key) {
    if (plist_t existing = Plist::item(parent, key, PLIST_DICT)) {
        return existing;
    }
    Plist::setItem(parent, key, Plist::newDictionary());
    return plist_dict_get_item(parent, key.c_str());
}

// Strips the table from every entry; an entry left empty goes when its key is a PciRoot path.
void removeTableFromEveryEntry(plist_t add) {
    for (const std::string& key : Plist::keys(add)) {
        plist_t entry = Plist::item(add, key, PLIST_DICT);
        if (entry == nullptr) {
            continue;
        }
        Plist::removeItem(entry, powerPlayTableKey);
        if (plist_dict_get_size(entry) == 0 && key.find("PciRoot") != std::string::npos) {
            Plist::removeItem(add, key);
        }
    }
}

std::string canonicalOrThrow(std::string_view devicePath) {
    auto path = DevicePathDetector::canonicalDevicePropertiesPath(devicePath);
    if (!path) {
        throw AppError(
            "Invalid DeviceProperties path. Use a complete PciRoot(...)/Pci(...) chain.");
    }
    return std::move(*path);
}

// Copies each property of `from` that `into` does not hold yet, in `from`'s order.
void addMissingProperties(plist_t into, plist_t from) {
    for (const std::string& key : Plist::keys(from)) {
        if (plist_dict_get_item(into, key.c_str()) == nullptr) {
            Plist::setItem(into, key, Plist::copy(plist_dict_get_item(from, key.c_str())));
        }
    }
}

// Patches `root`, writes it as XML into outputDirectory and reads it back to prove it.
fs::path writePatchedConfig(plist_t root, ByteView sppt, const fs::path& outputDirectory,
                            const std::string& path, std::optional<int> spoofDeviceID,
                            bool noGfxSpoof) {
    patchOpenCore(root, sppt, path, spoofDeviceID, noGfxSpoof);
    const fs::path configPath = outputDirectory / "config.plist";
    FileSystem::writeFileAtomically(configPath, Plist::toXml(root));
    validate(configPath, sppt, path, spoofDeviceID, noGfxSpoof);
    return configPath;
}

// Merges every dictionary entry of DeviceProperties -> Add whose key canonicalises to `path`
// (canonical) into one entry under `path`, placed where the first of them was; properties of an
// entry already under `path` win over those of a respelled one. Returns the respelled keys in
// their order. Does nothing when the config has no such Add section.
std::vector<std::string> foldRespelledEntries(plist_t config, const std::string& path) {
    plist_t deviceProperties = Plist::item(config, "DeviceProperties", PLIST_DICT);
    plist_t add = Plist::item(deviceProperties, "Add", PLIST_DICT);
    if (add == nullptr) {
        return {};
    }
    const std::vector<std::string> keys = Plist::keys(add);
    std::vector<std::string> respelled;
    for (const std::string& key : keys) {
        if (key != path && Plist::item(add, key, PLIST_DICT) != nullptr &&
            DevicePathDetector::canonicalDevicePropertiesPath(key) == path) {
            respelled.push_back(key);
        }
    }
    if (respelled.empty()) {
        return {};
    }
    plist_t existing = Plist::item(add, path, PLIST_DICT);
    Plist::PlistPtr merged = existing != nullptr ? Plist::copy(existing) : Plist::newDictionary();
    for (const std::string& key : respelled) {
        addMissingProperties(merged.get(), plist_dict_get_item(add, key.c_str()));
    }
    // libplist cannot rename a key in place, so Add is rebuilt in its order with the merged
    // entry where the first spelling of the device stood.
    Plist::PlistPtr rebuilt = Plist::newDictionary();
    for (const std::string& key : keys) {
        const bool sameDevice =
            key == path || std::find(respelled.begin(), respelled.end(), key) != respelled.end();
        if (!sameDevice) {
            Plist::setItem(rebuilt.get(), key, Plist::copy(plist_dict_get_item(add, key.c_str())));
        } else if (merged) {
            Plist::setItem(rebuilt.get(), path, std::move(merged));
        }
    }
    Plist::setItem(deviceProperties, "Add", std::move(rebuilt));
    return respelled;
}

} // namespace

UserConfig readUserConfig(const fs::path& path) {
    Bytes bytes;
    try {
        bytes = FileSystem::readWholeFile(path, maximumUserConfigBytes);
    } catch (const std::system_error& error) {
        throw AppError("Could not read the chosen base config " + path.string() + ": " +
                       error.code().message() + ".");
    }
    if (bytes.size() > maximumUserConfigBytes) {
        throw AppError("The chosen base config " + path.string() + " is larger than " +
                       std::to_string(maximumUserConfigBytes >> 20U) +
                       " MiB, which no OpenCore config.plist is.");
    }
    return {path, std::move(bytes)};
}

void patchOpenCore(plist_t config, ByteView sppt, const std::string& path,
                   std::optional<int> spoofDeviceID, bool noGfxSpoof) {
    plist_t deviceProperties = dictionaryChild(config, "DeviceProperties");
    plist_t add = dictionaryChild(deviceProperties, "Add");
    removeTableFromEveryEntry(add);
    plist_t entry = dictionaryChild(add, path);
    Plist::setItem(entry, powerPlayTableKey, Plist::newData(sppt));
    if (spoofDeviceID) {
        Plist::setItem(
            entry, deviceIDKey,
            Plist::newData(DevicePathDetector::littleEndianDeviceIDData(*spoofDeviceID)));
        if (noGfxSpoof) {
            Plist::setItem(entry, noGfxSpoofKey,
                           Plist::newData(DevicePathDetector::noGfxSpoofData()));
        } else {
            Plist::removeItem(entry, noGfxSpoofKey);
        }
    } else {
        Plist::removeItem(entry, deviceIDKey);
        Plist::removeItem(entry, noGfxSpoofKey);
    }
}

void validate(const fs::path& configPath, ByteView expectedSPPT, const std::string& path,
              std::optional<int> spoofDeviceID, bool noGfxSpoof) {
    const Bytes bytes = FileSystem::readWholeFile(configPath);
    const Plist::PlistPtr root = Plist::parse(bytes, configPath.string());
    plist_t deviceProperties =
        Plist::item(static_cast<plist_t>(root.get()), "DeviceProperties", PLIST_DICT);
    plist_t add = Plist::item(deviceProperties, "Add", PLIST_DICT);
    plist_t entry = Plist::item(add, path, PLIST_DICT);
    const auto table = Plist::dataValue(Plist::item(entry, powerPlayTableKey, PLIST_DATA));
    if (!table ||
        !std::equal(table->begin(), table->end(), expectedSPPT.begin(), expectedSPPT.end())) {
        throw AppError("Generated config.plist validation failed. SPPT data was not written "
                       "correctly.");
    }
    std::optional<Bytes> expectedDeviceID;
    if (spoofDeviceID) {
        expectedDeviceID = DevicePathDetector::littleEndianDeviceIDData(*spoofDeviceID);
    }
    if (!sameBytes(Plist::dataValue(Plist::item(entry, deviceIDKey, PLIST_DATA)),
                   expectedDeviceID)) {
        throw AppError("Generated config.plist validation failed. device-id spoof does not "
                       "match the target mapping.");
    }
    std::optional<Bytes> expectedNoGfxSpoof;
    if (spoofDeviceID && noGfxSpoof) {
        expectedNoGfxSpoof = DevicePathDetector::noGfxSpoofData();
    }
    if (!sameBytes(Plist::dataValue(Plist::item(entry, noGfxSpoofKey, PLIST_DATA)),
                   expectedNoGfxSpoof)) {
        throw AppError("Generated config.plist validation failed. no-gfx-spoof does not "
                       "match the target mapping.");
    }
}

fs::path generateConfig(ByteView sppt, const fs::path& outputDirectory, std::string_view devicePath,
                        std::optional<int> spoofDeviceID, bool noGfxSpoof,
                        const PlatformContext& context) {
    const fs::path templatePath = context.resourcesDirectory / "BaseConfig.plist";
    std::error_code error;
    if (!fs::exists(templatePath, error)) {
        throw AppError("BaseConfig.plist is missing from the app bundle.");
    }
    const Bytes templateBytes = FileSystem::readWholeFile(templatePath);
    const std::string path = canonicalOrThrow(devicePath);
    const Plist::PlistPtr root = Plist::parse(templateBytes, templatePath.string());
    if (plist_get_node_type(static_cast<plist_t>(root.get())) != PLIST_DICT) {
        throw AppError("BaseConfig.plist is not a valid plist dictionary.");
    }
    return writePatchedConfig(static_cast<plist_t>(root.get()), sppt, outputDirectory, path,
                              spoofDeviceID, noGfxSpoof);
}

fs::path generateConfigFrom(const UserConfig& base, ByteView sppt, const fs::path& outputDirectory,
                            std::string_view devicePath, std::optional<int> spoofDeviceID,
                            bool noGfxSpoof, std::vector<std::string>& messages) {
    const std::string path = canonicalOrThrow(devicePath);
    const Plist::PlistPtr root = Plist::parse(base.bytes, base.path.string());
    if (plist_get_node_type(static_cast<plist_t>(root.get())) != PLIST_DICT) {
        throw AppError("The chosen base config " + base.path.string() +
                       " is not a valid plist dictionary.");
    }
    for (const std::string& key : foldRespelledEntries(static_cast<plist_t>(root.get()), path)) {
        messages.push_back("DeviceProperties -> Add entry \"" + key + "\" of the base config " +
                           "names the same device as " + path +
                           "; it was respelled to that key with its other properties kept.");
    }
    return writePatchedConfig(static_cast<plist_t>(root.get()), sppt, outputDirectory, path,
                              spoofDeviceID, noGfxSpoof);
}

} // namespace ventora::PlistService
