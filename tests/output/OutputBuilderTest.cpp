#include "output/OutputBuilder.hpp"

#include "OutputSandbox.hpp"
#include "core/Ascii.hpp"
#include "core/FileSystem.hpp"
#include "output/Plist.hpp"
#include "patch/ZeroRpmPatcher.hpp"
#include "support/ErrorMessage.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <tuple>
#include <unistd.h>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test::appErrorOf;

const std::string fallbackPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";

// An input file and a previous archive of two presets, so every test can prove what holds
// whatever the outcome: the input unchanged, no temporary left, and archives that change
// only by a finished export.
class OutputBuilder : public ::testing::Test {
protected:
    OutputBuilder() {
        sandbox.write(desktop / "ZeroRPM.zip", previousZero);
        sandbox.write(desktop / "ZeroRPM35.zip", previousFan35);
        options.zipTimeouts = {.archiveSeconds = 5.0, .validationSeconds = 5.0};
    }

    // A raw table, or with `deviceID` that table inside a VBIOS image of that device.
    SpptDocument load(GpuFamily family, std::optional<int> deviceID = std::nullopt) {
        SpptDocument document;
        document.data = test::tableOfFamily(family);
        document.sourceDescription = inputFile.string();
        inputBytes = document.data;
        if (deviceID) {
            test::RomImageLayout layout;
            layout.length = 0x8000;
            layout.deviceID = static_cast<std::uint16_t>(*deviceID);
            layout.table = document.data;
            inputBytes = test::romImage(layout);
            document.originalRom = FileBuffer(inputBytes.begin(), inputBytes.end());
            document.sourceIdentity = PciIdentity{0x1002, *deviceID};
        }
        sandbox.write(inputFile, inputBytes);
        return document;
    }

    ExportResult runExport(const SpptDocument& document, PatchMode mode,
                           const std::optional<std::string>& override = std::nullopt,
                           const CancellationToken* token = nullptr) {
        return ventora::OutputBuilder::exportPackage(document, mode, override, token,
                                                     sandbox.context(), options);
    }

    void expectNothingChanged() const {
        EXPECT_EQ(test::readFile(desktop / "ZeroRPM.zip"), previousZero);
        EXPECT_EQ(test::readFile(desktop / "ZeroRPM35.zip"), previousFan35);
        EXPECT_EQ(sandbox.leftoverTemporaries(), Lines{});
        EXPECT_EQ(test::readFile(inputFile), inputBytes);
    }

    // config.plist and the snippet both carry exactly these properties under `path`, and the
    // snippet nothing else.
    static void expectInjected(const fs::path& archive, const std::string& path,
                               const std::map<std::string, Bytes>& properties) {
        for (const char* member : {"config.plist", "Snippets/OpenCore-DeviceProperties.plist"}) {
            SCOPED_TRACE(member);
            const Plist::PlistPtr root = Plist::parse(test::archiveMember(archive, member), member);
            plist_t add = Plist::item(Plist::item(root.get(), "DeviceProperties", PLIST_DICT),
                                      "Add", PLIST_DICT);
            EXPECT_EQ(Plist::keys(add), Lines{path});
            plist_t entry = Plist::item(add, path, PLIST_DICT);
            std::map<std::string, Bytes> found;
            for (const std::string& key : Plist::keys(entry)) {
                found[key] =
                    Plist::dataValue(Plist::item(entry, key, PLIST_DATA)).value_or(Bytes{});
            }
            EXPECT_EQ(found, properties);
            EXPECT_TRUE(member[0] == 'c' || plist_dict_get_size(root.get()) == 1U);
        }
    }

    test::OutputSandbox sandbox;
    const fs::path desktop = sandbox.context().desktopDirectory;
    ExportOptions options;
    const fs::path inputFile = sandbox.root() / "input.rom";
    Bytes inputBytes;
    const Bytes previousZero{'o', 'l', 'd', '0'};
    const Bytes previousFan35{'o', 'l', 'd', '3', '5'};
};

