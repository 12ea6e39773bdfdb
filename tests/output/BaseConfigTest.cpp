#include "OutputSandbox.hpp"
#include "output/Plist.hpp"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace ventora {
namespace {

// Key path -> node type of every dictionary key in a property list, and of the keys of the
// dictionaries held by each array (recorded under "path[]"). Keys starting with "#" are
// OpenCore comments, and the entries of DeviceProperties -> Add are per-machine devices, not
// schema; neither is recorded.
using Schema = std::map<std::string, plist_type>;

void collect(plist_t node, const std::string& path, Schema& schema);

void collectArray(plist_t array, const std::string& path, Schema& schema) {
    for (uint32_t i = 0; i < plist_array_get_size(array); ++i) {
        plist_t element = plist_array_get_item(array, i);
        if (plist_get_node_type(element) == PLIST_DICT) {
            collect(element, path + "[]", schema);
        }
    }
}

void collect(plist_t node, const std::string& path, Schema& schema) {
    if (path == "/DeviceProperties/Add") {
        return;
    }
    for (const std::string& key : Plist::keys(node)) {
        if (key.starts_with("#")) {
            continue;
        }
        plist_t child = plist_dict_get_item(node, key.c_str());
        const std::string childPath = path + "/" + key;
        schema[childPath] = plist_get_node_type(child);
        if (plist_get_node_type(child) == PLIST_DICT) {
            collect(child, childPath, schema);
        } else if (plist_get_node_type(child) == PLIST_ARRAY) {
            collectArray(child, childPath, schema);
        }
    }
}

Schema schemaOf(const std::filesystem::path& file) {
    const Plist::PlistPtr root = Plist::parse(test::readFile(file), file.string());
    EXPECT_EQ(plist_get_node_type(root.get()), PLIST_DICT) << file;
    Schema schema;
    collect(root.get(), "", schema);
    return schema;
}

TEST(base_config_test, has_exactly_the_keys_of_the_opencore_sample_with_their_types) {
    const Schema sample = schemaOf(VENTORA_OPENCORE_SAMPLE_PATH);
    const Schema ours = schemaOf(VENTORA_BASE_CONFIG_PATH);
    ASSERT_GT(sample.size(), 300U);
    for (const auto& [path, type] : sample) {
        // The sample's example array elements need not be shipped; the keys of those we do
        // ship are checked in the other direction.
        if (path.find("[]") == std::string::npos) {
            EXPECT_EQ(ours.contains(path) ? ours.at(path) : PLIST_NONE, type) << path;
        }
    }
    for (const auto& [path, type] : ours) {
        EXPECT_EQ(sample.contains(path) ? sample.at(path) : PLIST_NONE, type) << "ours: " << path;
    }
}

TEST(base_config_test, ships_no_device_properties) {
    const Plist::PlistPtr root =
        Plist::parse(test::readFile(VENTORA_BASE_CONFIG_PATH), VENTORA_BASE_CONFIG_PATH);
    plist_t deviceProperties = Plist::item(root.get(), "DeviceProperties", PLIST_DICT);
    ASSERT_NE(Plist::item(deviceProperties, "Add", PLIST_DICT), nullptr);
    EXPECT_EQ(plist_dict_get_size(Plist::item(deviceProperties, "Add", PLIST_DICT)), 0U);
    ASSERT_NE(Plist::item(deviceProperties, "Delete", PLIST_DICT), nullptr);
}

} // namespace
} // namespace ventora
