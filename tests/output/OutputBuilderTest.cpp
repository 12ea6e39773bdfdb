#include "output/OutputBuilder.hpp"

#include "OutputSandbox.hpp"
#include "core/FileSystem.hpp"
#include "output/Plist.hpp"
#include "patch/ZeroRpmPatcher.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace ventora {
namespace {

namespace fs = std::filesystem;

const std::string fallbackPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";
const std::vector<std::string> nothingDetected = {
    "Could not read IORegistry while detecting the GPU DeviceProperties path.",
    "No usable local GFX0 path was detected.",
    "Using generic DeviceProperties fallback path: " + fallbackPath +
        ". Move the generated properties to the actual GPU path on the target machine if its "
        "topology differs."};

// The report as it must read: lines 1 to 15, `facts` (lines 16 to 27), lines 28 to 31, the
// export messages, an empty line and the patch log.
std::vector<std::string> expectedReport(const std::vector<std::string>& facts,
                                        const std::vector<std::string>& messages,
                                        const PatchResult& patch) {
    std::vector<std::string> lines = {
        "Ventora",
        "Made by the Ventora contributors",
        std::string(72, '='),
        "Security policy:",
        "- No VBIOS flashing.",
        "- No firmware writing.",
        "- DeviceProperties only.",
        "- No telemetry or network upload; bundled gfxutil is used only for read-only PCI path "
        "detection.",
        "",
        "Usage:",
        "- Review the complete DeviceProperties path before using the generated config.plist.",
        "- Detected paths preserve the complete EFI PCI chain; topology varies by machine.",
        "- The bundled config.plist template targets OpenCore MOD/Olarila.",
        "- With official Acidanthera OpenCore, merge Snippets/OpenCore-DeviceProperties.plist "
        "into your existing validated config instead of replacing it.",
        ""};
    lines.insert(lines.end(), facts.begin(), facts.end());
    lines.insert(lines.end(),
                 {"IMPORTANT: Review/confirm this DeviceProperties path before "
                  "using the generated config.plist.",
                  "Config: config.plist", "Base config: embedded template (BaseConfig.plist)", ""});
    lines.insert(lines.end(), messages.begin(), messages.end());
    lines.emplace_back();
    lines.insert(lines.end(), patch.messages.begin(), patch.messages.end());
    return lines;
}

std::optional<Bytes> property(plist_t add, const std::string& path, const char* key) {
    return Plist::dataValue(Plist::item(Plist::item(add, path, PLIST_DICT), key, PLIST_DATA));
}

struct Injected {
    std::optional<Bytes> deviceID;
    std::optional<Bytes> noGfxSpoof;
};

/// An export sandbox holding an input file and a previous archive of each preset, so every
/// test can prove the promises that hold whatever the outcome: the input unchanged, no
/// temporary left behind, and archives that change only by a finished export.
class OutputBuilderTest : public ::testing::Test {
protected:
    OutputBuilderTest() {
        test::writeFile(finalArchive(PatchMode::zeroRpmPure), previousZero);
        test::writeFile(finalArchive(PatchMode::fan35), previousFan35);
        options.zipTimeouts = {.archiveSeconds = 5.0, .validationSeconds = 5.0};
    }

    SpptDocument romDocument(GpuFamily family, int deviceID) {
        SpptDocument document = rawDocument(family);
        test::RomImageLayout layout;
        layout.deviceID = static_cast<std::uint16_t>(deviceID);
        layout.table = document.data;
        layout.length = 0x8000;
        document.originalRom = test::romImage(layout);
        document.sourceIdentity = PciIdentity{0x1002, deviceID};
        inputBytes = *document.originalRom;
        test::writeFile(inputFile, inputBytes);
        return document;
    }

    SpptDocument rawDocument(GpuFamily family) {
        SpptDocument document;
        document.data = test::tableOfFamily(family);
        document.sourceDescription = inputFile.string();
        inputBytes = document.data;
        test::writeFile(inputFile, inputBytes);
        return document;
    }

