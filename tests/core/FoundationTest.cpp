#include "core/AppError.hpp"
#include "core/Ascii.hpp"
#include "core/ByteUtils.hpp"
#include "core/PatchMode.hpp"
#include "core/Unicode.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

TEST(ByteUtils, RangeChecksAndLittleEndianAccess) {
    const Bytes four{0x78, 0x56, 0x34, 0x12};
    // Offset, length and whether the range lies inside four bytes.
    const std::int64_t ranges[][3] = {{4, 0, 1},  {0, 4, 1},  {1, 3, 1}, {4, 1, 0},
                                      {0, -1, 0}, {-1, 0, 0}, {1, 4, 0}, {5, 0, 0}};
    for (const auto& [offset, length, inside] : ranges) {
        EXPECT_EQ(ByteUtils::isRangeValid(four, offset, length), inside != 0)
            << offset << "+" << length;
    }
    EXPECT_EQ(ByteUtils::readUInt16LE(four, 2), 0x1234);
    EXPECT_EQ(ByteUtils::readUInt32LE(four, 0), 0x12345678u);
    EXPECT_EQ(ByteUtils::readUInt16LE(four, 3) + ByteUtils::readUInt16LE(four, -1), 0);
    EXPECT_EQ(ByteUtils::readUInt32LE(four, 1), 0u);
    Bytes three{0, 0, 0};
    ByteUtils::writeUInt16LE(three, 2, 0xABCD);
    ByteUtils::writeUInt16LE(three, 0, 0xABCD);
    EXPECT_EQ(three, (Bytes{0xCD, 0xAB, 0}));
}

TEST(PatchMode, NamesAndCustomThresholdRanges) {
    EXPECT_EQ(presetName(PatchMode::fan35), "Fan 35 °C / Stop 30 °C");
    EXPECT_EQ(presetName(PatchMode::zeroRpmPure), "ZeroRPM OFF / Fan Always On");
    EXPECT_EQ(presetName(PatchMode::custom(45, 40)), "Fan 45 °C / Stop 40 °C");
    for (const auto& [start, stop] : {std::pair{25, 20}, {25, 22}, {90, 87}, {90, 20}}) {
        EXPECT_EQ(PatchMode::custom(start, stop).fanStop(), (FanStopTemperatures{start, stop}));
    }
    // Below or above the start range, a stop under 20, and stops closer than 3 °C to the start.
    const int refused[][2] = {{24, 20}, {91, 40}, {45, 19}, {40, 38}, {40, 40}, {40, 45}};
    for (const auto& [start, stop] : refused) {
        EXPECT_THROW((void)PatchMode::custom(start, stop), AppError) << start << "/" << stop;
    }
}

Bytes bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(Ascii, CaseHexAndLines) {
    EXPECT_EQ(Ascii::lowercased("PCI0@Z\xC3\x84"), "pci0@z\xC3\x84");
    EXPECT_EQ(Ascii::parseHex("fF09"), 0xFF09u);
    EXPECT_EQ(Ascii::parseHex("FFFFFFFFFFFFFFFF"), UINT64_MAX);
    for (const char* refused : {"", "0x1", "G", " 1", "12345678901234567"}) {
        EXPECT_FALSE(Ascii::parseHex(refused).has_value()) << refused;
    }
    EXPECT_FALSE(Ascii::parseHex("12345", 4).has_value());
    EXPECT_EQ(Ascii::lines("a\nb\r\n\nc\n"), (std::vector<std::string_view>{"a", "b\r", "", "c"}));
    EXPECT_TRUE(Ascii::lines("").empty());
}

// Validation and decoding refuse the same forms; a byte-order mark stays in the text.
TEST(Unicode, Utf8IsStrict) {
    EXPECT_TRUE(Unicode::isValidUtf8("") && Unicode::isValidUtf8("\xF0\x9F\x98\x80\xC2\xB0"));
    for (const char* malformed : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                  "\xE2\x82", "\x80", "\xF8\x88\x80\x80\x80", "\xE2\x41\x41"}) {
        EXPECT_FALSE(Unicode::isValidUtf8(malformed) || Unicode::decodeUtf8(bytesOf(malformed)));
    }
    const Bytes text = bytesOf("\xEF\xBB\xBF\x41\xC2\x85\xE2\x80\xA8\xF4\x8F\xBF\xBF");
    EXPECT_EQ(Unicode::decodeUtf8(text), U"\uFEFFA\u0085\u2028\U0010FFFF");
    EXPECT_TRUE(Unicode::decodeUtf8At(text, 6)->length == 3 && !Unicode::decodeUtf8At(text, 7));
}

TEST(Unicode, CharacterClassesAndWhiteSpace) {
    for (const int c : {0x09, 0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x2000, 0x200A, 0x2028, 0x2029,
                        0x202F, 0x205F, 0x3000}) {
        EXPECT_TRUE(Unicode::isWhitespace(c)) << c;
    }
    for (const int c : {0x08, 0x0E, 0x41, 0x180E, 0x200B, 0xFEFF}) {
        EXPECT_FALSE(Unicode::isWhitespace(c) || Unicode::isNewline(c)) << c;
    }
    EXPECT_FALSE(Unicode::isNewline(0x09) || Unicode::isNewline(0x20) || Unicode::isNewline(0xA0));
    EXPECT_TRUE(Unicode::isHexDigit(U'f') && !Unicode::isHexDigit(U'g') &&
                !Unicode::isHexDigit(U'\u0146'));
    EXPECT_EQ(Unicode::findIgnoringCase(U"\u0141xa", U"XA"), 1u);
    EXPECT_EQ(Unicode::trimWhitespace("\xC2\x85 \tPciRoot(0x0)\r\n\xE3\x80\x80"), "PciRoot(0x0)");
    EXPECT_EQ(Unicode::trimWhitespace("a\xC2"), "a\xC2");
}

} // namespace
} // namespace ventora
