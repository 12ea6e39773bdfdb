#pragma once

#include "core/PlatformContext.hpp"

#include <string>
#include <vector>

namespace ventora::cli {

// One function per sub-command; `args` are the words after the command's name and `context`
// the machine's facts (the system's in production, a private one in tests).
int runInspect(const std::vector<std::string>& args, const PlatformContext& context);
int runPatch(const std::vector<std::string>& args, const PlatformContext& context);
int runGenerate(const std::vector<std::string>& args, const PlatformContext& context);
int runDetect(const std::vector<std::string>& args, const PlatformContext& context);

} // namespace ventora::cli
