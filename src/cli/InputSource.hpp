#pragma once

#include "cli/Arguments.hpp"
#include "core/PlatformContext.hpp"
#include "devicepath/SysfsPciTree.hpp"
#include "input/SpptFileParser.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ventora::cli {

/// What a command reads: the file named on its command line or, with --from-gpu, the table
/// the running driver uses for one GPU.
struct InputSource {
    std::filesystem::path path;
    std::optional<SysfsGPU> gpu;
};

/// Removes --from-gpu or --from-gpu=ADDRESS from `args`: absent when neither was given,
/// else the address (empty without one).
[[nodiscard]] std::optional<std::string> takeFromGpuOption(std::vector<std::string>& args);

/// The one input file, or the GPU at the address (without one: the one supported AMD GPU).
[[nodiscard]] InputSource chooseInput(const ParsedArguments& arguments,
                                      const std::optional<std::string>& fromGpu,
                                      const PlatformContext& context);

[[nodiscard]] SpptFileParser::LoadResult loadInput(const InputSource& source);

} // namespace ventora::cli
