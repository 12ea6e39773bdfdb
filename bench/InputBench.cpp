#include "input/PowerPlayHeaderScan.hpp"
#include "input/SpptFileParser.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"
#include "support/TemporaryFolder.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace ventora;

constexpr std::size_t scanImageSize = 64 * 1024;

/// A 64 KiB image without any table. Zeros are refused by the size byte alone; the near-miss
/// pattern makes every fourth position a Polaris candidate (size 257, revision 7.1) that the
/// family signature has to reject.
Bytes scanImage(bool nearMisses) {
    Bytes image(scanImageSize, 0x00);
    if (nearMisses) {
        constexpr std::uint8_t pattern[] = {0x01, 0x01, 0x07, 0x01};
        for (std::size_t i = 0; i < image.size(); ++i) {
            image[i] = pattern[i % 4];
        }
    }
    return image;
}

// The whole window is examined because no candidate is accepted.
void headerScanWithoutTable(benchmark::State& state, bool nearMisses) {
    const Bytes image = scanImage(nearMisses);
    for (auto _ : state) {
        std::vector<std::string> messages;
        auto table = VbiosPowerPlayExtractor::tryExtractByPowerPlayHeaderScan(image, 0, messages);
        if (table) {
            state.SkipWithError("a table was found in an image without one");
        }
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(image.size()));
}

BENCHMARK_CAPTURE(headerScanWithoutTable, zeros, false);
BENCHMARK_CAPTURE(headerScanWithoutTable, near_misses, true);

/// A 64 MiB ROM file (the largest accepted): a 64 KiB legacy image with a table, padded with
/// 0xFF as flash dumps are. Created once in a private folder, removed at exit.
class LargeRomFile {
public:
    LargeRomFile() {
        Bytes rom = test::romImage(test::legacyImage(test::polarisTable()));
        rom.resize(static_cast<std::size_t>(SpptFileParser::maximumInputFileSize), 0xFF);
        m_path = m_folder.write("large.rom", rom);
    }

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    test::TemporaryFolder m_folder;
    std::filesystem::path m_path;
};

const LargeRomFile& largeRom() {
    static const LargeRomFile file;
    return file;
}

// The least a load can cost: the same file read into one small reused buffer, as
// `cat FILE > /dev/null` does. Runs next to the load so both see the same machine.
void plainReadOfLargestRom(benchmark::State& state) {
    std::vector<char> buffer(std::size_t{1} << 17);
    for (auto _ : state) {
        std::FILE* in = std::fopen(largeRom().path().c_str(), "rb");
        std::setvbuf(in, nullptr, _IONBF, 0);
        std::size_t total = 0;
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;) {
            total += n;
        }
        std::fclose(in);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            SpptFileParser::maximumInputFileSize);
}

// Attributes, the ordinary read of 64 MiB, the chain walk, validation and the PCI identity.
void loadLargestRom(benchmark::State& state) {
    for (auto _ : state) {
        auto result = SpptFileParser::load(largeRom().path());
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            SpptFileParser::maximumInputFileSize);
}

// Repeated and reduced to the fastest run: on a shared machine that is the figure least
// disturbed by others.
double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

BENCHMARK(plainReadOfLargestRom)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(10)
    ->ComputeStatistics("min", fastest)
    ->ReportAggregatesOnly();
BENCHMARK(loadLargestRom)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(10)
    ->ComputeStatistics("min", fastest)
    ->ReportAggregatesOnly();

} // namespace

BENCHMARK_MAIN();
