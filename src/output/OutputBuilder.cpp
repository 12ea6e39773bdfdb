#include "output/OutputBuilder.hpp"

#include "core/AppError.hpp"
#include "core/FileSystem.hpp"
#include "core/RunAlongside.hpp"
#include "core/Uuid.hpp"
#include "devicepath/DevicePathDetector.hpp"
#include "output/DevicePropertiesSnippet.hpp"
#include "output/ExportDecisions.hpp"
#include "output/ExportReport.hpp"
#include "output/OpenCoreValidator.hpp"
#include "output/PlistService.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <string_view>
#include <system_error>

namespace ventora::OutputBuilder {
namespace {

namespace fs = std::filesystem;

/// Removes the staging root (once this export has created it) and the temporary archive
/// when the export ends, however it ends. Removal errors are ignored: they must not mask
/// the export's own outcome.
class StagingGuard {
public:
    StagingGuard(fs::path stagingRoot, fs::path temporaryArchive)
        : m_stagingRoot(std::move(stagingRoot)), m_temporaryArchive(std::move(temporaryArchive)) {}
    ~StagingGuard() {
        removeStaging();
        std::error_code ignored;
        fs::remove(m_temporaryArchive, ignored);
    }
    StagingGuard(const StagingGuard&) = delete;
    StagingGuard& operator=(const StagingGuard&) = delete;

    void createStagingRoot() {
        FileSystem::createPrivateDirectory(m_stagingRoot);
        m_ownsStagingRoot = true;
    }

