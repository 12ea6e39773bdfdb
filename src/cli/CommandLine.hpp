#pragma once

#include "core/PlatformContext.hpp"

#include <functional>
#include <string>
#include <vector>

namespace ventora::cli {

/// Runs the command the words name (the words after the program's name) with the machine's
/// facts from `context` (asked for only once a command is known) and returns the process's exit
/// code: 2 with the usage for a command line that does not fit, 1 with "ERROR: " and the
/// reason for any other failure.
int runCommandLine(const std::vector<std::string>& words,
                   const std::function<PlatformContext()>& context);

} // namespace ventora::cli
