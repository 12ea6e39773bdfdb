#include "input/SpptFileParser.hpp"

#include "InputTestSupport.hpp"
#include "core/FileSystem.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"
#include "support/TextExports.hpp"

#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace ventora {
namespace {

Bytes startingWith(std::size_t length, std::uint16_t firstWord) {
    Bytes bytes(length, 0x11);
    test::put(bytes, 0, 2, firstWord);
    return bytes;
}

std::string loadError(const std::filesystem::path& path, const CancellationToken* token = nullptr) {
    return test::appErrorOf([&] { (void)SpptFileParser::load(path, token); });
}

/// The lines the loader writes itself: all of them, or around the extractor's for a ROM.
std::vector<std::string> ownLines(const std::vector<std::string>& m) {
    return m.size() <= 2 ? m : std::vector{m[0], m[1], m.end()[-3], m.end()[-2], m.end()[-1]};
}

// The extension, then 55 AA or AA 55, picks the reader; paths are shown absolute; a ROM is
// only read.
TEST(SpptFileParser, LoadsEachKindOfFileWithItsLines) {
    const test::TemporaryFolder folder;
    const auto path = [&](const char* name) {
        return (folder.path() / name).string();
    };
    const Bytes table = test::rdna2Table();
    const auto withoutIdentity = test::legacyImage(table, [](auto& l) { l.imageLengthUnits = 0; });
    const auto romLines = [](const std::string& first, const std::string& last) {
        return std::vector<std::string>{
            first,
            "Trying to extract PowerPlayInfo/SPPT from the saved ROM, GPU-Z style read-only "
            "workflow...",
            "SPPT data ready from saved VBIOS. Size: 2470 bytes.",
            "ROM flashing is not supported and will never be executed by this app.", last};
    };
    const std::string noIdentity = "Source VBIOS PCIR identity was not available; target "
                                   "validation will use the PowerPlay family only.";
    const std::pair<Bytes, std::vector<std::string>> cases[] = {
        {table,
         {"Loaded binary SPPT: " + path("t.pp_table"), "SPPT data ready. Size: 2470 bytes."}},
        {test::romImage(test::legacyImage(table)),
         romLines("Loaded saved VBIOS ROM: " + path("t.ROM"),
                  "Source VBIOS PCIR identity: vendor 0x1002, device 0x731F.")},
        {test::romImage(withoutIdentity),
         romLines("Loaded VBIOS ROM stored with .bin extension: " + path("t.bin"), noIdentity)},
        {test::uefiFirstDump(withoutIdentity),
         romLines("Loaded VBIOS ROM stored with .sppt extension: " + path("t.sppt"), noIdentity)},
        {test::utf16LittleEndian(test::registryExport(table)),
         {"Loaded SPPT text/REG export: " + path("t.reg"),
          "Clean hexadecimal converted to 2470 bytes."}},
    };
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    for (const auto& [bytes, lines] : cases) {
        const auto name = std::filesystem::path(lines.front()).filename();
        folder.write(name.string(), bytes);
        const auto result = SpptFileParser::load(name);
        EXPECT_EQ(ownLines(result.messages), lines);
        EXPECT_EQ(result.document.data, table);
        EXPECT_EQ(result.document.sourceDescription, path(name.c_str()));
        const bool rom = lines.size() > 2;
        const auto& original = result.document.originalRom;
        EXPECT_EQ(original ? std::optional(Bytes(original->begin(), original->end()))
                           : std::nullopt,
                  rom ? std::optional(bytes) : std::nullopt);
        EXPECT_EQ(result.document.sourceIdentity.has_value(), lines.back() != noIdentity && rom);
        EXPECT_EQ(FileSystem::readWholeFile(name), bytes);
    }
    std::filesystem::current_path(previous);
}

// Every loaded table passes the same checks, in this order.
// Older drivers pad the table up to 4095 bytes; the kernel cuts 4096 and more.
TEST(SpptFileParser, DriverTableIsCutToItsDeclaredLengthAndRefusedWhenShort) {
    const test::TemporaryFolder folder;
    const Bytes table = test::rdna2Table();
    Bytes padded = table;
    padded.resize(4095, 0x00);
    const auto paddedPath = folder.write("pp_table", padded);
    const auto loaded = SpptFileParser::loadDriverTable(paddedPath, 0x1002, 0x73BF);
    EXPECT_EQ(loaded.document.data, table);
    EXPECT_EQ(loaded.document.sourceIdentity, (PciIdentity{0x1002, 0x73BF}));
    EXPECT_EQ(loaded.messages,
              (std::vector<std::string>{
                  "Loaded PowerPlay table from the running driver: " + paddedPath.string(),
                  "The driver returned 4095 bytes; the table declares 2470 bytes, so the 1625 "
                  "bytes after it were dropped as padding.",
                  "SPPT data ready. Size: 2470 bytes.",
                  "GPU PCI identity from sysfs: vendor 0x1002, device 0x73BF."}));

    const auto cut = folder.write("cut", ByteView(table).first(2000));
    EXPECT_EQ(test::appErrorOf([&] { (void)SpptFileParser::loadDriverTable(cut, 0x1002, 1); }),
              "The PowerPlay table in " + cut.string() +
                  " declares 2470 bytes but the driver returned only 2000 bytes: the table was "
                  "truncated by the driver.");
    const auto missing = folder.path() / "missing";
    EXPECT_EQ(test::appErrorOf([&] { (void)SpptFileParser::loadDriverTable(missing, 0x1002, 1); }),
              "Could not read the PowerPlay table from the driver at " + missing.string() +
                  " (No such file or directory). The driver may refuse while the GPU is "
                  "suspended.");
}

TEST(SpptFileParser, Refusals) {
    const test::TemporaryFolder folder;
    const std::tuple<const char*, Bytes, std::string> cases[] = {
        {"t.bin", startingWith(255, 0xAA55), "Parsed SPPT from t.bin is too small (255 bytes)."},
        {"t.bin", Bytes(20481, 0x50), "Parsed SPPT from t.bin is too large (20481 bytes)."},
        {"t.bin", startingWith(256, 0),
         "Parsed SPPT from t.bin has an invalid zero declared table size."},
        {"t.bin", startingWith(512, 256),
         "Parsed SPPT from t.bin declares 256 bytes but contains 512 bytes."},
        {"t.bin", Bytes(257, 0x01), "Parsed SPPT data is invalid: all bytes are identical."},
        {"t.txt", Bytes{'n', 'o'}, "Parsed SPPT from t.txt is too small (0 bytes)."},
        {"t.dat", Bytes{0xDC, 0x41, 0x41, 0x41},
         "Unsupported file format. Load a GPU-Z .rom, SPPT .bin, .reg or text export."},
    };
    for (const auto& [name, bytes, message] : cases) {
        EXPECT_EQ(loadError(folder.write(name, bytes)), message);
    }
    EXPECT_EQ(loadError(folder.path()), "Input path is not a regular file.");
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(loadError(folder.path() / "missing", &token), "Input loading cancelled.");
}

// Run as a user who cannot read the files refused on their size alone, so only a check made
// before reading names the size; the general limit comes before the text limit. Platform
// errors pass unchanged.
TEST(SpptFileParser, FilesItMustNotOrCannotRead) {
    const test::TemporaryFolder folder;
    const std::string general = "Input file is too large (67108865 bytes; maximum 67108864 bytes).";
    const std::string text = "Text/REG input is too large (1048577 bytes; maximum 1048576 bytes).";
    // Name, size (-1: no such file), whether others may read it, and the refusal.
    const std::tuple<const char*, std::int64_t, bool, std::string> cases[] = {
        {"limit.bin", 67108864, true, "Parsed SPPT from limit.bin is too large (67108864 bytes)."},
        {"big.bin", 1048577, true, "Parsed SPPT from big.bin is too large (1048577 bytes)."},
        {"above.bin", 67108865, false, general},
        {"above.txt", 67108865, false, general},
        {"big.reg", 1048577, false, text},
        {"big.TXT", 1048577, false, text},
        {"locked.bin", 640, false, std::strerror(EACCES)},
        {"missing.rom", -1, false, std::strerror(ENOENT)},
    };
    for (const auto& [name, size, readable, refusal] : cases) {
        const auto path = folder.path() / name;
        if (size >= 0) {
            folder.write(name, Bytes{0x01, 0x02});
            ASSERT_EQ(::truncate(path.c_str(), size), 0);
            std::filesystem::permissions(path, readable ? std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::others_read
                                                        : std::filesystem::perms::none);
        }
        const std::string& expected = refusal; // clang 14 cannot capture a structured binding
        EXPECT_TRUE(test::holdsWithoutPrivileges(folder, [&] {
            try {
                (void)SpptFileParser::load(path);
            } catch (const AppError& error) {
                return error.message() == expected;
            } catch (const std::system_error& error) {
                return error.what() == path.string() + ": " + expected;
            }
            return false;
        })) << name;
    }
}

} // namespace
} // namespace ventora
