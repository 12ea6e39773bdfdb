#include "input/HexExtraction.hpp"
#include "input/TextDecoding.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/TextExports.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <string_view>

namespace ventora {
namespace {

/// `text` read as Latin-1, as the UTF-32 string the text import works on.
std::u32string latin1(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()),
            reinterpret_cast<const unsigned char*>(text.data() + text.size())};
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    return text.replace(text.find(from), from.size(), to);
}

// A REG export's value, else a plain dump; a text that fails the first is left to the second.
// A plain dump holds 512 to 40960 digits.
TEST(HexExtraction, RegistryValuesAndPlainDumps) {
    Bytes bytes = test::polarisTable(300);
    bytes[4] = 0x08;
    const std::string value = test::registryValue(bytes, "\n");
    const std::string head = value.substr(0, value.size() - 1);
    const auto pairs = [&](std::string_view prefix, std::string_view separator) {
        return latin1(test::hexPairs(bytes, prefix, separator));
    };
    std::vector<std::tuple<std::string, std::u32string, bool>> cases = {
        {"a whole CRLF export", latin1(test::registryExport(bytes)), true},
        {"name and marker in any case",
         latin1(replaced(replaced(value, "hex:", "HEX:"), "PP_Phm", "pp_phm")), true},
        {"a single-digit piece is padded", latin1(replaced(value, ",08,", ",8,")), true},
        {"blank lines are skipped", latin1(replaced(head, "\n", "\n\n   \n")), true},
        {"a key line ends a continued value", latin1(head + ",\\\n[HKEY_NEXT]\n01,02"), true},
        {"a value line without comma ends it", latin1(head + ",\\\n\"Next\"=dword:1\n"), true},
        {"a final backslash ends the text", latin1(head + ",\\"), true},
        {"a value line with a comma", latin1(head + ",\\\n\"Next\"=hex:01,02\n"), false},
        {"a letter beyond F", latin1(head.substr(0, head.size() - 1) + "G\n"), false},
        {"three digits in a piece", latin1(head + ",123\n"), false},
        {"a blank piece before the backslash", latin1(head + ", \\\n00\n"), false},
        {"the typed spelling hex(3):", latin1(replaced(value, "hex:", "hex(3):")), false},
        {"no marker", U"\"PP_PhmSoftPowerPlayTable\"=dword:1\n" + pairs("", ""), false},
        {"fewer than 256 bytes", latin1(test::registryValue(ByteView(bytes).first(255))), false},
        {"space-separated pairs", pairs("", " "), true},
        {"0x and 0X prefixes and commas", pairs("0x", ", ").replace(0, 2, U"0X"), true},
        {"one run of digits, trimmed", U"\n  " + pairs("", "") + U"  \n", true},
        {"a leading byte-order mark", std::u32string(U"\uFEFF").append(pairs("", "")), true},
        {"backslash continuations", pairs("", ",\\\r\n"), true},
        {"no-break spaces", pairs("", "\xA0"), true},
        {"a one-digit piece", pairs("0x", ",").replace(19, 5, U",0x8"), true},
        {"a three-digit piece", pairs("", ",") + U",B60", false},
        {"a blank piece", pairs("", ",") + U", ,", false},
    };
    for (const char32_t space : {U'\r', U'\v', U'\f', U'\u0085', U'\u2028', U'\u2029'}) {
        std::u32string text = latin1(value);
        std::replace(text.begin(), text.end(), U'\n', space);
        cases.emplace_back("line break U+" + std::to_string(space), text, true);
    }
    for (const auto& [name, text, accepted] : cases) {
        EXPECT_EQ(SpptFileParser::extractHexBytes(text), accepted ? bytes : Bytes{}) << name;
    }
    for (const std::size_t count : {510u, 511u, 512u, 513u, 40960u, 40961u, 40962u}) {
        const bool accepted = count == 512 || count == 40960;
        EXPECT_EQ(SpptFileParser::extractHexBytes(std::u32string(count, U'A')),
                  accepted ? Bytes(count / 2, 0xAA) : Bytes{})
            << count;
    }
}

TEST(TextDecoding, ChoosesTheEncodingByRule) {
    const std::tuple<const char*, Bytes, std::optional<std::u32string>> cases[] = {
        {"UTF-16 LE mark kept", {0xFF, 0xFE, 0x42, 0x00, 0x36, 0x00}, U"\uFEFFB6"},
        {"UTF-16 LE mark, odd count", {0xFF, 0xFE, 0x42}, std::nullopt},
        {"UTF-16 LE without mark", {0x42, 0x00, 0x36, 0x00}, U"B6"},
        {"UTF-16 BE without mark", {0x00, 0x42, 0x00, 0x36}, U"B6"},
        {"half the units end in 0", {0x42, 0x00, 0x36, 0x37}, U"B\u3736"},
        {"unpaired surrogate", {0xFF, 0xFE, 0x3D, 0xD8, 0x41, 0x00}, std::nullopt},
        {"surrogate pair", {0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}, U"\uFEFF\U0001F600"},
        {"ASCII as UTF-8", {0x42, 0x36, 0x20, 0x30, 0x32}, U"B6 02"},
        {"UTF-8 mark kept", {0xEF, 0xBB, 0xBF, 0x42, 0x36}, U"\uFEFFB6"},
        {"short even buffer is not guessed", {0x42, 0x00}, std::u32string(U"B\0", 2)},
        {"invalid UTF-8 read as UTF-16", {0xC0, 0xC1, 0xC2, 0xC3}, U"\uC0C1\uC2C3"},
        {"undecodable in every encoding", {0xDC, 0x41, 0x41, 0x41}, std::nullopt},
    };
    for (const auto& [name, bytes, text] : cases) {
        EXPECT_EQ(SpptFileParser::decodeText(bytes), text) << name;
    }
}

} // namespace
} // namespace ventora
