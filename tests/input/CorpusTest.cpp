#include "core/AppError.hpp"
#include "core/GpuFamily.hpp"
#include "core/HexFormat.hpp"
#include "input/SpptFileParser.hpp"
#include "patch/ZeroRpmPatcher.hpp"

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
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), columns) << line;
        const std::string file = line.substr(0, line.find('\t'));
        const std::string expected = line.substr(line.rfind('\t') + 1);
        if (file.starts_with("roms/") || file.starts_with("text/")) {
            ++rows;
            const std::string outcome = outcomeOf(corpusRoot / file);
            EXPECT_TRUE(expected.starts_with("refused") ? outcome.starts_with("refused")
                                                        : outcome == expected)
                << file << ": " << outcome;
        }
    }
    EXPECT_GT(rows, 0);
}

} // namespace
} // namespace ventora
