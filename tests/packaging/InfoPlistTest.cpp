#include "core/FileSystem.hpp"
#include "output/Plist.hpp"
#include "ui/MainWindowController.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <regex>

namespace ventora {
namespace {

struct InfoPlist {
    Bytes text = FileSystem::readWholeFile(VENTORA_INFO_PLIST_PATH);
    Plist::PlistPtr root = Plist::parse(text, VENTORA_INFO_PLIST_PATH);
};

std::string stringOf(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) {
        return "(not a string)";
    }
    std::uint64_t length = 0;
    const char* value = plist_get_string_ptr(node, &length);
    return std::string(value, length);
}

std::string stringValue(plist_t dictionary, const std::string& key) {
    return stringOf(Plist::item(dictionary, key, PLIST_STRING));
}

bool boolValue(plist_t dictionary, const std::string& key) {
    plist_t node = Plist::item(dictionary, key, PLIST_BOOLEAN);
    std::uint8_t value = 0;
    if (node != nullptr) {
        plist_get_bool_val(node, &value);
    }
    return value != 0;
}

TEST(InfoPlistTest, BundleKeysAreFilledIn) {
    const InfoPlist info;
    plist_t root = info.root.get();
    const std::string text(info.text.begin(), info.text.end());
    EXPECT_EQ(text.find('@'), std::string::npos) << "a template variable was left unreplaced";

    const std::pair<const char*, std::string> expected[] = {
        {"CFBundleIdentifier", VENTORA_APP_ID}, {"CFBundleName", "Ventora"},
        {"CFBundleDisplayName", "Ventora"},     {"CFBundleExecutable", VENTORA_BUNDLE_NAME},
        {"CFBundlePackageType", "APPL"},        {"CFBundleShortVersionString", VENTORA_VERSION},
        {"CFBundleVersion", VENTORA_VERSION},   {"CFBundleIconFile", "ventora.icns"},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(stringValue(root, key), value) << key;
    }
    EXPECT_TRUE(std::regex_match(stringValue(root, "LSMinimumSystemVersion"),
                                 std::regex(R"(\d+\.\d+(\.\d+)?)")));
    EXPECT_TRUE(boolValue(root, "NSHighResolutionCapable"));

    const Bytes icon = FileSystem::readWholeFile(std::string(VENTORA_MACOS_PACKAGING_DIR) + "/" +
                                                 stringValue(root, "CFBundleIconFile"));
    EXPECT_EQ(std::string(icon.begin(), icon.begin() + std::min<std::size_t>(4, icon.size())),
              "icns");
}

// Finder offers the bundle for exactly the files the window accepts.
TEST(InfoPlistTest, DocumentTypesCoverEveryInputExtensionOnce) {
    const InfoPlist info;
    plist_t types = Plist::item(info.root.get(), "CFBundleDocumentTypes", PLIST_ARRAY);
    ASSERT_NE(types, nullptr);
    std::vector<std::string> extensions;
    for (std::uint32_t index = 0; index < plist_array_get_size(types); ++index) {
        plist_t type = plist_array_get_item(types, index);
        EXPECT_FALSE(stringValue(type, "CFBundleTypeName").empty());
        EXPECT_EQ(stringValue(type, "CFBundleTypeRole"), "Viewer");
        plist_t list = Plist::item(type, "CFBundleTypeExtensions", PLIST_ARRAY);
        ASSERT_NE(list, nullptr);
        for (std::uint32_t item = 0; item < plist_array_get_size(list); ++item) {
            extensions.push_back(stringOf(plist_array_get_item(list, item)));
        }
    }
    std::vector<std::string> accepted;
    for (const QString& extension : MainWindowController::supportedInputExtensions()) {
        accepted.push_back(extension.toStdString());
    }
    std::sort(extensions.begin(), extensions.end());
    std::sort(accepted.begin(), accepted.end());
    EXPECT_EQ(extensions, accepted);
}

} // namespace
} // namespace ventora
