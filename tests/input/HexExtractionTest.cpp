#include "InputTestSupport.hpp"
#include "input/SpptFileParser.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
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
            text += (i + 1) % 25 == 0 ? ",\\" + std::string(eol) + "  " : ",";
        }
    }
    return text + std::string(eol);
}

std::string registryExport(ByteView bytes) {
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\{4d36e968}\\0000]\r\n" +
           registryValue(bytes) + "\"Other\"=dword:00000001\r\n";
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    return text.replace(text.find(from), from.size(), to);
}

TEST(HexExtractionTest, RegistryGrammar) {
    Bytes bytes = sampleBytes(256);
    bytes[10] = 0x08;
    const std::string value = registryValue(bytes, "\n");
    const std::string head = value.substr(0, value.size() - 1);
    const std::string firstLines = head.substr(0, head.rfind('\n') + 1);
    struct Case {
        const char* name;
        std::string text;
        std::optional<Bytes> expected;
    };
    const Case cases[] = {
        {"a whole CRLF export", registryExport(bytes), bytes},
        {"name and marker in any case",
         replaced(replaced(value, "hex:", "HEX:"), "PP_Phm", "pp_phm"), bytes},
        {"a single-digit piece is padded", replaced(value, ",08,", ",8,"), bytes},
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
        {"the typed spelling hex(3): is not recognised", replaced(value, "hex:", "hex(3):"),
         std::nullopt},
        {"no marker at all", "\"PP_PhmSoftPowerPlayTable\"=dword:1\n", std::nullopt},
        {"fewer than 256 bytes", registryValue(sampleBytes(255)), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SpptFileParser::extractRegistryHexBytes(ascii32(c.text)), c.expected);
    }
    // A failed value leaves its name in the text, which the plain-dump rules refuse.
    EXPECT_TRUE(SpptFileParser::extractHexBytes(ascii32(registryValue(sampleBytes(255)))).empty());
}

TEST(HexExtractionTest, RegistryLinesBreakAtEveryUnicodeNewline) {
    const Bytes bytes = sampleBytes(256);
    for (const char32_t separator : {U'\r', U'\n', U'\u0085', U'\u2028', U'\u2029', U'\v', U'\f'}) {
        std::u32string text = ascii32(registryValue(bytes, "\n"));
        std::replace(text.begin(), text.end(), U'\n', separator);
        EXPECT_EQ(SpptFileParser::extractRegistryHexBytes(text), bytes)
            << std::hex << static_cast<int>(separator);
    }
}

std::u32string spaced(ByteView bytes, std::u32string_view prefix, std::u32string_view separator) {
    std::u32string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += std::u32string(i == 0 ? U"" : separator) + std::u32string(prefix) +
                ascii32(hexPair(bytes[i]));
    }
    return text;
}

TEST(HexExtractionTest, PlainDumpShapes) {
    Bytes bytes = sampleBytes(300);
    bytes[1] = 0x02;
    const std::u32string commaPieces = spaced(bytes, U"0x", U",");
    struct Case {
        const char* name;
        std::u32string text;
        bool accepted;
    };
    const Case cases[] = {
        {"space-separated pairs", spaced(bytes, U"", U" "), true},
        {"0x prefixes and commas", spaced(bytes, U"0x", U", "), true},
        {"0X prefixes", spaced(bytes, U"0X", U","), true},
        {"one run of digits, trimmed", U"\n  " + ascii32(ByteUtils::hexString(bytes)) + U"  \n",
         true},
        {"backslash continuations", spaced(bytes, U"", U",\\\r\n"), true},
        {"Unicode white space", spaced(bytes, U"", U"\u00A0\u3000\u2028"), true},
        {"a one-digit piece", std::u32string(commaPieces).replace(4, 5, U",0x2"), true},
        {"a three-digit piece", spaced(bytes, U"", U",") + U",B60", false},
        {"a blank piece", spaced(bytes, U"", U",") + U", ,", false},
        {"a letter beyond F", spaced(bytes, U"", U" ") + U" G0", false},
        {"a quotation mark", spaced(bytes, U"", U" ") + U" \"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SpptFileParser::extractCleanHexBytes(c.text), c.accepted ? bytes : Bytes{});
    }
}

TEST(HexExtractionTest, DigitCountWindow) {
    struct Case {
        std::size_t digits;
        bool accepted;
    };
    for (const Case c : {Case{510, false}, Case{511, false}, Case{512, true}, Case{513, false},
                         Case{40960, true}, Case{40961, false}, Case{40962, false}}) {
        SCOPED_TRACE(c.digits);
        const std::u32string digits(c.digits, U'A');
        EXPECT_EQ(SpptFileParser::extractCleanHexBytes(digits).size(),
                  c.accepted ? c.digits / 2 : 0u);
        EXPECT_EQ(SpptFileParser::dataFromEvenHex(digits).has_value(), c.accepted);
    }
    std::u32string digits(512, U'0');
    digits[100] = U'+';
    EXPECT_FALSE(SpptFileParser::dataFromEvenHex(digits).has_value());
}

} // namespace
} // namespace ventora
