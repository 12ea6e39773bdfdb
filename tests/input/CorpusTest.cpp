#include "core/AppError.hpp"
#include "core/GpuFamily.hpp"
#include "input/SpptFileParser.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace ventora {
namespace {

const std::filesystem::path corpusRoot = VENTORA_CORPUS_DIR;

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

// The manifest is tab-separated with CR LF line ends: the file first, the outcome last. Whole
// ROMs and text exports are what the loader itself is given.
TEST(Corpus, LoaderOutcomesMatchTheManifest) {
    std::ifstream manifest(corpusRoot / "MANIFEST.tsv");
    if (!manifest) {
        GTEST_SKIP() << "no corpus at " << corpusRoot;
    }
    std::string line;
    std::getline(manifest, line);
    const auto columns = std::count(line.begin(), line.end(), '\t');
    int rows = 0;
    while (std::getline(manifest, line)) {
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), columns) << line;
        const std::string file = line.substr(0, line.find('\t'));
        std::string expected = line.substr(line.rfind('\t') + 1);
        if (expected.ends_with('\r')) {
            expected.pop_back();
        }
        if (!file.starts_with("roms/") && !file.starts_with("text/")) {
            continue;
        }
        SCOPED_TRACE(file);
        ++rows;
        const std::string outcome = outcomeOf(corpusRoot / file);
        if (expected.starts_with("refused")) {
            EXPECT_TRUE(outcome.starts_with("refused")) << outcome;
        } else {
            EXPECT_EQ(outcome, expected);
        }
    }
    EXPECT_GT(rows, 0);
}

} // namespace
} // namespace ventora
