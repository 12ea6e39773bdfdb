#pragma once

#include "core/PlatformContext.hpp"

#include <string>
#include <vector>

namespace ventora::cli {

/// `ventora-cli patch --preset PRESET FILE -o OUT.bin`: the patched table alone, written to
/// OUT.bin. `args` are the words after the command's name, `context` the machine's facts.
int runPatch(const std::vector<std::string>& args, const PlatformContext& context);

} // namespace ventora::cli
