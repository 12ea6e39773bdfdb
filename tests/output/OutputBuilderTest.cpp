#include "ExportTestSupport.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using test::ExportTest;

const std::string fallbackPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";
const std::string fallbackLine =
    "Using generic DeviceProperties fallback path: " + fallbackPath +
    ". Move the generated properties to the actual GPU path on the target machine if its "
    "topology differs.";
const std::string noIoregLine =
    "Could not read IORegistry while detecting the GPU DeviceProperties path.";
const std::string noIdentityLine =
    "Loaded source does not provide a confirmed AMD PCI device-id matching this PowerPlay "
    "family; device-id and no-gfx-spoof are intentionally omitted instead of borrowing the host "
    "GPU identity.";
const std::string differsLine = "Local GPU identity differs from, or cannot authoritatively "
                                "identify, the loaded source. This does not block offline "
                                "patch generation.";

std::vector<std::string> headLines() {
    return {"Ventora",
            "Made by the Ventora contributors",
            std::string(72, '='),
            "Security policy:",
            "- No VBIOS flashing.",
            "- No firmware writing.",
            "- DeviceProperties only.",
            "- No telemetry or network upload; bundled gfxutil is used only for read-only PCI "
            "path detection.",
            "",
            "Usage:",
            "- Review the complete DeviceProperties path before using the generated config.plist.",
            "- Detected paths preserve the complete EFI PCI chain; topology varies by machine.",
            "- The bundled config.plist template targets OpenCore MOD/Olarila.",
            "- With official Acidanthera OpenCore, merge Snippets/OpenCore-DeviceProperties.plist "
            "into your existing validated config instead of replacing it.",
            ""};
}

// The report as it must read: the fixed head, `facts` (lines 16 to 27), the two fixed
// lines and an empty one, the export messages, an empty line and the patch log.
std::vector<std::string> expectedReport(const std::vector<std::string>& facts,
                                        const std::vector<std::string>& messages,
                                        const PatchResult& patch) {
    auto lines = headLines();
    lines.insert(lines.end(), facts.begin(), facts.end());
    lines.insert(lines.end(), {"IMPORTANT: Review/confirm this DeviceProperties path before "
                               "using the generated config.plist.",
                               "Config: config.plist", ""});
    lines.insert(lines.end(), messages.begin(), messages.end());
    lines.emplace_back();
    lines.insert(lines.end(), patch.messages.begin(), patch.messages.end());
    return lines;
}

std::optional<Bytes> property(plist_t add, const std::string& path, const char* key) {
    return Plist::dataValue(Plist::item(Plist::item(add, path, PLIST_DICT), key, PLIST_DATA));
}

struct InjectedProperties {
    std::optional<Bytes> deviceID;
    std::optional<Bytes> noGfxSpoof;
};

class OutputBuilderTest : public ExportTest {
protected:
    // Reads config.plist and the snippet back from the archive and checks that both carry
    // the patched table and exactly `expected` under `path`, and nothing else in the snippet.
    void expectInjected(const fs::path& archive, const Bytes& patched, const std::string& path,
                        const InjectedProperties& expected) {
        for (const char* member : {"config.plist", "Snippets/OpenCore-DeviceProperties.plist"}) {
            SCOPED_TRACE(member);
            const auto root = parsed(test::archiveMember(archive, member));
            plist_t add = addSection(root);
            ASSERT_NE(add, nullptr);
            EXPECT_EQ(plist_dict_get_size(add), 1U);
            EXPECT_EQ(property(add, path, "PP_PhmSoftPowerPlayTable"), patched);
            EXPECT_EQ(property(add, path, "device-id"), expected.deviceID);
            EXPECT_EQ(property(add, path, "no-gfx-spoof"), expected.noGfxSpoof);
            EXPECT_EQ(plist_dict_get_size(Plist::item(add, path, PLIST_DICT)),
                      1U + (expected.deviceID ? 1U : 0U) + (expected.noGfxSpoof ? 1U : 0U));
        }
        const auto snippet =
            parsed(test::archiveMember(archive, "Snippets/OpenCore-DeviceProperties.plist"));
        EXPECT_EQ(plist_dict_get_size(snippet.get()), 1U);
    }
};

