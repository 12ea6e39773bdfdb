#include "core/PatchMode.hpp"

namespace ventora {

std::string_view presetName(PatchMode mode) {
    return mode == PatchMode::fan35 ? "Fan 35 \u00B0C / Stop 30 \u00B0C"
                                    : "ZeroRPM OFF / Fan Always On";
}

} // namespace ventora
