#pragma once

#include "core/PlatformContext.hpp"

#include <string>
#include <vector>

namespace ventora::cli {

/// `ventora-cli detect`: this machine's DeviceProperties path, alone on the last line.
/// `args` are the words after the command's name, `context` the machine's facts.
int runDetect(const std::vector<std::string>& args, const PlatformContext& context);

} // namespace ventora::cli