TEST_F(OutputBuilderTest, each_preset_writes_its_own_archive_with_every_file) {
    for (const PatchMode mode : {PatchMode::zeroRpmPure, PatchMode::fan35}) {
        SCOPED_TRACE(std::string(presetName(mode)));
        const SpptDocument document = romDocument(GpuFamily::polaris, 0x6985);
        const PatchResult patch = ZeroRpmPatcher::apply(document, mode);
        ASSERT_TRUE(patch.automaticLayoutSupported);

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
        const auto member = [&](const std::string& name) {
            return test::archiveMember(result.zipURL, name);
        };
        EXPECT_EQ(member("Backup/Original-PP_PhmSoftPowerPlayTable.bin"), document.data);
        EXPECT_EQ(member("Backup/Original-VBIOS.rom"), *document.originalRom);
        EXPECT_EQ(member("Modified/Modified-PP_PhmSoftPowerPlayTable.bin"), patch.data);
        const Bytes hex = member("Modified/Modified-PP_PhmSoftPowerPlayTable.hex");
        EXPECT_EQ(std::string(hex.begin(), hex.end()), ByteUtils::hexString(patch.data));
        const Bytes report = member("ZeroRPM-Report.txt");
        EXPECT_EQ(std::string(report.begin(), report.end()), result.report);
        EXPECT_NE(result.report.back(), '\n');
        expectInjected(result.zipURL, patch.data, fallbackPath,
                       {Bytes{0xE3, 0x67, 0x00, 0x00}, Bytes{0x01, 0x00, 0x00, 0x00}});

        EXPECT_EQ(test::readFile(finalArchive(other)), otherArchive);
        expectNoTemporariesAndInputUnchanged();
    }
}

TEST_F(OutputBuilderTest, report_of_a_polaris_rom_with_a_spoof_reads_line_by_line) {
    const SpptDocument document = romDocument(GpuFamily::polaris, 0x6985);
    const PatchResult patch = ZeroRpmPatcher::apply(document, PatchMode::fan35);
    const ExportResult result = runExport(document, PatchMode::fan35);
    const std::vector<std::string> facts = {
        "Source: " + inputFile.string(),
        "SPPT size: " + std::to_string(document.data.size()) + " bytes",
        "Preset: Fan 35 °C / Stop 30 °C",
        "Patch status: " + patch.patchStatus,
        "Changed bytes: " + std::to_string(patch.changedByteCount),
        "DeviceProperties path used: " + fallbackPath,
        "Loaded source GPU: Polaris / physical device-id 0x6985 (source VBIOS)",
        "Local host GPU detected: unavailable",
        "Confirmed source physical device-id: 0x6985 (source VBIOS)",
        "Injected OpenCore device-id spoof: 0x67E3",
        "Injected no-gfx-spoof: <01000000>",
        "Source VBIOS device-id: 0x6985"};
    const std::vector<std::string> messages = {
        noIoregLine, "No usable local GFX0 path was detected.", fallbackLine,
        "OpenCore device-id spoof will be generated from source VBIOS physical identity: 0x6985 "
        "-> 0x67E3.",
        "Source VBIOS device-id: 0x6985."};
    EXPECT_EQ(patch.patchStatus, "APPLIED");
    EXPECT_EQ(test::splitLines(result.report), expectedReport(facts, messages, patch));
}

