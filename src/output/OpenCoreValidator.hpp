#pragma once

#include "core/CancellationToken.hpp"
#include "core/PlatformContext.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace ventora {

/// Checks a merged config.plist with OpenCore's own validator, ocvalidate, when the user has
/// it. Its verdict is only reported: each ocvalidate build knows the schema of one OpenCore
/// release, which may not be the one the user boots, so it never blocks an export. A
/// validator that cannot start, fails or hangs is logged and skipped.
namespace OpenCoreValidator {

inline constexpr const char* executableName = "ocvalidate";
inline constexpr double timeoutSeconds = 10.0;

/// ocvalidate in `configFolder` (where the user keeps it beside the chosen config), else the
/// first one in the context's search path; absent when there is none.
[[nodiscard]] std::optional<std::filesystem::path> locate(const std::filesystem::path& configFolder,
                                                          const PlatformContext& context);

/// Runs `validator` on `config` from the config's own folder (so its verdict names just
/// "config.plist") and returns the log line for the outcome. Never throws.
[[nodiscard]] std::string check(const std::filesystem::path& validator,
                                const std::filesystem::path& config, const CancellationToken* token,
                                const PlatformContext& context, double timeout = timeoutSeconds);

/// locate, then check; when no validator is found, the line that says so.
[[nodiscard]] std::string validateMergedConfig(const std::filesystem::path& config,
                                               const std::filesystem::path& configFolder,
                                               const CancellationToken* token,
                                               const PlatformContext& context,
                                               double timeout = timeoutSeconds);

} // namespace OpenCoreValidator
} // namespace ventora