    ExportResult runExport(const SpptDocument& document, PatchMode mode,
                           const std::optional<std::string>& override = std::nullopt,
                           const CancellationToken* token = nullptr) {
        return OutputBuilder::exportPackage(document, mode, override, token, sandbox.context(),
                                            options);
    }

    // The what() of whatever the export threw, or "" after a success.
    std::string exportFailure(const SpptDocument& document, PatchMode mode,
                              const std::optional<std::string>& override = std::nullopt,
                              const CancellationToken* token = nullptr) {
        try {
            (void)runExport(document, mode, override, token);
            return "";
        } catch (const std::exception& error) {
            return error.what();
        }
    }

    [[nodiscard]] fs::path finalArchive(PatchMode mode) const {
        return sandbox.root() / "Desktop" /
               (mode == PatchMode::fan35 ? "ZeroRPM35.zip" : "ZeroRPM.zip");
    }

    void expectNoTemporariesAndInputUnchanged() const {
        EXPECT_EQ(sandbox.leftoverTemporaries(), std::vector<std::string>{});
        EXPECT_EQ(test::readFile(inputFile), inputBytes);
    }

    void expectNothingChanged() const {
        EXPECT_EQ(test::readFile(finalArchive(PatchMode::zeroRpmPure)), previousZero);
        EXPECT_EQ(test::readFile(finalArchive(PatchMode::fan35)), previousFan35);
        expectNoTemporariesAndInputUnchanged();
    }

    // config.plist and the snippet, read back from the archive, both carry the patched table
    // and exactly `expected` under `path`; the snippet holds nothing else.
    static void expectInjected(const fs::path& archive, const Bytes& patched,
                               const std::string& path, const Injected& expected) {
        for (const char* member : {"config.plist", "Snippets/OpenCore-DeviceProperties.plist"}) {
            SCOPED_TRACE(member);
            const Bytes bytes = test::archiveMember(archive, member);
            ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "<?xml");
            const Plist::PlistPtr root = Plist::parse(bytes, member);
            plist_t add = Plist::item(Plist::item(root.get(), "DeviceProperties", PLIST_DICT),
                                      "Add", PLIST_DICT);
            ASSERT_NE(add, nullptr);
            EXPECT_EQ(plist_dict_get_size(add), 1U);
            EXPECT_EQ(property(add, path, "PP_PhmSoftPowerPlayTable"), patched);
            EXPECT_EQ(property(add, path, "device-id"), expected.deviceID);
            EXPECT_EQ(property(add, path, "no-gfx-spoof"), expected.noGfxSpoof);
            EXPECT_EQ(plist_dict_get_size(Plist::item(add, path, PLIST_DICT)),
                      1U + (expected.deviceID ? 1U : 0U) + (expected.noGfxSpoof ? 1U : 0U));
            if (member[0] == 'S') {
                EXPECT_EQ(plist_dict_get_size(root.get()), 1U);
            }
        }
    }

    test::OutputSandbox sandbox;
    ExportOptions options;
    fs::path inputFile = sandbox.root() / "input.rom";
    Bytes inputBytes;
    const Bytes previousZero{'o', 'l', 'd', ' ', '0'};
    const Bytes previousFan35{'o', 'l', 'd', ' ', '3', '5'};
};

