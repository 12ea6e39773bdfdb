#include "input/HexExtraction.hpp"

#include "InputTestSupport.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/TextExports.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using test::ascii32;

/// A table-like byte run: the first word is the length, the rest counts up.
Bytes sampleBytes(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    test::putU16(bytes, 0, static_cast<std::uint16_t>(length));
    return bytes;
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    return text.replace(text.find(from), from.size(), to);
}

struct Case {
    std::string name;
    std::u32string text;
    bool accepted;
};

void expectExtractions(const Bytes& bytes, const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SpptFileParser::extractHexBytes(c.text), c.accepted ? bytes : Bytes{});
    }
}

TEST(HexExtraction, RegistryGrammar) {
    Bytes bytes = sampleBytes(256);
    bytes[10] = 0x08;
    const std::string value = test::registryValue(bytes, "\n");
    const std::string head = value.substr(0, value.size() - 1);
    const std::string firstLines = head.substr(0, head.rfind('\n') + 1);
    std::vector<Case> cases = {
        {"a whole CRLF export", ascii32(test::registryExport(bytes)), true},
        {"name and marker in any case",
         ascii32(replaced(replaced(value, "hex:", "HEX:"), "PP_Phm", "pp_phm")), true},
        {"a single-digit piece is padded", ascii32(replaced(value, ",08,", ",8,")), true},
        {"blank lines inside the value are skipped",
         ascii32(firstLines + "\n   \n" + head.substr(head.rfind('\n') + 1)), true},
        {"a key line ends a continued value", ascii32(head + ",\\\n[HKEY_NEXT]\n01,02"), true},
        {"a value line without comma ends a continued value",
         ascii32(head + ",\\\n\"Next\"=dword:1\n"), true},
        {"a final backslash at the end of the text", ascii32(head + ",\\"), true},
        {"a value line with a comma after a continuation",
         ascii32(head + ",\\\n\"Next\"=hex:01,02\n"), false},
        {"a stray quotation mark", ascii32(head + ",\"0\n"), false},
        {"a letter beyond F", ascii32(head.substr(0, head.size() - 1) + "G\n"), false},
        {"three digits in a piece", ascii32(head + ",123\n"), false},
        {"whitespace-only piece before the backslash", ascii32(head + ", \\\n00\n"), false},
        {"the typed spelling hex(3):", ascii32(replaced(value, "hex:", "hex(3):")), false},
        {"no marker at all", U"\"PP_PhmSoftPowerPlayTable\"=dword:1\n", false},
        {"fewer than 256 bytes", ascii32(test::registryValue(sampleBytes(255))), false},
    };
    for (const char32_t separator : {U'\r', U'\u0085', U'\u2028', U'\u2029', U'\v', U'\f'}) {
        std::u32string text = ascii32(value);
        std::replace(text.begin(), text.end(), U'\n', separator);
        cases.push_back({"lines end at U+" + std::to_string(separator), text, true});
    }
    expectExtractions(bytes, cases);
}

TEST(HexExtraction, PlainDumpShapes) {
    Bytes bytes = sampleBytes(300);
    bytes[1] = 0x02;
    const auto pairs = [&](std::string_view prefix, std::string_view separator) {
        return ascii32(test::hexPairs(bytes, prefix, separator));
    };
    const auto spacedBy = [&](char32_t space) {
        std::u32string text = pairs("", "_");
        std::replace(text.begin(), text.end(), U'_', space);
        return text;
    };
    expectExtractions(bytes,
                      {
                          {"space-separated pairs", pairs("", " "), true},
                          {"0x prefixes and commas", pairs("0x", ", "), true},
                          {"0X prefixes", pairs("0X", ","), true},
                          {"one run of digits, trimmed", U"\n  " + pairs("", "") + U"  \n", true},
                          {"a leading byte-order mark", U"\uFEFF" + pairs("", ""), true},
                          {"backslash continuations", pairs("", ",\\\r\n"), true},
                          {"no-break spaces", spacedBy(U'\u00A0'), true},
                          {"line separators", spacedBy(U'\u2028'), true},
                          {"a one-digit piece", pairs("0x", ",").replace(4, 5, U",0x2"), true},
                          {"a three-digit piece", pairs("", ",") + U",B60", false},
                          {"a blank piece", pairs("", ",") + U", ,", false},
                          {"a letter beyond F", pairs("", " ") + U" G0", false},
                          {"a quotation mark", pairs("", " ") + U" \"", false},
                      });
}

TEST(HexExtraction, DigitCountWindow) {
    for (const std::size_t count : {510u, 511u, 512u, 513u, 40960u, 40961u, 40962u}) {
        SCOPED_TRACE(count);
        const bool accepted = count == 512 || count == 40960;
        EXPECT_EQ(SpptFileParser::extractHexBytes(std::u32string(count, U'A')),
                  accepted ? Bytes(count / 2, 0xAA) : Bytes{});
    }
}

} // namespace
} // namespace ventora
