// Patches arbitrary bytes with both presets. The patcher never throws, keeps the length, and
// writes nothing into a table it refused; an accepted one changes at most the three fan fields.
#include "core/ByteUtils.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <cstdlib>

using namespace ventora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SpptDocument document;
    document.data.assign(data, data + size);
    for (const PatchMode mode : {PatchMode::zeroRpmPure, PatchMode::fan35}) {
        const PatchResult result = ZeroRpmPatcher::apply(document, mode);
        const auto changed = ByteUtils::changedByteCount(document.data, result.data);
        const bool sane = result.data.size() == size && result.changedByteCount == changed &&
                          changed <= 5 && (result.gpuFamily || changed == 0);
        if (!sane) {
            std::abort();
        }
    }
    return 0;
}
