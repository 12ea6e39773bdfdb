#pragma once

#include "core/PlatformContext.hpp"

#include <string>
#include <vector>

namespace ventora::cli {

/// `ventora-cli inspect [--json] FILE`: what the loader and the family detectors make of a table,
/// without patching it. `args` are the words after the command's name, `context` the machine's
/// facts.
int runInspect(const std::vector<std::string>& args, const PlatformContext& context);

} // namespace ventora::cli
