#include "core/AppError.hpp"
#include "core/GpuFamily.hpp"
#include "input/SpptFileParser.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace ventora {
namespace {

const std::filesystem::path corpusRoot = VENTORA_CORPUS_DIR;

struct ManifestRow {
    std::string file;
    std::string expected;
};

/// The fields of one manifest line, which ends in CR LF.
std::vector<std::string> tabFields(std::string line) {
    if (line.ends_with('\r')) {
        line.pop_back();
    }
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) {
        fields.push_back(field);
    }
    return fields;
}

/// The manifest rows of whole ROMs and text exports: what the loader itself is given.
std::vector<ManifestRow> loaderRows() {
    std::ifstream manifest(corpusRoot / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    const auto header = tabFields(line);
    std::vector<ManifestRow> rows;
    while (std::getline(manifest, line)) {
        const auto fields = tabFields(line);
        if (fields.size() != header.size()) {
            ADD_FAILURE() << "malformed manifest line: " << line;
            continue;
        }
        if (fields.front().starts_with("roms/") || fields.front().starts_with("text/")) {
            rows.push_back({fields.front(), fields.back()});
        }
    }
    return rows;
}

/// What loading the file and recognising its table gives, in the manifest's own words:
/// "Family" or "Family; identity VVVV:DDDD", or "refused: " + the reason.
std::string outcomeOf(const std::filesystem::path& file) {
    SpptFileParser::LoadResult result;
    try {
        result = SpptFileParser::load(file);
    } catch (const AppError& error) {
        return "refused: " + error.message();
    }
    const auto layout = ZeroRpmPatcher::detectLayout(result.document.data, nullptr);
    if (!layout) {
        return "refused: no family accepts the table";
    }
    std::string outcome(rawValue(layout->family));
    if (const auto& source = result.document.sourceIdentity) {
        char identity[16];
        std::snprintf(identity, sizeof identity, "%04X:%04X", source->vendorID, source->deviceID);
        outcome += "; identity " + std::string(identity);
    }
    return outcome;
}

TEST(CorpusTest, LoaderOutcomesMatchTheManifest) {
    if (!std::filesystem::exists(corpusRoot / "MANIFEST.tsv")) {
        GTEST_SKIP() << "no corpus at " << corpusRoot;
    }
    const auto rows = loaderRows();
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string outcome = outcomeOf(corpusRoot / row.file);
        if (row.expected.starts_with("refused")) {
            EXPECT_TRUE(outcome.starts_with("refused")) << outcome;
        } else {
            EXPECT_EQ(outcome, row.expected);
        }
    }
}

} // namespace
} // namespace ventora
