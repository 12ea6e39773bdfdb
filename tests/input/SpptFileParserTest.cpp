#include "input/SpptFileParser.hpp"

#include "InputTestSupport.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace ventora {
namespace {

using test::appErrorOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

Bytes tableWithFirstBytes(std::size_t length, std::uint8_t first, std::uint8_t second) {
    Bytes table(length, 0x11);
    table[0] = first;
    table[1] = second;
    return table;
}

TEST(SpptFileParserTest, ValidateSpptChecksInOrder) {
    struct Case {
        const char* name;
        Bytes data;
        const char* message;
    };
    const Case cases[] = {
        {"255 bytes", Bytes(255, 0x01), "Parsed SPPT from t.bin is too small (255 bytes)."},
        {"20481 bytes", Bytes(20481, 0x50), "Parsed SPPT from t.bin is too large (20481 bytes)."},
        {"zero declared size", tableWithFirstBytes(256, 0, 0),
         "Parsed SPPT from t.bin has an invalid zero declared table size."},
        {"trailing bytes", tableWithFirstBytes(512, 0x00, 0x01),
         "Parsed SPPT from t.bin declares 256 bytes but contains 512 bytes."},
        {"identical bytes", Bytes(257, 0x01),
         "Parsed SPPT data is invalid: all bytes are identical."},
        {"valid", tableWithFirstBytes(256, 0x00, 0x01), "<no AppError>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(appErrorOf([&] { SpptFileParser::validateSppt(c.data, "t.bin"); }), c.message);
    }
}

TEST(SpptFileParserTest, RomSignatureNeedsBothBytesAndAtLeast256Bytes) {
    EXPECT_TRUE(SpptFileParser::isLikelyVbiosRom(tableWithFirstBytes(256, 0x55, 0xAA)));
    EXPECT_TRUE(SpptFileParser::isLikelyVbiosRom(tableWithFirstBytes(256, 0xAA, 0x55)));
    EXPECT_FALSE(SpptFileParser::isLikelyVbiosRom(tableWithFirstBytes(255, 0x55, 0xAA)));
    EXPECT_FALSE(SpptFileParser::isLikelyVbiosRom(tableWithFirstBytes(256, 0x55, 0x55)));
}

class LoaderTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
};

TEST_F(LoaderTest, BinaryTableLoadsAsReadWithItsFullPath) {
    const Bytes table = test::polarisTable();
    const auto path = folder.write("table.pp_table", table);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const auto result = SpptFileParser::load("table.pp_table");
    std::filesystem::current_path(previous);
    EXPECT_THAT(result.messages, ElementsAre("Loaded binary SPPT: " + path.string(),
                                             "SPPT data ready. Size: 640 bytes."));
    EXPECT_EQ(result.document.data, table);
    EXPECT_EQ(result.document.sourceDescription, path.string());
    EXPECT_FALSE(result.document.originalRom.has_value());
    EXPECT_FALSE(result.document.sourceIdentity.has_value());
}

TEST_F(LoaderTest, RomLoadsWithLogIdentityAndWholeImage) {
    test::RomImageLayout layout;
    layout.table = test::rdna2Table();
    const Bytes rom = test::romImage(layout);
    const auto path = folder.write("card.ROM", rom);
    const auto result = SpptFileParser::load(path);
    EXPECT_THAT(
        result.messages,
        ElementsAre("Loaded saved VBIOS ROM: " + path.string(),
                    "Trying to extract PowerPlayInfo/SPPT from the saved ROM, GPU-Z style "
                    "read-only workflow...",
                    "PCI expansion ROM image 0: offset 0x0, length 65536 bytes, code type 0x00.",
                    "Using legacy ATOMBIOS image discovered through the PCI expansion ROM chain.",
                    "Extracted PowerPlayInfo/SPPT from saved VBIOS ROM. Offset: 0x400, size: "
                    "2470 bytes.",
                    "VBIOS was read as a file only. No firmware write or flash operation was "
                    "performed.",
                    "SPPT data ready from saved VBIOS. Size: 2470 bytes.",
                    "ROM flashing is not supported and will never be executed by this app.",
                    "Source VBIOS PCIR identity: vendor 0x1002, device 0x731F."));
    EXPECT_EQ(result.document.data, layout.table);
    EXPECT_EQ(result.document.originalRom, rom);
    EXPECT_EQ(result.document.sourceIdentity, (PciIdentity{0x1002, 0x731F}));
    // Read-only: the folder holds only the input, unchanged.
    const std::filesystem::directory_iterator entries(folder.path());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1);
    EXPECT_EQ(SpptFileParser::load(path).document.originalRom, rom);
}

TEST_F(LoaderTest, BinWithRomSignatureIsARomWithoutIdentity) {
    test::RomImageLayout layout;
    layout.table = test::navi10Table();
    layout.imageLengthUnits = 0;
    const auto path = folder.write("table.bin", test::romImage(layout));
    const auto result = SpptFileParser::load(path);
    EXPECT_EQ(result.messages.front(),
              "Loaded VBIOS ROM stored with .bin extension: " + path.string());
    EXPECT_EQ(result.messages.back(), "Source VBIOS PCIR identity was not available; target "
                                      "validation will use the PowerPlay family only.");
    EXPECT_EQ(result.document.data, layout.table);
    EXPECT_FALSE(result.document.sourceIdentity.has_value());
}