TEST_F(OutputBuilderTest, each_preset_writes_its_archive_and_report_from_a_spoofed_rom) {
    for (const PatchMode mode : {PatchMode::zeroRpmPure, PatchMode::fan35}) {
        SCOPED_TRACE(std::string(presetName(mode)));
        const SpptDocument document = romDocument(GpuFamily::polaris, 0x6985);
        const PatchResult patch = ZeroRpmPatcher::apply(document, mode);
        const PatchMode other =
            mode == PatchMode::fan35 ? PatchMode::zeroRpmPure : PatchMode::fan35;
        const Bytes otherArchive = test::readFile(finalArchive(other));

        const ExportResult result = runExport(document, mode);
        EXPECT_EQ(result.zipURL, finalArchive(mode));
        EXPECT_EQ(result.devicePath, fallbackPath);
        EXPECT_EQ(
            test::archiveEntries(result.zipURL),
            (std::vector<std::string>{"Backup/", "Backup/Original-PP_PhmSoftPowerPlayTable.bin",
                                      "Backup/Original-VBIOS.rom", "Modified/",
                                      "Modified/Modified-PP_PhmSoftPowerPlayTable.bin",
                                      "Modified/Modified-PP_PhmSoftPowerPlayTable.hex", "Snippets/",
                                      "Snippets/OpenCore-DeviceProperties.plist",
                                      "ZeroRPM-Report.txt", "config.plist"}));
        const auto bytesOf = [](const std::string& text) {
            return Bytes(text.begin(), text.end());
        };
        for (const auto& [name, bytes] : std::vector<std::pair<std::string, Bytes>>{
                 {"Backup/Original-PP_PhmSoftPowerPlayTable.bin", document.data},
                 {"Backup/Original-VBIOS.rom", *document.originalRom},
                 {"Modified/Modified-PP_PhmSoftPowerPlayTable.bin", patch.data},
                 {"Modified/Modified-PP_PhmSoftPowerPlayTable.hex",
                  bytesOf(ByteUtils::hexString(patch.data))},
                 {"ZeroRPM-Report.txt", bytesOf(result.report)}}) {
            EXPECT_EQ(test::archiveMember(result.zipURL, name), bytes) << name;
        }
        expectInjected(result.zipURL, patch.data, fallbackPath,
                       {Bytes{0xE3, 0x67, 0x00, 0x00}, Bytes{0x01, 0x00, 0x00, 0x00}});

        std::vector<std::string> messages = nothingDetected;
        messages.insert(messages.end(),
                        {"OpenCore device-id spoof will be generated from source VBIOS physical "
                         "identity: 0x6985 -> 0x67E3.",
                         "Source VBIOS device-id: 0x6985."});
        EXPECT_EQ(
            test::splitLines(result.report),
            expectedReport({"Source: " + inputFile.string(),
                            "SPPT size: " + std::to_string(document.data.size()) + " bytes",
                            "Preset: " + std::string(presetName(mode)), "Patch status: APPLIED",
                            "Changed bytes: " + std::to_string(patch.changedByteCount),
                            "DeviceProperties path used: " + fallbackPath,
                            "Loaded source GPU: Polaris / physical device-id 0x6985 (source VBIOS)",
                            "Local host GPU detected: unavailable",
                            "Confirmed source physical device-id: 0x6985 (source VBIOS)",
                            "Injected OpenCore device-id spoof: 0x67E3",
                            "Injected no-gfx-spoof: <01000000>", "Source VBIOS device-id: 0x6985"},
                           messages, patch));
        EXPECT_EQ(test::readFile(finalArchive(other)), otherArchive);
        expectNoTemporariesAndInputUnchanged();
    }
}

TEST_F(OutputBuilderTest, raw_table_without_identity_gets_no_spoof_and_no_rom_backup) {
    const SpptDocument document = rawDocument(GpuFamily::navi10);
    const PatchResult patch = ZeroRpmPatcher::apply(document, PatchMode::zeroRpmPure);
    const ExportResult result = runExport(document, PatchMode::zeroRpmPure);
    std::vector<std::string> messages = nothingDetected;
    messages.insert(messages.end(),
                    {"Loaded source does not provide a confirmed AMD PCI device-id matching this "
                     "PowerPlay family; device-id and no-gfx-spoof are intentionally omitted "
                     "instead of borrowing the host GPU identity.",
                     "Source input has no VBIOS PCI device identity."});
    EXPECT_EQ(test::splitLines(result.report),
              expectedReport({"Source: " + inputFile.string(),
                              "SPPT size: " + std::to_string(document.data.size()) + " bytes",
                              "Preset: ZeroRPM OFF / Fan Always On",
                              "Patch status: " + patch.patchStatus(),
                              "Changed bytes: " + std::to_string(patch.changedByteCount),
                              "DeviceProperties path used: " + fallbackPath,
                              "Loaded source GPU: PowerPlay family Navi 10 / physical device-id "
                              "unavailable",
                              "Local host GPU detected: unavailable",
                              "Confirmed source physical device-id: unavailable",
                              "Injected OpenCore device-id spoof: none",
                              "Injected no-gfx-spoof: none", "Source VBIOS device-id: unavailable"},
                             messages, patch));
    const auto entries = test::archiveEntries(result.zipURL);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "Backup/Original-VBIOS.rom"), 0);
    expectInjected(result.zipURL, patch.data, fallbackPath, {});
}

