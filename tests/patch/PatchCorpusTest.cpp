#include "PatchTestSupport.hpp"
#include "core/FileSystem.hpp"
#include "patch/FanStopSummary.hpp"
#include "support/PowerPlayTables.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using test::FanFields;
using test::fanFieldsOf;

struct ManifestRow {
    std::string file;
    std::string expected;
};

std::vector<ManifestRow> tableRows(const fs::path& manifest) {
    std::vector<ManifestRow> rows;
    std::ifstream in(manifest);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> columns;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::stringstream split(line);
        for (std::string column; std::getline(split, column, '\t');) {
            columns.push_back(column);
        }
        if (columns.size() >= 9 && columns[0].rfind("tables/", 0) == 0) {
            rows.push_back({columns[0], columns[8]});
        }
    }
    return rows;
}

// The user's 45/40 °C on a real table: enable = 1, start = 45, stop = 40 in the family's own
// field widths, and every other byte as loaded.
void expectOnlyFanFieldsSet(const Bytes& table, const Bytes& patched) {
    const std::optional<FanStopState> state = FanStopSummary::read(patched);
    ASSERT_TRUE(state.has_value());
    const FanFields fields = fanFieldsOf(state->family, table);
    Bytes expected = table;
    expected[fields.zeroRpmEnable] = 1;
    for (const auto& [offset, value] :
         {std::pair{fields.startTemperature, 45}, {fields.stopTemperature, 40}}) {
        expected[offset] = static_cast<std::uint8_t>(value);
        if (fields.temperatureWidth == 2) {
            expected[offset + 1] = 0;
        }
    }
    EXPECT_EQ(patched, expected);
}

// Real tables from public sources: each must be accepted as the family the manifest names
// (edited only in its fan fields) or refused untouched.
TEST(patch_corpus_test, real_tables_match_manifest) {
    const fs::path corpus = VENTORA_CORPUS_DIR;
    if (!fs::exists(corpus / "MANIFEST.tsv")) {
        GTEST_SKIP() << "no corpus at " << corpus;
    }
    const auto rows = tableRows(corpus / "MANIFEST.tsv");
    ASSERT_FALSE(rows.empty());
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.file + " expected " + row.expected);
        const Bytes table = FileSystem::readWholeFile(corpus / row.file);
        const bool refused = row.expected.rfind("refused", 0) == 0;
        for (const PatchMode mode : {PatchMode::zeroRpmPure, PatchMode::fan35}) {
            const PatchResult result = test::patch(table, mode);
            ASSERT_EQ(result.data.size(), table.size());
            if (refused) {
                EXPECT_FALSE(result.automaticLayoutSupported);
                EXPECT_EQ(result.data, table);
                continue;
            }
            ASSERT_TRUE(result.gpuFamily.has_value());
            EXPECT_EQ(row.expected.substr(0, row.expected.find(';')), rawValue(*result.gpuFamily));
            EXPECT_LE(result.changedByteCount, 5);
        }
        if (!refused) {
            expectOnlyFanFieldsSet(table, test::patch(table, PatchMode::custom(45, 40)).data);
        }
    }
}

} // namespace
} // namespace ventora
