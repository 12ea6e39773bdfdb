#pragma once

#include "core/PlatformContext.hpp"

#include <string>
#include <vector>

namespace ventora::cli {

/// `ventora-cli generate --preset PRESET ... FILE`: the export archive, as the window makes it.
/// `args` are the words after the command's name, `context` the machine's facts.
int runGenerate(const std::vector<std::string>& args, const PlatformContext& context);

} // namespace ventora::cli
