#pragma once

#include "core/CancellationToken.hpp"
#include "core/PatchMode.hpp"
#include "core/PlatformContext.hpp"
#include "core/SpptDocument.hpp"
#include "output/ZipService.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace ventora {

struct ExportResult {
    std::filesystem::path archivePath;
    std::string report;
    std::string devicePath;
};

/// The user's own config.plist to merge into, when one was chosen; and knobs for tests:
/// shorter zip time-outs, and a hook called with the step number just before each
/// cancellation checkpoint (2, 7, 10, 16) so a test can cancel exactly there.
struct ExportOptions {
    std::optional<std::filesystem::path> baseConfig;
    ZipTimeouts zipTimeouts;
    std::function<void(int step)> beforeCheckpoint;
};

/// Turns a loaded table and a preset into its archive on the Desktop (archiveName):
/// patch, identity guard, device path and spoof decisions, a private staging folder with
/// backups, modified table, config.plist, snippet and report, a tested archive beside the
/// final one, and one rename. A chosen base config is only read: the archive holds the merged
/// result, a byte copy of the original and ocvalidate's verdict on the result. Until that rename
/// the previous archive is untouched; the staging folder and the temporary archive are removed on
/// every way out.
namespace OutputBuilder {

/// The three lines every front end logs as a generation starts. `devicePath` is the manual
/// path as it will be shown (its canonical form where it has one); absent for detection.
[[nodiscard]] std::vector<std::string> openingLines(PatchMode mode,
                                                    const std::optional<std::string>& devicePath);

ExportResult exportPackage(const SpptDocument& document, PatchMode mode,
                           const std::optional<std::string>& devicePathOverride,
                           const CancellationToken* token,
                           const PlatformContext& context = PlatformContext::fromSystem(),
                           const ExportOptions& options = {});

/// Renames the complete archive `source` over `destination` in one step (both in the same
/// folder), flushed to stable storage before and after.
void replaceAtomically(const std::filesystem::path& source,
                       const std::filesystem::path& destination);

/// Throws unless config.plist, the report, the modified table and the snippet exist in
/// `workFolder` and are not empty.
void validateRequiredOutputFiles(const std::filesystem::path& workFolder);

} // namespace OutputBuilder
} // namespace ventora