TEST_F(OutputBuilderTest, manual_path_is_used_in_its_canonical_spelling) {
    const std::string navi21Path = "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)";
    sandbox.context().gfxutilLocations = {sandbox.writeScript(
        "gfxutil", "echo '01:00.0 1002:73af /PCI0@0/PEG0@1/GFX0@0 = " + navi21Path + "'")};
    const SpptDocument document = romDocument(GpuFamily::rdna2, 0x73AF);
    const ExportResult result =
        runExport(document, PatchMode::zeroRpmPure,
                  " PciRoot(0x00)/Pci(0x03,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)\n");
    EXPECT_EQ(result.devicePath, navi21Path);
    const auto lines = test::splitLines(result.report);
    ASSERT_GT(lines.size(), 30U);
    EXPECT_EQ(lines[20], "DeviceProperties path used: " + navi21Path);
    EXPECT_EQ(lines[22], "Local host GPU detected: RDNA2 / device-id 0x73AF (used only to decide "
                         "whether local GFX0 belongs to the loaded source)");
    expectInjected(result.zipURL, ZeroRpmPatcher::apply(document, PatchMode::zeroRpmPure).data,
                   navi21Path, {Bytes{0xBF, 0x73, 0x00, 0x00}, std::nullopt});
}

TEST_F(OutputBuilderTest, refusals_come_before_any_folder_is_created) {
    SpptDocument garbage = rawDocument(GpuFamily::polaris);
    std::fill(garbage.data.begin() + 2, garbage.data.end(), std::uint8_t{0xEE});
    const std::vector<std::tuple<SpptDocument, std::optional<std::string>, std::string>> cases = {
        {romDocument(GpuFamily::polaris, 0x73BF), std::nullopt,
         "PowerPlay/source identity mismatch: loaded Polaris table does not match source VBIOS "
         "device-id 0x73BF (RDNA2). Output was blocked."},
        {garbage, std::nullopt,
         "Unsupported AMD PowerPlay layout. Output was blocked to avoid unsafe patching."},
        {rawDocument(GpuFamily::vega20), "PciRoot(0x0)",
         "Invalid DeviceProperties path override. Output was blocked instead of silently using "
         "another path."},
    };
    for (const auto& [document, override, message] : cases) {
        SCOPED_TRACE(message);
        EXPECT_EQ(exportFailure(document, PatchMode::zeroRpmPure, override), message);
        EXPECT_TRUE(fs::is_empty(sandbox.context().temporaryDirectory));
        EXPECT_EQ(test::readFile(finalArchive(PatchMode::zeroRpmPure)), previousZero);
    }
}

TEST_F(OutputBuilderTest, missing_desktop_folder_is_created) {
    sandbox.context().desktopDirectory = sandbox.root() / "home" / "Desktop";
    const ExportResult result = runExport(rawDocument(GpuFamily::vega20), PatchMode::fan35);
    EXPECT_EQ(result.zipURL, sandbox.root() / "home" / "Desktop" / "ZeroRPM35.zip");
    EXPECT_FALSE(test::archiveEntries(result.zipURL).empty());
}

