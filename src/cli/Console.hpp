#pragma once

#include <string>
#include <vector>

namespace ventora::cli {

enum ExitCode : int { success = 0, failed = 1, usageError = 2, refusedUnsupported = 3 };

void printLines(const std::vector<std::string>& lines);

/// Prints "ERROR: " + message on standard error and returns `code`.
int fail(const std::string& message, int code);

} // namespace ventora::cli
