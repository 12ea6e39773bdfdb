#include "patch/ZeroRpmPatcher.hpp"
#include "support/PowerPlayTables.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace ventora;

// One apply per iteration: header dispatch, the family's checks, the preset's edits and the
// complete log, for each family and preset.
void applyPreset(benchmark::State& state, GpuFamily family, PatchMode mode) {
    const SpptDocument document{test::tableOfFamily(family), "bench.bin", {}, {}};
    for (auto _ : state) {
        PatchResult result = ZeroRpmPatcher::apply(document, mode);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(document.data.size()));
}

BENCHMARK_CAPTURE(applyPreset, polaris_zeroRpmPure, GpuFamily::polaris, PatchMode::zeroRpmPure);
BENCHMARK_CAPTURE(applyPreset, polaris_fan35, GpuFamily::polaris, PatchMode::fan35);
BENCHMARK_CAPTURE(applyPreset, vega10_zeroRpmPure, GpuFamily::vega10, PatchMode::zeroRpmPure);
BENCHMARK_CAPTURE(applyPreset, vega10_fan35, GpuFamily::vega10, PatchMode::fan35);
BENCHMARK_CAPTURE(applyPreset, vega20_zeroRpmPure, GpuFamily::vega20, PatchMode::zeroRpmPure);
BENCHMARK_CAPTURE(applyPreset, vega20_fan35, GpuFamily::vega20, PatchMode::fan35);
BENCHMARK_CAPTURE(applyPreset, navi10_zeroRpmPure, GpuFamily::navi10, PatchMode::zeroRpmPure);
BENCHMARK_CAPTURE(applyPreset, navi10_fan35, GpuFamily::navi10, PatchMode::fan35);
BENCHMARK_CAPTURE(applyPreset, rdna2_zeroRpmPure, GpuFamily::rdna2, PatchMode::zeroRpmPure);
BENCHMARK_CAPTURE(applyPreset, rdna2_fan35, GpuFamily::rdna2, PatchMode::fan35);

} // namespace

BENCHMARK_MAIN();