TEST_F(OutputBuilderTest, each_checkpoint_cancels_in_order_and_leaves_nothing) {
    const std::vector<std::string> tables = {"Backup/Original-PP_PhmSoftPowerPlayTable.bin",
                                             "Backup/Original-VBIOS.rom",
                                             "Modified/Modified-PP_PhmSoftPowerPlayTable.bin",
                                             "Modified/Modified-PP_PhmSoftPowerPlayTable.hex"};
    std::vector<std::string> everything = tables;
    everything.insert(everything.end(),
                      {"Snippets/OpenCore-DeviceProperties.plist", "ZeroRPM-Report.txt",
                       "config.plist", "temporary archive"});
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        {2, {}}, {7, {}}, {10, tables}, {16, everything}};
    for (const auto& [step, staged] : cases) {
        SCOPED_TRACE(step);
        CancellationToken token;
        std::vector<std::string> seen; // files staged when the checkpoint is reached
        options.beforeCheckpoint = [&, step = step](int reached) {
            if (reached != step) {
                return;
            }
            token.cancel();
            for (const auto& root : fs::directory_iterator(sandbox.context().temporaryDirectory)) {
                EXPECT_EQ(root.path().filename().string().size(),
                          std::string("Ventora-").size() + 36);
                EXPECT_EQ(fs::symlink_status(root.path()).permissions(), fs::perms::owner_all);
                for (const auto& entry :
                     fs::recursive_directory_iterator(root.path() / "ZeroRPM_Work")) {
                    if (entry.is_regular_file()) {
                        seen.push_back(
                            fs::relative(entry.path(), root.path() / "ZeroRPM_Work").string());
                    }
                }
            }
            for (const std::string& name : sandbox.leftoverTemporaries()) {
                if (name.starts_with(".Ventora-") && name.ends_with(".tmp.zip")) {
                    seen.emplace_back("temporary archive");
                }
            }
            std::sort(seen.begin(), seen.end());
        };
        EXPECT_EQ(exportFailure(romDocument(GpuFamily::polaris, 0x6985), PatchMode::zeroRpmPure,
                                std::nullopt, &token),
                  "Export cancelled.");
        EXPECT_EQ(seen, staged);
        expectNothingChanged();
    }
}

TEST_F(OutputBuilderTest, failures_keep_the_previous_archive_and_leave_nothing) {
    const fs::path desktop = sandbox.context().desktopDirectory;
    const auto useZip = [this](const std::string& script) {
        return [this, script] {
            sandbox.context().zipExecutable = sandbox.writeScript("zip", script);
        };
    };
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::string message;
        bool prefixOnly = false; // the platform's or zip's own text follows
    };
    const std::vector<Case> cases = {
        {"zip missing",
         [this] { sandbox.context().zipExecutable = sandbox.root() / "tools" / "no-zip"; },
         "zip could not start: No such file or directory"},
        {"zip failing", useZip("echo 'zip I/O error: No space left on device' >&2; exit 14"),
         "zip failed: zip I/O error: No space left on device"},
        {"zip past its time-out", useZip("echo x > \"$2\"; exec sleep 10"),
         "zip failed: Unknown error"},
        {"damaged archive",
         useZip("case \"$1\" in -T) echo 'bad CRC' >&2; exit 2;; esac; echo x > \"$2\""),
         "zip validation failed: bad CRC"},
        {"read-only Desktop",
         [&] { fs::permissions(desktop, fs::perms::owner_read | fs::perms::owner_exec); },
         "zip failed: ", true},
        {"Desktop that cannot be created",
         [this] {
             test::writeFile(sandbox.root() / "file", std::string("x"));
             sandbox.context().desktopDirectory = sandbox.root() / "file" / "Desktop";
         },
         "filesystem error: ", true},
        {"template missing",
         [this] { fs::remove(sandbox.context().resourcesDirectory / "BaseConfig.plist"); },
         "BaseConfig.plist is missing from the app bundle."},
    };
    options.zipTimeouts = {.archiveSeconds = 0.3, .validationSeconds = 5.0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "read-only Desktop" && ::geteuid() == 0) {
            continue; // root writes into read-only folders
        }
        sandbox.context().zipExecutable = "/usr/bin/zip";
        sandbox.context().desktopDirectory = desktop;
        c.setUp();
        const std::string message =
            exportFailure(romDocument(GpuFamily::polaris, 0x6985), PatchMode::zeroRpmPure);
        fs::permissions(desktop, fs::perms::owner_all);
        EXPECT_EQ(c.prefixOnly ? message.substr(0, c.message.size()) : message, c.message);
        sandbox.context().desktopDirectory = desktop;
        expectNothingChanged();
    }
}

