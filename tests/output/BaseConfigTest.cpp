#include "OutputSandbox.hpp"
#include "output/Plist.hpp"

#include <gtest/gtest.h>
#include <map>

namespace ventora {
namespace {

// Key path -> node type of every dictionary key, and of the keys of dictionaries held by an
// array (under "path[]"). OpenCore comments ("#...") and the per-machine devices under
// DeviceProperties -> Add are not schema.
using Schema = std::map<std::string, plist_type>;

void collect(plist_t node, const std::string& path, Schema& schema) {
    if (path == "/DeviceProperties/Add") {
        return;
    }
    for (const std::string& key : Plist::keys(node)) {
        plist_t child = plist_dict_get_item(node, key.c_str());
        const plist_type type = plist_get_node_type(child);
        const std::string childPath = path + "/" + key;
        if (key.starts_with("#")) {
            continue;
        }
        schema[childPath] = type;
        if (type == PLIST_DICT) {
            collect(child, childPath, schema);
        }
        for (uint32_t i = 0; type == PLIST_ARRAY && i < plist_array_get_size(child); ++i) {
            if (plist_get_node_type(plist_array_get_item(child, i)) == PLIST_DICT) {
                collect(plist_array_get_item(child, i), childPath + "[]", schema);
            }
        }
    }
}

Schema schemaOf(const std::filesystem::path& file) {
    Schema schema;
    collect(Plist::parse(test::readFile(file), file.string()).get(), "", schema);
    return schema;
}

TEST(BaseConfig, HasExactlyTheKeysOfTheOpenCoreSampleWithTheirTypes) {
    const Schema sample = schemaOf(VENTORA_OPENCORE_SAMPLE_PATH);
    const Schema ours = schemaOf(VENTORA_BASE_CONFIG_PATH);
    ASSERT_GT(sample.size(), 300U);
    // The sample's example array elements need not be shipped; those we ship are checked below.
    for (const auto& [path, type] : sample) {
        if (path.find("[]") == std::string::npos) {
            EXPECT_EQ(ours.contains(path) ? ours.at(path) : PLIST_NONE, type) << path;
        }
    }
    for (const auto& [path, type] : ours) {
        EXPECT_EQ(sample.contains(path) ? sample.at(path) : PLIST_NONE, type) << "ours: " << path;
    }
    const Plist::PlistPtr root = Plist::parse(test::readFile(VENTORA_BASE_CONFIG_PATH), "ours");
    EXPECT_EQ(plist_dict_get_size(Plist::item(
                  Plist::item(root.get(), "DeviceProperties", PLIST_DICT), "Add", PLIST_DICT)),
              0U);
}

} // namespace
} // namespace ventora
