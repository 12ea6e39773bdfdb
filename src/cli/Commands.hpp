#pragma once

#include <string>
#include <vector>

namespace ventora::cli {

// One function per sub-command; `args` are the words after the command's name.
int runInspect(const std::vector<std::string>& args);
int runPatch(const std::vector<std::string>& args);
int runGenerate(const std::vector<std::string>& args);
int runDetect(const std::vector<std::string>& args);

} // namespace ventora::cli