// A power cut leaves the old archive or the new one: the tested archive reaches the disk
// before it replaces the old one and the Desktop right after; staging files are never flushed.
TEST_F(OutputBuilderTest, archive_is_flushed_before_the_rename_and_the_desktop_after) {
    using Kind = FileSystem::Step::Kind;
    const SpptDocument document = romDocument(GpuFamily::polaris, 0x6985);
    const FileSystem::StepRecorder recorder;
    (void)runExport(document, PatchMode::fan35);
    const std::vector<FileSystem::Step>& steps = recorder.steps();

    const fs::path desktop = sandbox.context().desktopDirectory;
    ASSERT_GE(steps.size(), 3u);
    const auto last = steps.end() - 3;
    for (auto step = steps.begin(); step != last; ++step) {
        EXPECT_EQ(step->kind, Kind::rename) << step->path;
        EXPECT_TRUE(step->path.string().starts_with(sandbox.context().temporaryDirectory.string()))
            << step->path;
    }
    EXPECT_EQ(last[0].kind, Kind::flushFile);
    EXPECT_EQ(last[0].path.parent_path(), desktop);
    EXPECT_TRUE(last[0].path.filename().string().starts_with(".Ventora-"));
    EXPECT_EQ(last[1].kind, Kind::rename);
    EXPECT_EQ(last[1].path, last[0].path);
    EXPECT_EQ(last[1].target, finalArchive(PatchMode::fan35));
    EXPECT_EQ(last[2].kind, Kind::flushDirectory);
    EXPECT_EQ(last[2].path, desktop);
}

TEST_F(OutputBuilderTest, cancellation_while_zip_runs) {
    sandbox.context().zipExecutable = sandbox.writeScript("zip", "exec sleep 10");
    CancellationToken token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        token.cancel();
    });
    const std::string message =
        exportFailure(rawDocument(GpuFamily::navi10), PatchMode::fan35, std::nullopt, &token);
    canceller.join();
    EXPECT_EQ(message, "zip cancelled.");
    expectNothingChanged();
}

TEST(required_output_files_test, the_first_missing_or_empty_file_is_named) {
    test::OutputSandbox sandbox;
    const fs::path work = sandbox.root();
    const auto failure = [&work]() -> std::string {
        try {
            OutputBuilder::validateRequiredOutputFiles(work);
            return "";
        } catch (const std::exception& error) {
            return error.what();
        }
    };
    fs::create_directories(work / "Modified");
    fs::create_directories(work / "Snippets");
    // The files after the one named are still missing: the checks run in this order.
    for (const char* name :
         {"config.plist", "ZeroRPM-Report.txt", "Modified/Modified-PP_PhmSoftPowerPlayTable.bin",
          "Snippets/OpenCore-DeviceProperties.plist"}) {
        SCOPED_TRACE(name);
        const std::string expected = std::string("Output validation failed: missing or empty ") +
                                     name + ". The previous ZIP was preserved.";
        EXPECT_EQ(failure(), expected);
        test::writeFile(work / name, std::string());
        EXPECT_EQ(failure(), expected);
        test::writeFile(work / name, std::string("x"));
    }
    EXPECT_EQ(failure(), "") << "backups and the hex text are not required";
}

} // namespace
} // namespace ventora
