#include "core/AppError.hpp"
#include "core/FileSystem.hpp"
#include "core/GpuFamily.hpp"
#include "core/HexFormat.hpp"
#include "input/SpptFileParser.hpp"
#include "patch/ZeroRpmPatcher.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace ventora {
namespace {

const std::filesystem::path corpusRoot = VENTORA_CORPUS_DIR;

/// What loading the file and recognising its table gives, in the manifest's own words:
/// "Family" or "Family; identity VVVV:DDDD", or "refused: " + the reason.
std::string outcomeOf(const std::filesystem::path& file) {
    try {
        const SpptDocument document = SpptFileParser::load(file).document;
        const auto layout = ZeroRpmPatcher::detectLayout(document.data, nullptr);
        if (!layout) {
            return "refused: no family accepts the table";
        }
        std::string outcome(rawValue(layout->family));
        if (const auto& id = document.sourceIdentity) {
            outcome +=
                "; identity " + hexId(id->vendorID).substr(2) + ":" + hexId(id->deviceID).substr(2);
        }
        return outcome;
    } catch (const AppError& error) {
        return "refused: " + error.message();
    }
}

/// A table from the corpus is accepted as the family the manifest names and edited only in its
/// fan fields, or refused untouched.
void expectPatchedAsNamed(const Bytes& table, const std::string& expected) {
    for (const PatchMode mode : {PatchMode::zeroRpmPure, PatchMode::custom(45, 40)}) {
        const PatchResult result =
            ZeroRpmPatcher::apply(SpptDocument{table, "test.bin", {}, {}}, mode);
        if (expected.starts_with("refused")) {
            EXPECT_FALSE(result.gpuFamily);
            EXPECT_EQ(result.data, table);
            continue;
        }
        ASSERT_TRUE(result.gpuFamily);
        EXPECT_EQ(expected.substr(0, expected.find(';')), rawValue(*result.gpuFamily));
        EXPECT_EQ(result.data, test::presetApplied(table, *result.gpuFamily, mode));
    }
}

// The manifest is tab-separated with CR LF line ends: the file first, the outcome last. Whole
// ROMs and text exports are what the loader itself is given; tables go to the patcher.
TEST(Corpus, OutcomesMatchTheManifest) {
    std::ifstream manifest(corpusRoot / "MANIFEST.tsv");
    if (!manifest) {
        GTEST_SKIP() << "no corpus at " << corpusRoot;
    }
    std::string line;
    std::getline(manifest, line);
    const auto columns = std::count(line.begin(), line.end(), '\t');
    int files = 0, tables = 0;
    while (std::getline(manifest, line)) {
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), columns) << line;
        const std::string file = line.substr(0, line.find('\t'));
        const std::string expected = line.substr(line.rfind('\t') + 1);
        SCOPED_TRACE(file + " expected " + expected);
        if (file.starts_with("tables/")) {
            ++tables;
            expectPatchedAsNamed(FileSystem::readWholeFile(corpusRoot / file), expected);
        } else if (file.starts_with("roms/") || file.starts_with("text/")) {
            ++files;
            const std::string outcome = outcomeOf(corpusRoot / file);
            EXPECT_TRUE(expected.starts_with("refused") ? outcome.starts_with("refused")
                                                        : outcome == expected)
                << outcome;
        }
    }
    EXPECT_GT(files, 0);
    EXPECT_GT(tables, 100);
}

} // namespace
} // namespace ventora