TEST_F(OutputBuilder, ArchiveHoldsEveryFileWithItsExactBytes) {
    const SpptDocument document = load(GpuFamily::polaris, 0x6985);
    const PatchMode custom = PatchMode::custom(45, 40);
    const PatchResult patch = ZeroRpmPatcher::apply(document, custom);
    const FileSystem::StepRecorder recorder;
    const ExportResult result = runExport(document, custom);
    EXPECT_EQ(std::tuple(result.archivePath, result.devicePath),
              std::tuple(desktop / "ZeroRPM45-40.zip", fallbackPath));
    // A power cut leaves the old archive or the new one: the tested archive reaches the disk
    // before it replaces the old one, the Desktop right after; staging files are only renamed.
    using Kind = FileSystem::Step::Kind;
    const std::vector<FileSystem::Step>& steps = recorder.steps();
    ASSERT_GE(steps.size(), 3U);
    const auto last = steps.end() - 3;
    const std::string staging = sandbox.context().temporaryDirectory.string();
    EXPECT_TRUE(std::all_of(steps.begin(), last, [&](const FileSystem::Step& step) {
        return step.kind == Kind::rename && step.path.string().starts_with(staging);
    }));
    EXPECT_EQ(std::tuple(last[0].kind, last[0].path.parent_path()),
              std::tuple(Kind::flushFile, desktop));
    EXPECT_EQ(std::tuple(last[1].kind, last[1].path, last[1].target),
              std::tuple(Kind::rename, last[0].path, result.archivePath));
    EXPECT_EQ(std::tuple(last[2].kind, last[2].path), std::tuple(Kind::flushDirectory, desktop));
    const std::string hex = ByteUtils::hexString(patch.data);
    std::map<std::string, Bytes> members{
        {"Backup/Original-PP_PhmSoftPowerPlayTable.bin", document.data},
        {"Backup/Original-VBIOS.rom",
         Bytes(document.originalRom->begin(), document.originalRom->end())},
        {"Modified/Modified-PP_PhmSoftPowerPlayTable.bin", patch.data},
        {"Modified/Modified-PP_PhmSoftPowerPlayTable.hex", Bytes(hex.begin(), hex.end())},
        {"ZeroRPM-Report.txt", Bytes(result.report.begin(), result.report.end())},
        {"config.plist", {}},
        {"Snippets/OpenCore-DeviceProperties.plist", {}}};
    Lines names{"Backup/", "Modified/", "Snippets/"};
    for (auto& [name, bytes] : members) {
        names.push_back(name);
        if (!bytes.empty()) {
            EXPECT_EQ(test::archiveMember(result.archivePath, name), bytes) << name;
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::archiveEntries(result.archivePath), names);
    expectInjected(result.archivePath, fallbackPath,
                   {{"PP_PhmSoftPowerPlayTable", patch.data},
                    {"device-id", {0xE3, 0x67, 0, 0}},
                    {"no-gfx-spoof", {1, 0, 0, 0}}});
    const std::string report = R"(Ventora
Made by the Ventora contributors
========================================================================
Security policy:
- No VBIOS flashing.
- No firmware writing.
- DeviceProperties only.
- No telemetry or network upload; bundled gfxutil is used only for read-only PCI path detection.

Usage:
- Review the complete DeviceProperties path before using the generated config.plist.
- Detected paths preserve the complete EFI PCI chain; topology varies by machine.
- The bundled config.plist template targets OpenCore MOD/Olarila.
- With official Acidanthera OpenCore, merge Snippets/OpenCore-DeviceProperties.plist into your existing validated config instead of replacing it.

Source: )" + inputFile.string() +
                               R"(
SPPT size: 640 bytes
Preset: Fan 45 °C / Stop 40 °C
Patch status: APPLIED
Changed bytes: 2
DeviceProperties path used: PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)
Loaded source GPU: Polaris / physical device-id 0x6985 (source VBIOS)
Local host GPU detected: unavailable
Confirmed source physical device-id: 0x6985 (source VBIOS)
Injected OpenCore device-id spoof: 0x67E3
Injected no-gfx-spoof: <01000000>
Source VBIOS device-id: 0x6985
IMPORTANT: Review/confirm this DeviceProperties path before using the generated config.plist.
Config: config.plist
Base config: embedded template (BaseConfig.plist)

)";
    // The export's decisions follow, then the patcher's messages.
    const auto lines = Ascii::lines(result.report);
    EXPECT_EQ(result.report.substr(0, report.size()), report);
    EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(patch.messages.size()), lines.end()),
              patch.messages);
    expectNothingChanged();
}

// Nothing is staged before the private staging folder; at 10 the four tables are, at 16 the
// other three files and the temporary archive as well.
TEST_F(OutputBuilder, EachCheckpointCancelsAndLeavesNothing) {
    for (const auto& [step, staged] :
         std::vector<std::pair<int, std::size_t>>{{2, 0}, {7, 0}, {10, 5}, {16, 9}}) {
        CancellationToken token;
        std::size_t seen = 0; // files staged, the staging folder and the temporary archive
        options.beforeCheckpoint = [&, step = step](int reached) {
            if (reached == step) {
                token.cancel();
                seen = sandbox.leftoverTemporaries().size();
                for (const auto& entry :
                     fs::recursive_directory_iterator(sandbox.context().temporaryDirectory)) {
                    seen += entry.is_regular_file() ? 1 : 0;
                    EXPECT_TRUE(entry.is_regular_file() ||
                                fs::status(entry).permissions() == fs::perms::owner_all);
                }
            }
        };
        EXPECT_EQ(appErrorOf([&] {
                      runExport(load(GpuFamily::polaris, 0x6985), PatchMode::zeroRpmPure,
                                std::nullopt, &token);
                  }),
                  "Export cancelled.");
        EXPECT_EQ(seen, staged) << step;
        expectNothingChanged();
    }
}

