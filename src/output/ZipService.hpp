#pragma once

#include "core/CancellationToken.hpp"
#include "core/PlatformContext.hpp"

#include <filesystem>

namespace ventora {

/// Limits for the two zip runs. The defaults are the program's own; tests pass shorter ones
/// so a fake zip that hangs does not hold a test for a minute.
struct ZipTimeouts {
    double archiveSeconds = 60.0;
    double validationSeconds = 30.0;
};

/// Packs the export's work folder with the system's zip and tests the result, both through
/// one runner that throws an AppError naming the operation ("zip", "zip validation") for
/// every failure: a failed archive must stop the export. Both of zip's streams go to a private
/// capture file that exists only while the child runs; its text is the failure's detail.
namespace ZipService {

/// Archives the contents of `source` (paths relative to it, links stored as links) into
/// `destination`, replacing anything there, then tests the archive with validateZip.
void createZip(const std::filesystem::path& source, const std::filesystem::path& destination,
               const CancellationToken* token,
               const PlatformContext& context = PlatformContext::fromSystem(),
               const ZipTimeouts& timeouts = {});

/// Runs zip's own integrity test on `archive`.
void validateZip(const std::filesystem::path& archive, const CancellationToken* token,
                 const PlatformContext& context = PlatformContext::fromSystem(),
                 const ZipTimeouts& timeouts = {});

} // namespace ZipService
} // namespace ventora
