#include "InputTestSupport.hpp"
#include "input/SpptFileParser.hpp"
#include "support/PowerPlayTables.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::ascii32;

/// A table-like byte run: first word is the length, the rest counts up.
Bytes sampleBytes(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    test::putU16(bytes, 0, static_cast<std::uint16_t>(length));
    return bytes;
}

std::string hexPair(std::uint8_t byte) {
    return ByteUtils::hexString(ByteView(&byte, 1));
}

/// The value as regedit writes it: 25 bytes a line, "," + "\" at each line's end and
/// continuation lines indented by two spaces.
std::string registryValue(ByteView bytes, std::string_view eol = "\r\n") {
    std::string text = "\"PP_PhmSoftPowerPlayTable\"=hex:";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += hexPair(bytes[i]);
        if (i + 1 < bytes.size()) {
            text += ",";
            if ((i + 1) % 25 == 0) {
                text += "\\";
                text += eol;
                text += "  ";
            }
        }
    }
    return text + std::string(eol);
}

std::string registryExport(ByteView bytes) {
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\{4d36e968}\\0000]\r\n" +
           registryValue(bytes) + "\"Other\"=dword:00000001\r\n";
}

std::optional<Bytes> registry(std::string_view text) {
    return SpptFileParser::extractRegistryHexBytes(ascii32(text));
}

TEST(HexExtractionTest, RegistryExportYieldsTheValueBytes) {
    const Bytes bytes = sampleBytes(300);
    EXPECT_EQ(registry(registryExport(bytes)), bytes);
    EXPECT_EQ(SpptFileParser::extractHexBytes(ascii32(registryExport(bytes))), bytes);
}

TEST(HexExtractionTest, RegistryNameAndMarkerIgnoreCase) {
    const Bytes bytes = sampleBytes(256);
    std::string text = registryValue(bytes);
    text.replace(text.find("hex:"), 4, "HEX:");
    text.replace(text.find("PP_PhmSoftPowerPlayTable"), 24, "pp_phmsoftpowerplaytable");
    EXPECT_EQ(registry(text), bytes);
}

TEST(HexExtractionTest, RegistryValueContinuationRules) {
    const Bytes bytes = sampleBytes(256);
    const std::string value = registryValue(bytes, "\n");
    const std::string head = value.substr(0, value.size() - 1);
    struct Case {
        const char* name;
        std::string text;
        std::optional<Bytes> expected;
    };
    const std::string firstLines = head.substr(0, head.rfind('\n') + 1);
    const Case cases[] = {
        {"blank lines inside the value are skipped",
         firstLines + "\n   \n" + head.substr(head.rfind('\n') + 1), bytes},
        {"a key line ends a continued value", head + ",\\\n[HKEY_NEXT]\n01,02", bytes},
        {"a value line without comma ends a continued value", head + ",\\\n\"Next\"=dword:1\n",
         bytes},
        {"a final backslash at the end of the text", head + ",\\", bytes},
        {"a value line with a comma after a continuation", head + ",\\\n\"Next\"=hex:01,02\n",
         std::nullopt},
        {"a stray quotation mark", head + ",\"0\n", std::nullopt},
        {"a letter beyond F", head.substr(0, head.size() - 1) + "G\n", std::nullopt},
        {"three digits in a piece", head + ",123\n", std::nullopt},
        {"whitespace-only piece before the backslash", head + ", \\\n00\n", std::nullopt},
        {"the typed spelling hex(3): is not recognised",
         "\"PP_PhmSoftPowerPlayTable\"=hex(3):" + head.substr(head.find(':') + 1), std::nullopt},
        {"no marker at all", "\"PP_PhmSoftPowerPlayTable\"=dword:1\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(registry(c.text), c.expected);
    }
}

TEST(HexExtractionTest, RegistrySingleDigitPiecesArePadded) {
    Bytes bytes = sampleBytes(256);
    bytes[10] = 0x08;
    std::string text = registryValue(bytes, "\n");
    const std::size_t tenth = text.find(":") + 1 + 10 * 3;
    ASSERT_EQ(text.substr(tenth, 3), "08,");
    text.erase(tenth, 1);
    EXPECT_EQ(registry(text), bytes);
}

TEST(HexExtractionTest, RegistryLinesBreakAtEveryUnicodeNewline) {
    const Bytes bytes = sampleBytes(256);
    for (const char32_t separator : {U'\r', U'\n', U'\u0085', U'\u2028', U'\u2029', U'\v', U'\f'}) {
        std::u32string text = ascii32(registryValue(bytes, "\n"));
        for (auto& c : text) {
            c = c == U'\n' ? separator : c;
        }
        EXPECT_EQ(SpptFileParser::extractRegistryHexBytes(text), bytes)
            << std::hex << static_cast<int>(separator);
    }
}

TEST(HexExtractionTest, ShortRegistryValueFallsThroughToAnEmptyDump) {
    const std::string text = registryValue(sampleBytes(255));
    EXPECT_EQ(registry(text), std::nullopt);
    EXPECT_TRUE(SpptFileParser::extractHexBytes(ascii32(text)).empty());
}

std::string spaced(ByteView bytes, std::string_view prefix, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += std::string(i == 0 ? "" : separator) + std::string(prefix) + hexPair(bytes[i]);
    }
    return text;
}