// Refusals come before any folder is created; failures undo what was staged. Their own
// messages are asserted where they arise.
TEST_F(OutputBuilder, RefusalsAndFailuresKeepThePreviousArchiveAndLeaveNothing) {
    const fs::path shipped = sandbox.context().resourcesDirectory / "BaseConfig.plist";
    const auto polaris = [this] {
        return load(GpuFamily::polaris, 0x6985);
    };
    const auto withZip = [&](const std::string& script) {
        sandbox.context().zipExecutable = sandbox.writeScript("zip", script);
        return polaris();
    };
    const std::vector<std::function<SpptDocument()>> failures = {
        [&] { return load(GpuFamily::polaris, 0x73BF); },
        [&] {
            SpptDocument garbage = load(GpuFamily::polaris);
            std::fill(garbage.data.begin() + 2, garbage.data.end(), std::uint8_t{0xEE});
            return garbage;
        },
        [&] { return withZip("echo 'zip I/O error: No space left on device' >&2; exit 14"); },
        [&] { return withZip("echo x > \"$2\"; exec sleep 10"); }, // past its time-out
        // Tested, then the final rename fails: a folder cannot replace the previous archive.
        [&] {
            return withZip(R"(if [ "$1" = -T ]; then rm "$2"; mkdir "$2"; else echo x > "$2"; fi)");
        },
        [&] { return fs::remove(shipped), polaris(); },
        [&] {
            fs::permissions(desktop, fs::perms::owner_read | fs::perms::owner_exec);
            return polaris();
        },
        [&] {
            sandbox.context().desktopDirectory =
                sandbox.write("file", std::string("x")) / "Desktop";
            return polaris();
        },
    };
    options.zipTimeouts.archiveSeconds = 0.3;
    for (std::size_t i = 0; i < failures.size(); ++i) {
        const SpptDocument document = failures[i]();
        // Root writes into read-only folders.
        if (i != 6 || ::geteuid() != 0) {
            EXPECT_ANY_THROW(runExport(document, PatchMode::fan35)) << i;
        }
        EXPECT_TRUE(fs::is_empty(sandbox.context().temporaryDirectory)) << i;
        fs::permissions(desktop, fs::perms::owner_all);
        sandbox.context().desktopDirectory = desktop;
        sandbox.context().zipExecutable = "/usr/bin/zip";
        fs::copy_file(VENTORA_BASE_CONFIG_PATH, shipped, fs::copy_options::overwrite_existing);
        expectNothingChanged();
    }
    // A Linux desktop may have no Desktop folder yet; a raw table has no ROM to back up.
    sandbox.context().desktopDirectory = sandbox.root() / "home" / "Desktop";
    const fs::path archive = runExport(load(GpuFamily::vega20), PatchMode::fan35).archivePath;
    EXPECT_EQ(archive, sandbox.root() / "home" / "Desktop" / "ZeroRPM35.zip");
    const Lines entries = test::archiveEntries(archive);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "Backup/Original-VBIOS.rom"), 0);
}

// The finished archive takes the old one's place in one step, or the old one stays.
TEST_F(OutputBuilder, TheFinishedArchiveReplacesTheOldOneAtomically) {
    const fs::path temporary = sandbox.write(desktop / ".Ventora-x.tmp.zip", std::string("new"));
    ventora::OutputBuilder::replaceAtomically(temporary, desktop / "ZeroRPM.zip");
    EXPECT_EQ(appErrorOf([&] {
                  ventora::OutputBuilder::replaceAtomically(temporary, desktop / "ZeroRPM.zip");
              }),
              "Could not replace the output ZIP atomically: No such file or directory");
    EXPECT_EQ(test::readFile(desktop / "ZeroRPM.zip"), (Bytes{'n', 'e', 'w'}));
}

TEST_F(OutputBuilder, NamesTheFirstMissingOrEmptyRequiredFile) {
    const fs::path work = sandbox.root() / "work";
    const auto validate = [&] {
        return appErrorOf([&] { ventora::OutputBuilder::validateRequiredOutputFiles(work); });
    };
    fs::create_directory(work);
    // The files after the one named are still missing: the checks run in this order.
    for (const std::string name :
         {"config.plist", "ZeroRPM-Report.txt", "Modified/Modified-PP_PhmSoftPowerPlayTable.bin",
          "Snippets/OpenCore-DeviceProperties.plist"}) {
        for (const std::string contents : {"", "x"}) {
            EXPECT_EQ(validate(), "Output validation failed: missing or empty " + name +
                                      ". The previous ZIP was preserved.");
            sandbox.write(work / name, contents);
        }
    }
    EXPECT_EQ(validate(), "<no AppError>");
}

} // namespace
} // namespace ventora
