#pragma once

#include "core/CancellationToken.hpp"
#include "core/PlatformContext.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

/// Asking the outside tool gfxutil for the device named GFX0: finding the tool, running it
/// and reading its answer. Every failure (no tool, failing tool, no usable line, several
/// different GFX0 paths, contradicting ids) is an absent result; nothing is logged or thrown.
namespace ventora::DevicePathDetector {

/// GFX0's canonical path and the PCI ids printed next to it, if any.
struct GfxutilTarget {
    std::string path;
    std::optional<int> vendorID;
    std::optional<int> deviceID;

    bool operator==(const GfxutilTarget&) const = default;
};

/// Runs the first usable gfxutil with "-f GFX0" and reads its output.
[[nodiscard]] std::optional<GfxutilTarget> detectGfxutilTarget(const CancellationToken* token,
                                                               const PlatformContext& context);

/// The first executable regular file among: the bundled copy in the resources folder, the
/// context's fixed locations, then "gfxutil" in each PATH directory; each candidate
/// standardised and examined once. Searched afresh on every call.
[[nodiscard]] std::optional<std::filesystem::path>
gfxutilExecutable(const PlatformContext& context);

/// The one GFX0 target named by the output's lines, or absent.
[[nodiscard]] std::optional<GfxutilTarget> parseGfxutilOutput(std::string_view text);

} // namespace ventora::DevicePathDetector