TEST_F(OutputBuilderTest, report_of_a_raw_table_without_identity_reads_line_by_line) {
    const SpptDocument document = rawDocument(GpuFamily::navi10);
    const PatchResult patch = ZeroRpmPatcher::apply(document, PatchMode::zeroRpmPure);
    const ExportResult result = runExport(document, PatchMode::zeroRpmPure);
    const std::vector<std::string> facts = {
        "Source: " + inputFile.string(),
        "SPPT size: " + std::to_string(document.data.size()) + " bytes",
        "Preset: ZeroRPM OFF / Fan Always On",
        "Patch status: " + patch.patchStatus,
        "Changed bytes: " + std::to_string(patch.changedByteCount),
        "DeviceProperties path used: " + fallbackPath,
        "Loaded source GPU: PowerPlay family Navi 10 / physical device-id unavailable",
        "Local host GPU detected: unavailable",
        "Confirmed source physical device-id: unavailable",
        "Injected OpenCore device-id spoof: none",
        "Injected no-gfx-spoof: none",
        "Source VBIOS device-id: unavailable"};
    const std::vector<std::string> messages = {
        noIoregLine, "No usable local GFX0 path was detected.", fallbackLine, noIdentityLine,
        "Source input has no VBIOS PCI device identity."};
    EXPECT_EQ(test::splitLines(result.report), expectedReport(facts, messages, patch));
    const auto entries = test::archiveEntries(result.zipURL);
    EXPECT_EQ(std::ranges::count(entries, "Backup/Original-VBIOS.rom"), 0);
    expectInjected(result.zipURL, patch.data, fallbackPath, {});
}

