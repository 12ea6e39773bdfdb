#include "PatchTestSupport.hpp"
#include "core/FileSystem.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace ventora {
namespace {

// Real tables from public sources: each is accepted as the family the manifest names (the
// last column) and edited only in its fan fields, or refused untouched.
TEST(ZeroRpmPatcher, PatchesRealTablesAsTheManifestSays) {
    const std::filesystem::path corpus = VENTORA_CORPUS_DIR;
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    if (!manifest) {
        GTEST_SKIP() << "no corpus at " << corpus;
    }
    int tables = 0;
    for (std::string line; std::getline(manifest, line);) {
        const std::string file = line.substr(0, line.find('\t'));
        std::string expected = line.substr(line.rfind('\t') + 1);
        if (!file.starts_with("tables/")) {
            continue;
        }
        if (expected.ends_with('\r')) {
            expected.pop_back();
        }
        SCOPED_TRACE(file + " expected " + expected);
        ++tables;
        const Bytes table = FileSystem::readWholeFile(corpus / file);
        for (const PatchMode mode : {PatchMode::zeroRpmPure, PatchMode::custom(45, 40)}) {
            const PatchResult result = test::patch(table, mode);
            if (expected.starts_with("refused")) {
                EXPECT_FALSE(result.gpuFamily);
                EXPECT_EQ(result.data, table);
                continue;
            }
            ASSERT_TRUE(result.gpuFamily);
            EXPECT_EQ(expected.substr(0, expected.find(';')), rawValue(*result.gpuFamily));
            const auto fields = test::fanFieldsOf(*result.gpuFamily, table);
            EXPECT_EQ(result.data, test::presetApplied(table, fields, mode));
        }
    }
    EXPECT_GT(tables, 100);
}

} // namespace
} // namespace ventora