    void removeStaging() const noexcept {
        std::error_code ignored;
        if (m_ownsStagingRoot) {
            fs::remove_all(m_stagingRoot, ignored);
        }
    }

private:
    fs::path m_stagingRoot;
    fs::path m_temporaryArchive;
    bool m_ownsStagingRoot = false;
};

struct Locations {
    fs::path desktop;
    fs::path stagingRoot;
    fs::path workFolder;
    fs::path temporaryArchive;
    fs::path finalArchive;
};

Locations locationsFor(PatchMode mode, const PlatformContext& context) {
    const std::string archive = archiveName(mode);
    Locations locations;
    locations.desktop = context.desktopDirectory;
    locations.stagingRoot = context.temporaryDirectory / ("Ventora-" + newUuidString());
    locations.workFolder = locations.stagingRoot / (fs::path(archive).stem().string() + "_Work");
    locations.temporaryArchive = locations.desktop / (".Ventora-" + newUuidString() + ".tmp.zip");
    locations.finalArchive = locations.desktop / archive;
    return locations;
}

void checkpoint(int step, const CancellationToken* token, const ExportOptions& options) {
    if (options.beforeCheckpoint) {
        options.beforeCheckpoint(step);
    }
    if (isCancelled(token)) {
        throw AppError("Export cancelled.", ErrorKind::cancelled);
    }
}

ByteView textBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void createWorkFolders(StagingGuard& guard, const fs::path& workFolder) {
    guard.createStagingRoot();
    for (const fs::path& folder :
         {workFolder, workFolder / "Backup", workFolder / "Modified", workFolder / "Snippets"}) {
        FileSystem::createPrivateDirectory(folder);
    }
}

void writeTables(const fs::path& workFolder, const SpptDocument& document,
                 const PatchResult& patch) {
    FileSystem::writeFileAtomically(workFolder / "Backup" / "Original-PP_PhmSoftPowerPlayTable.bin",
                                    document.data);
    if (document.originalRom) {
        FileSystem::writeFileAtomically(workFolder / "Backup" / "Original-VBIOS.rom",
                                        *document.originalRom);
    }
    FileSystem::writeFileAtomically(
        workFolder / "Modified" / "Modified-PP_PhmSoftPowerPlayTable.bin", patch.data);
    FileSystem::writeFileAtomically(workFolder / "Modified" /
                                        "Modified-PP_PhmSoftPowerPlayTable.hex",
                                    textBytes(ByteUtils::hexString(patch.data)));
}

// The decided path is canonical already, as the snippet's key must be.
void writeSnippet(const fs::path& workFolder, const PatchResult& patch,
                  const std::string& devicePath, const ExportDecisions::SpoofDecision& spoof) {
    FileSystem::writeFileAtomically(workFolder / "Snippets" / "OpenCore-DeviceProperties.plist",
                                    DevicePropertiesSnippet::build(patch.data, devicePath,
                                                                   spoof.spoofDeviceID,
                                                                   spoof.noGfxSpoof));
}

PatchResult patchOrRefuse(const SpptDocument& document, PatchMode mode) {
    PatchResult patch = ZeroRpmPatcher::apply(document, mode);
    if (!patch.gpuFamily) {
        throw AppError(unsupportedLayoutMessage, ErrorKind::unsupportedLayout);
    }
    return patch;
}

std::optional<PlistService::UserConfig> readBaseConfig(const ExportOptions& options,
                                                       std::vector<std::string>& messages) {
    if (!options.baseConfig) {
        return std::nullopt;
    }
    PlistService::UserConfig base = PlistService::readUserConfig(*options.baseConfig);
    messages.push_back("Merging into your own config " + base.path.string() +
                       ". It is only read: the archive holds the merged config.plist and a "
                       "byte copy of the original as Backup/Original-config.plist.");
    return base;
}

// config.plist from the template, or merged into the user's config and checked by ocvalidate.
void writeConfig(const fs::path& workFolder, const std::optional<PlistService::UserConfig>& base,
                 const PatchResult& patch, const std::string& devicePath,
                 const ExportDecisions::SpoofDecision& spoof, std::vector<std::string>& messages,
                 const CancellationToken* token, const PlatformContext& context) {
    if (!base) {
        PlistService::generateConfig(patch.data, workFolder, devicePath, spoof.spoofDeviceID,
                                     spoof.noGfxSpoof, context);
        return;
    }
    FileSystem::writeFileAtomically(workFolder / "Backup" / "Original-config.plist", base->bytes);
    const fs::path config = PlistService::generateConfigFrom(
        *base, patch.data, workFolder, devicePath, spoof.spoofDeviceID, spoof.noGfxSpoof, messages);
    messages.push_back(
        OpenCoreValidator::validateMergedConfig(config, base->path.parent_path(), token, context));
}

} // namespace

ExportResult exportPackage(const SpptDocument& document, PatchMode mode,
                           const std::optional<std::string>& devicePathOverride,
                           const CancellationToken* token, const PlatformContext& context,
                           const ExportOptions& options) {
    const PatchResult patch = patchOrRefuse(document, mode);
    const GpuFamily family = *patch.gpuFamily;
    checkpoint(2, token, options);

    std::vector<std::string> messages;
    const auto physicalDeviceID =
        DevicePathDetector::sourcePhysicalDeviceID(family, document.sourceIdentity);
    ExportDecisions::checkSourceIdentity(document, family);
    const auto path = ExportDecisions::decideDevicePath(document, family, devicePathOverride,
                                                        messages, token, context);
    const auto spoof = ExportDecisions::decideSpoof(document, physicalDeviceID, messages);
    const auto base = readBaseConfig(options, messages);

    const Locations locations = locationsFor(mode, context);
    StagingGuard guard(locations.stagingRoot, locations.temporaryArchive);
    checkpoint(7, token, options);

    createWorkFolders(guard, locations.workFolder);
    writeTables(locations.workFolder, document, patch);
    checkpoint(10, token, options);

    writeConfig(locations.workFolder, base, patch, path.devicePath, spoof, messages, token,
                context);
    writeSnippet(locations.workFolder, patch, path.devicePath, spoof);
    const std::string report = ExportReport::build(
        {document, patch, family, path, physicalDeviceID, spoof, messages, options.baseConfig});
    FileSystem::writeFileAtomically(locations.workFolder / "ZeroRPM-Report.txt", textBytes(report));
    validateRequiredOutputFiles(locations.workFolder);

    // A Linux desktop may have no Desktop folder yet; the archive still needs one.
    fs::create_directories(locations.desktop);
    ZipService::createZip(locations.workFolder, locations.temporaryArchive, token, context,
                          options.zipTimeouts);
    checkpoint(16, token, options);

    // The staging folder is done with once the archive is tested, and flushing the archive is
    // mostly a wait for the disk: the two overlap.
    runAlongside([&guard] { guard.removeStaging(); },
                 [&] { replaceAtomically(locations.temporaryArchive, locations.finalArchive); });
    return {locations.finalArchive, report, path.devicePath};
}

std::vector<std::string> openingLines(PatchMode mode,
                                      const std::optional<std::string>& devicePath) {
    return {
        "Starting " + presetName(mode) + " export...",
        devicePath ? "Using manual supported AMD GPU DeviceProperties path: " + *devicePath
                   : "No manual DeviceProperties path selected; locating GFX0/AMD in IORegistry. "
                     "A generic fallback will be used if no usable path is found.",
        "IMPORTANT: Review/confirm the DeviceProperties path before using the generated "
        "config.plist.",
    };
}

void replaceAtomically(const fs::path& source, const fs::path& destination) {
    try {
        FileSystem::replaceDurably(source, destination);
    } catch (const std::system_error& error) {
        throw AppError("Could not replace the output ZIP atomically: " + error.code().message());
    }
}

void validateRequiredOutputFiles(const fs::path& workFolder) {
    for (const char* relative :
         {"config.plist", "ZeroRPM-Report.txt", "Modified/Modified-PP_PhmSoftPowerPlayTable.bin",
          "Snippets/OpenCore-DeviceProperties.plist"}) {
        const fs::path file = workFolder / relative;
        std::error_code error;
        const fs::file_status status = fs::status(file, error);
        if (error && error != std::errc::no_such_file_or_directory) {
            throw fs::filesystem_error("Could not read the attributes of an output file", file,
                                       error);
        }
        // A missing file gets the same message as an empty one: it names both cases.
        if (!fs::is_regular_file(status) || fs::file_size(file) < 1) {
            throw AppError(std::string("Output validation failed: missing or empty ") + relative +
                           ". The previous ZIP was preserved.");
        }
    }
}

} // namespace ventora::OutputBuilder