TEST_F(OutputBuilderTest, spoof_follows_the_trusted_source_identity_only) {
    struct Case {
        const char* name;
        GpuFamily family;
        int vendorID;
        int deviceID;
        std::string message;
        InjectedProperties injected;
        std::string physicalLine;
    };
    const std::vector<Case> cases = {
        {"Polaris without mapping",
         GpuFamily::polaris,
         0x1002,
         0x67DF,
         "Confirmed source VBIOS physical device-id: 0x67DF. No OpenCore device-id spoof is "
         "mapped for this ID.",
         {},
         "Confirmed source physical device-id: 0x67DF (source VBIOS)"},
        {"RDNA2 spoof without no-gfx-spoof",
         GpuFamily::rdna2,
         0x1002,
         0x73AF,
         "OpenCore device-id spoof will be generated from source VBIOS physical identity: "
         "0x73AF -> 0x73BF.",
         {Bytes{0xBF, 0x73, 0x00, 0x00}, std::nullopt},
         "Confirmed source physical device-id: 0x73AF (source VBIOS)"},
        {"unsupported AMD id does not block",
         GpuFamily::polaris,
         0x1002,
         0x7310,
         noIdentityLine,
         {},
         "Confirmed source physical device-id: unavailable"},
        {"another vendor is never trusted",
         GpuFamily::polaris,
         0x1022,
         0x6985,
         noIdentityLine,
         {},
         "Confirmed source physical device-id: unavailable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SpptDocument document = romDocument(c.family, c.deviceID, c.vendorID);
        const ExportResult result = runExport(document, PatchMode::zeroRpmPure);
        const auto lines = test::splitLines(result.report);
        ASSERT_GT(lines.size(), 30U);
        EXPECT_EQ(lines[23], c.physicalLine);
        EXPECT_NE(std::ranges::find(lines, c.message), lines.end());
        expectInjected(result.zipURL, ZeroRpmPatcher::apply(document, PatchMode::zeroRpmPure).data,
                       fallbackPath, c.injected);
    }
}

TEST_F(OutputBuilderTest, refusals_before_any_folder_is_created) {
    struct Case {
        const char* name;
        SpptDocument document;
        std::optional<std::string> override;
        std::string message;
    };
    SpptDocument garbage = rawDocument(GpuFamily::polaris);
    std::fill(garbage.data.begin() + 2, garbage.data.end(), std::uint8_t{0xEE});
    const std::vector<Case> cases = {
        {"identity guard", romDocument(GpuFamily::polaris, 0x73BF), std::nullopt,
         "PowerPlay/source identity mismatch: loaded Polaris table does not match source VBIOS "
         "device-id 0x73BF (RDNA2). Output was blocked."},
        {"unsupported table", garbage, std::nullopt,
         "Unsupported AMD PowerPlay layout. Output was blocked to avoid unsafe patching."},
        {"incomplete override", rawDocument(GpuFamily::vega20), "PciRoot(0x0)",
         "Invalid DeviceProperties path override. Output was blocked instead of silently using "
         "another path."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(exportFailure(c.document, PatchMode::zeroRpmPure, c.override), c.message);
        EXPECT_TRUE(fs::is_empty(sandbox.context().temporaryDirectory));
        expectPreviousArchivesUntouched();
    }
}

TEST_F(OutputBuilderTest, blank_override_means_automatic_detection) {
    const SpptDocument document = rawDocument(GpuFamily::vega10);
    const ExportResult result = runExport(document, PatchMode::fan35, " \t\n ");
    EXPECT_EQ(result.devicePath, fallbackPath);
    const auto lines = test::splitLines(result.report);
    EXPECT_NE(std::ranges::find(lines, "No usable local GFX0 path was detected."), lines.end());
}

TEST_F(OutputBuilderTest, manual_path_is_authoritative_in_every_case) {
    const std::string navi21Path = "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)";
    struct Case {
        const char* name;
        std::optional<std::string> gfxutilIds; // absent: no gfxutil, nothing confirmed
        std::vector<std::string> messages;
        std::string localLine;
    };
    const std::vector<Case> cases = {
        {"nothing confirmed",
         std::nullopt,
         {"Could not read IORegistry to verify the manual DeviceProperties path.",
          "Manual DeviceProperties path accepted as authoritative for this export.",
          "IORegistry did not confirm a supported AMD device-id at the manual path; generation "
          "continues without inventing a local GPU identity."},
         "Local host GPU detected: unavailable"},
        {"the source GPU",
         "1002:73af",
         {"Verified DeviceProperties target with gfxutil GFX0: RDNA2, device-id 0x73AF, path " +
              navi21Path + ".",
          "Manual DeviceProperties path accepted as authoritative for this export.",
          "The live GPU at the manual path matches the loaded source identity.",
          "Loaded source identity matches the local GPU exactly."},
         "Local host GPU detected: RDNA2 / device-id 0x73AF (used only to decide whether local "
         "GFX0 belongs to the loaded source)"},
        {"another GPU",
         "1002:73bf",
         {"Verified DeviceProperties target with gfxutil GFX0: RDNA2, device-id 0x73BF, path " +
              navi21Path + ".",
          "Manual DeviceProperties path accepted as authoritative for this export.",
          "Warning: manual path points to local RDNA2 device-id 0x73BF, while the loaded source "
          "is being patched independently. Generation continues because manual paths are "
          "authoritative.",
          differsLine},
         "Local host GPU detected: RDNA2 / device-id 0x73BF (used only to decide whether local "
         "GFX0 belongs to the loaded source)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.context().gfxutilLocations.clear();
        if (c.gfxutilIds) {
            useGfxutil(*c.gfxutilIds, navi21Path);
        }
        const SpptDocument document = romDocument(GpuFamily::rdna2, 0x73AF);
        // Typed with leading zeros and blanks: used in its canonical spelling.
        const ExportResult result =
            runExport(document, PatchMode::zeroRpmPure,
                      " PciRoot(0x00)/Pci(0x03,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)\n");
        EXPECT_EQ(result.devicePath, navi21Path);
        const auto lines = test::splitLines(result.report);
        ASSERT_GT(lines.size(), 30U + c.messages.size());
        EXPECT_EQ(lines[20], "DeviceProperties path used: " + navi21Path);
        EXPECT_EQ(lines[22], c.localLine);
        EXPECT_EQ(
            std::vector<std::string>(lines.begin() + 30,
                                     lines.begin() + 30 + static_cast<long>(c.messages.size())),
            c.messages);
        expectInjected(result.zipURL, ZeroRpmPatcher::apply(document, PatchMode::zeroRpmPure).data,
                       navi21Path, {Bytes{0xBF, 0x73, 0x00, 0x00}, std::nullopt});
    }
}

TEST_F(OutputBuilderTest, detected_path_is_used_only_for_the_source_gpu) {
    const std::string polarisPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";
    useGfxutil("1002:67df", polarisPath);
    SpptDocument document = romDocument(GpuFamily::polaris, 0x67DF);
    ExportResult result = runExport(document, PatchMode::fan35);
    EXPECT_EQ(result.devicePath, polarisPath);
    auto lines = test::splitLines(result.report);
    EXPECT_NE(std::ranges::find(lines, "Automatically detected GFX0 belongs to the loaded source "
                                       "GPU; using its DeviceProperties path."),
              lines.end());

    document = romDocument(GpuFamily::polaris, 0x6985);
    result = runExport(document, PatchMode::fan35);
    EXPECT_EQ(result.devicePath, fallbackPath);
    lines = test::splitLines(result.report);
    const auto warning = std::ranges::find(
        lines,
        "Warning: local GFX0 is Polaris device-id 0x67DF but loaded source device-id is "
        "0x6985. This is an offline/cross-GPU export; the local GFX0 path will not be used.");
    ASSERT_NE(warning, lines.end());
    ASSERT_LT(warning + 2, lines.end());
    EXPECT_EQ(*(warning + 1), fallbackLine);
    EXPECT_EQ(*(warning + 2), differsLine);

    document = rawDocument(GpuFamily::polaris);
    lines = test::splitLines(runExport(document, PatchMode::fan35).report);
    EXPECT_NE(std::ranges::find(lines, "Warning: local GFX0 is Polaris device-id 0x67DF but loaded "
                                       "source device-id is unknown. This is an offline/cross-GPU "
                                       "export; the local GFX0 path will not be used."),
              lines.end());
}

TEST_F(OutputBuilderTest, missing_desktop_folder_is_created) {
    sandbox.context().desktopDirectory = sandbox.root() / "home" / "Desktop";
    const ExportResult result = runExport(rawDocument(GpuFamily::vega20), PatchMode::fan35);
    EXPECT_EQ(result.zipURL, sandbox.root() / "home" / "Desktop" / "ZeroRPM35.zip");
    EXPECT_FALSE(test::archiveEntries(result.zipURL).empty());
}

TEST_F(OutputBuilderTest, staging_root_is_private_and_gone_afterwards) {
    std::vector<fs::path> seen;
    std::vector<fs::perms> modes;
    options.beforeCheckpoint = [&](int step) {
        if (step != 10) {
            return;
        }
        for (const auto& entry : fs::directory_iterator(sandbox.context().temporaryDirectory)) {
            seen.push_back(entry.path());
            modes.push_back(fs::symlink_status(entry.path()).permissions());
        }
    };
    (void)runExport(rawDocument(GpuFamily::polaris), PatchMode::zeroRpmPure);
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_TRUE(seen[0].filename().string().starts_with("Ventora-"));
    EXPECT_EQ(seen[0].filename().string().size(), std::string("Ventora-").size() + 36);
    EXPECT_EQ(modes[0], fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(seen[0]));
    expectNoTemporariesAndInputUnchanged();
}

class ExportFailureTest : public OutputBuilderTest {};

TEST_F(ExportFailureTest, cancellation_at_each_checkpoint_leaves_everything_as_it_was) {
    for (const int step : {2, 7, 10, 16}) {
        SCOPED_TRACE(step);
        CancellationToken token;
        bool temporaryArchiveExisted = false;
        options.beforeCheckpoint = [&](int reached) {
            if (reached == step) {
                token.cancel();
                temporaryArchiveExisted = !sandbox.leftoverTemporaries().empty();
            }
        };
        EXPECT_EQ(exportFailure(romDocument(GpuFamily::polaris, 0x6985), PatchMode::zeroRpmPure,
                                std::nullopt, &token),
                  "Export cancelled.");
        // By step 10 the staging root exists, by step 16 the finished temporary archive.
        EXPECT_EQ(temporaryArchiveExisted, step >= 10);
        expectPreviousArchivesUntouched();
        expectNoTemporariesAndInputUnchanged();
    }
}

TEST_F(ExportFailureTest, zip_and_template_failures_keep_the_previous_archive) {
    struct Case {
        const char* name;
        std::optional<std::string> zipScript; // absent: the system's zip
        std::string message;
        bool removeTemplate = false;
        bool messageIsPrefix = false; // zip's own text names the temporary archive
    };
    const std::vector<Case> cases = {
        {"zip missing", "", "zip could not start: No such file or directory"},
        {"zip failing", "echo 'zip I/O error: No space left on device' >&2; exit 14",
         "zip failed: zip I/O error: No space left on device"},
        {"zip past its time-out", "echo x > \"$2\"; exec sleep 10", "zip failed: Unknown error"},
        {"empty archive", ": > \"$2\"", "zip produced an empty archive."},
        {"damaged archive",
         "case \"$1\" in -T) exec /usr/bin/zip \"$@\";; esac; "
         "echo 'PK not really' > \"$2\"",
         "zip validation failed: zip warning: missing end signature", false, true},
        {"template missing", std::nullopt, "BaseConfig.plist is missing from the app bundle.",
         true},
    };
    options.zipTimeouts = {.archiveSeconds = 0.3, .validationSeconds = 5.0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.context().zipExecutable = "/usr/bin/zip";
        if (c.zipScript) {
            sandbox.context().zipExecutable = c.zipScript->empty()
                                                  ? sandbox.root() / "tools" / "no-zip"
                                                  : sandbox.writeScript("zip", *c.zipScript);
        }
        if (c.removeTemplate) {
            fs::remove(sandbox.context().resourcesDirectory / "BaseConfig.plist");
        }
        const std::string message =
            exportFailure(romDocument(GpuFamily::polaris, 0x6985), PatchMode::zeroRpmPure);
        if (c.messageIsPrefix) {
            EXPECT_TRUE(message.starts_with(c.message)) << message;
        } else {
            EXPECT_EQ(message, c.message);
        }
        expectPreviousArchivesUntouched();
        expectNoTemporariesAndInputUnchanged();
    }
}

TEST_F(ExportFailureTest, cancellation_while_zip_runs) {
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
    expectPreviousArchivesUntouched();
    expectNoTemporariesAndInputUnchanged();
}

TEST_F(ExportFailureTest, desktop_that_cannot_be_created) {
    // Its parent is a file: the platform's error passes through, nothing stays behind.
    test::writeFile(sandbox.root() / "not-a-folder", std::string("x"));
    sandbox.context().desktopDirectory = sandbox.root() / "not-a-folder" / "Desktop";
    EXPECT_NE(exportFailure(rawDocument(GpuFamily::polaris), PatchMode::zeroRpmPure), "");
    expectNoTemporariesAndInputUnchanged();
}

TEST_F(ExportFailureTest, read_only_desktop) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    sandbox.context().desktopDirectory = sandbox.root() / "Desktop";
    fs::permissions(sandbox.context().desktopDirectory,
                    fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(exportFailure(rawDocument(GpuFamily::polaris), PatchMode::zeroRpmPure)
                    .starts_with("zip failed: "));
    fs::permissions(sandbox.context().desktopDirectory, fs::perms::owner_all);
    expectPreviousArchivesUntouched();
    expectNoTemporariesAndInputUnchanged();
}

} // namespace
} // namespace ventora