Bytes clean(std::string_view text) {
    return SpptFileParser::extractCleanHexBytes(ascii32(text));
}

TEST(HexExtractionTest, PlainDumpShapesGiveTheSameBytes) {
    const Bytes bytes = sampleBytes(300);
    EXPECT_EQ(clean(spaced(bytes, "", " ")), bytes);
    EXPECT_EQ(clean(spaced(bytes, "0x", ", ")), bytes);
    EXPECT_EQ(clean(spaced(bytes, "0X", ",")), bytes);
    EXPECT_EQ(clean("\n  " + test::hexDigits(bytes) + "  \n"), bytes);
    EXPECT_EQ(clean(spaced(bytes, "", ",\\\r\n")), bytes);
}

TEST(HexExtractionTest, PlainDumpAcceptsUnicodeWhitespaceBetweenPairs) {
    const Bytes bytes = sampleBytes(256);
    std::u32string text;
    for (const std::uint8_t byte : bytes) {
        text += ascii32(hexPair(byte)) + U"\u00A0\u3000\u2028";
    }
    EXPECT_EQ(SpptFileParser::extractCleanHexBytes(text), bytes);
}

TEST(HexExtractionTest, PlainDumpPieceRules) {
    Bytes bytes = sampleBytes(256);
    bytes[1] = 0x02;
    std::string pieces = spaced(bytes, "0x", ",");
    const std::size_t second = pieces.find(",0x02");
    EXPECT_EQ(clean(pieces.replace(second, 5, ",0x2")), bytes);
    EXPECT_TRUE(clean(spaced(bytes, "", ",") + ",B60").empty());
    EXPECT_TRUE(clean(spaced(bytes, "", ",") + ", ,").empty());
    EXPECT_TRUE(clean(spaced(bytes, "", " ") + " G0").empty());
    EXPECT_TRUE(clean(spaced(bytes, "", " ") + " \"").empty());
}

TEST(HexExtractionTest, DigitCountWindow) {
    struct Case {
        std::size_t digits;
        bool accepted;
    };
    for (const Case c : {Case{510, false}, Case{511, false}, Case{512, true}, Case{513, false},
                         Case{40960, true}, Case{40961, false}, Case{40962, false}}) {
        SCOPED_TRACE(c.digits);
        const std::string digits(c.digits, 'A');
        EXPECT_EQ(clean(digits).size(), c.accepted ? c.digits / 2 : 0u);
        EXPECT_EQ(SpptFileParser::dataFromEvenHex(ascii32(digits)).has_value(), c.accepted);
    }
}

TEST(HexExtractionTest, DataFromEvenHexRefusesNonDigitPairs) {
    std::string digits(512, '0');
    digits[100] = '+';
    EXPECT_FALSE(SpptFileParser::dataFromEvenHex(ascii32(digits)).has_value());
}

TEST(HexExtractionTest, LeadingByteOrderMarkIsDropped) {
    const Bytes bytes = sampleBytes(256);
    EXPECT_EQ(SpptFileParser::extractHexBytes(U"\uFEFF" + ascii32(test::hexDigits(bytes))), bytes);
    EXPECT_EQ(SpptFileParser::extractHexBytes(U"\uFEFF" + ascii32(registryExport(bytes))), bytes);
}

} // namespace
} // namespace ventora
