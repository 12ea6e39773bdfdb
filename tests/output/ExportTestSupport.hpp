#pragma once

#include "OutputSandbox.hpp"
#include "core/CancellationToken.hpp"
#include "core/GpuFamily.hpp"
#include "core/PatchMode.hpp"
#include "core/SpptDocument.hpp"
#include "output/OutputBuilder.hpp"
#include "output/Plist.hpp"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace ventora::test {

/// An export sandbox with an input file on disk and a previous archive of each preset, so
/// every test can prove the promises that hold whatever the outcome: the input unchanged,
/// no temporary left behind, and an archive that changed only by a finished export.
class ExportTest : public ::testing::Test {
protected:
    ExportTest();

    /// A Polaris-or-other table extracted from a made-up ROM with PCI identity 1002:deviceID.
    [[nodiscard]] SpptDocument romDocument(GpuFamily family, int deviceID, int vendorID = 0x1002);
    /// A raw table file: no ROM, no identity.
    [[nodiscard]] SpptDocument rawDocument(GpuFamily family);

    ExportResult runExport(const SpptDocument& document, PatchMode mode,
                           const std::optional<std::string>& override = std::nullopt,
                           const CancellationToken* token = nullptr);

    /// The what() of whatever the export threw, or "" after a success.
    std::string exportFailure(const SpptDocument& document, PatchMode mode,
                              const std::optional<std::string>& override = std::nullopt,
                              const CancellationToken* token = nullptr);

    /// A fake gfxutil that names GFX0 at `path` with the given ids.
    void useGfxutil(const std::string& ids, const std::string& path);

    [[nodiscard]] std::filesystem::path finalArchive(PatchMode mode) const;
    void expectPreviousArchivesUntouched() const;
    void expectNoTemporariesAndInputUnchanged() const;

    /// Parses an XML property list read back from an archive.
    [[nodiscard]] static Plist::PlistPtr parsed(const Bytes& bytes);
    /// DeviceProperties -> Add of a parsed configuration.
    [[nodiscard]] static plist_t addSection(const Plist::PlistPtr& root);

    OutputSandbox sandbox;
    ExportOptions options;
    std::filesystem::path inputFile = sandbox.root() / "input.rom";
    Bytes inputBytes;
    const Bytes previousZero{'o', 'l', 'd', ' ', '0'};
    const Bytes previousFan35{'o', 'l', 'd', ' ', '3', '5'};
};

} // namespace ventora::test