TEST_F(LoaderTest, ClassificationByExtensionAndSignature) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"t.bin", tableWithFirstBytes(255, 0x55, 0xAA),
         "Parsed SPPT from t.bin is too small (255 bytes)."},
        {"t.sppt", Bytes(255, 0x11), "Parsed SPPT from t.sppt is too small (255 bytes)."},
        {"t.rom", test::polarisTable(),
         "VBIOS signature 55 AA was not found. The file may not be a raw GPU-Z VBIOS dump."},
        {"t.rom", Bytes(255, 0x55), "VBIOS file is too small."},
        {"t.dat", Bytes{0xDC, 0x41, 0x41, 0x41},
         "Unsupported file format. Load a GPU-Z .rom, SPPT .bin, .reg or text export."},
        {"t.txt", Bytes{'n', 'o', ' ', 'h', 'e', 'x'},
         "Parsed SPPT from t.txt is too small (0 bytes)."},
        {"t.reg", Bytes{0xDC, 0x41, 0x41, 0x41},
         "Unsupported file format. Load a GPU-Z .rom, SPPT .bin, .reg or text export."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = folder.write(c.name, c.bytes);
        EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load(path); }), c.message);
    }
}

TEST_F(LoaderTest, TextExportsLoad) {
    const Bytes table = test::vega10Table();
    std::string registry = "\"PP_PhmSoftPowerPlayTable\"=hex:";
    for (std::size_t i = 0; i < table.size(); ++i) {
        registry +=
            ByteUtils::hexString(ByteView(&table[i], 1)) + (i % 20 == 19 ? ",\\\r\n  " : ",");
    }
    registry.pop_back();
    Bytes utf16 = {0xFF, 0xFE};
    for (const char c : "Windows Registry Editor Version 5.00\r\n\r\n" + registry) {
        utf16.push_back(static_cast<std::uint8_t>(c));
        utf16.push_back(0);
    }
    const auto regPath = folder.write("export.reg", utf16);
    const auto result = SpptFileParser::load(regPath);
    EXPECT_THAT(result.messages, ElementsAre("Loaded SPPT text/REG export: " + regPath.string(),
                                             "Clean hexadecimal converted to 600 bytes."));
    EXPECT_EQ(result.document.data, table);
    EXPECT_FALSE(result.document.originalRom.has_value());

    // The plain-dump rules refuse U+FEFF, so this also shows the mark is dropped first.
    const auto txtPath =
        folder.write("dump.txt", "\xEF\xBB\xBF" + ByteUtils::hexString(table) + "\r\n");
    EXPECT_EQ(SpptFileParser::load(txtPath).document.data, table);
}

TEST_F(LoaderTest, NotARegularFile) {
    EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load(folder.path()); }),
              "Input path is not a regular file.");
    EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load("/dev/null"); }),
              "Input path is not a regular file.");
}

TEST_F(LoaderTest, PlatformErrorsPassUnchanged) {
    const auto missing = folder.path() / "missing.rom";
    try {
        (void)SpptFileParser::load(missing);
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
        EXPECT_THAT(error.what(), HasSubstr(std::strerror(ENOENT)));
        EXPECT_THAT(error.what(), HasSubstr(missing.string()));
    }
    const auto locked = folder.write("locked.bin", test::polarisTable());
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    EXPECT_TRUE(test::holdsWithoutPrivileges(folder, [&] {
        try {
            (void)SpptFileParser::load(locked);
        } catch (const std::system_error& error) {
            return error.code() == std::errc::permission_denied;
        } catch (...) {
        }
        return false;
    }));
}

/// A sparse file of `size` bytes whose first bytes are `head`.
std::filesystem::path sparseFile(const test::TemporaryFolder& folder, std::string_view name,
                                 std::int64_t size, ByteView head = {}) {
    const auto path = folder.write(name, head);
    EXPECT_EQ(::truncate(path.c_str(), size), 0);
    return path;
}

TEST_F(LoaderTest, FileSizeLimit) {
    const auto atLimit = sparseFile(folder, "limit.bin", 67108864);
    EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load(atLimit); }),
              "Parsed SPPT from limit.bin is too large (67108864 bytes).");
    // The general limit is checked before the text limit.
    for (const char* name : {"above.bin", "above.txt"}) {
        SCOPED_TRACE(name);
        const auto above = sparseFile(folder, name, 67108865);
        EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load(above); }),
                  "Input file is too large (67108865 bytes; maximum 67108864 bytes).");
    }
}

// The text files cannot be read at all, so only a check made before reading names their size.
TEST_F(LoaderTest, TextSizeLimitAppliesToTxtAndRegBeforeReading) {
    for (const char* name : {"big.reg", "big.TXT"}) {
        SCOPED_TRACE(name);
        const auto path = sparseFile(folder, name, 1048577);
        std::filesystem::permissions(path, std::filesystem::perms::none);
        EXPECT_TRUE(test::holdsWithoutPrivileges(folder, [&] {
            return appErrorOf([&] { (void)SpptFileParser::load(path); }) ==
                   "Text/REG input is too large (1048577 bytes; maximum 1048576 bytes).";
        }));
    }
    const Bytes head = {0x01, 0x02};
    const auto bin = sparseFile(folder, "big.bin", 1048577, head);
    EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load(bin); }),
              "Parsed SPPT from big.bin is too large (1048577 bytes).");
}

TEST_F(LoaderTest, CancelledTokenStopsBeforeAnyWork) {
    CancellationToken token;
    token.cancel();
    const auto path = folder.write("table.bin", test::polarisTable());
    EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load(path, &token); }),
              "Input loading cancelled.");
    EXPECT_EQ(appErrorOf([&] { (void)SpptFileParser::load(folder.path() / "missing", &token); }),
              "Input loading cancelled.");
}

} // namespace
} // namespace ventora
