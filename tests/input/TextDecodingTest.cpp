#include "core/Unicode.hpp"
#include "input/SpptFileParser.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using Unicode::Endianness;

// The shorter malformed forms are covered with the validator in the core tests.
TEST(TextDecodingTest, Utf8RefusesMalformedSequences) {
    const Bytes cases[] = {
        {0xC0, 0x80},                   // overlong NUL
        {0xF0, 0x82, 0x82, 0xAC},       // overlong four-byte form
        {0xED, 0xBF, 0xBF},             // low surrogate
        {0xF8, 0x88, 0x80, 0x80, 0x80}, // five-byte lead
        {0xE2, 0x41, 0x41},             // lead followed by ASCII
    };
    for (const auto& bytes : cases) {
        EXPECT_FALSE(Unicode::decodeUtf8(bytes).has_value()) << ByteUtils::hexString(bytes);
    }
}

TEST(TextDecodingTest, Utf8DecodesEveryLengthAndKeepsByteOrderMark) {
    const Bytes bytes = {0xEF, 0xBB, 0xBF, 0x41, 0xC2, 0x85, 0xE2, 0x80, 0xA8,
                         0xF0, 0x9F, 0x98, 0x80, 0xF4, 0x8F, 0xBF, 0xBF};
    EXPECT_EQ(Unicode::decodeUtf8(bytes),
              std::u32string(U"\uFEFFA\u0085\u2028\U0001F600\U0010FFFF"));
}

TEST(TextDecodingTest, Utf16CombinesSurrogatePairsAndRefusesUnpairedOnes) {
    const Bytes little = {0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE};
    const Bytes big = {0x00, 0x41, 0xD8, 0x3D, 0xDE, 0x00};
    EXPECT_EQ(Unicode::decodeUtf16(little, Endianness::little), std::u32string(U"A\U0001F600"));
    EXPECT_EQ(Unicode::decodeUtf16(big, Endianness::big), std::u32string(U"A\U0001F600"));
    const Bytes cases[] = {
        {0x3D, 0xD8},             // high surrogate at the end
        {0x3D, 0xD8, 0x41, 0x00}, // high surrogate followed by a letter
        {0x00, 0xDE, 0x41, 0x00}, // lone low surrogate
        {0x41, 0x00, 0x42},       // odd byte count
    };
    for (const auto& bytes : cases) {
        EXPECT_FALSE(Unicode::decodeUtf16(bytes, Endianness::little).has_value());
    }
    EXPECT_EQ(Unicode::decodeUtf16WithByteOrderMark(Bytes{0xFF, 0xFE, 0x41, 0x00}), U"A");
    EXPECT_EQ(Unicode::decodeUtf16WithByteOrderMark(Bytes{0xFE, 0xFF, 0x00, 0x41}), U"A");
    EXPECT_EQ(Unicode::decodeUtf16WithByteOrderMark(Bytes{0x00, 0x41}), U"A");
}

TEST(TextDecodingTest, WhitespaceAndNewlineSetsFollowUnicode) {
    for (const char32_t c : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x2000, 0x200A,
                             0x2028, 0x2029, 0x202F, 0x205F, 0x3000}) {
        EXPECT_TRUE(Unicode::isWhitespace(c)) << std::hex << static_cast<int>(c);
    }
    for (const char32_t c : {0x08, 0x0E, 0x41, 0x180E, 0x200B, 0xFEFF}) {
        EXPECT_FALSE(Unicode::isWhitespace(c)) << std::hex << static_cast<int>(c);
    }
    for (const char32_t c : {0x0A, 0x0B, 0x0C, 0x0D, 0x85, 0x2028, 0x2029}) {
        EXPECT_TRUE(Unicode::isNewline(c)) << std::hex << static_cast<int>(c);
    }
    for (const char32_t c : {0x09, 0x20, 0xA0, 0x3000}) {
        EXPECT_FALSE(Unicode::isNewline(c)) << std::hex << static_cast<int>(c);
    }
}

struct DecodeCase {
    const char* name;
    Bytes bytes;
    std::optional<std::u32string> expected;
};

TEST(TextDecodingTest, DecodeTextChoosesTheEncodingByRule) {
    const DecodeCase cases[] = {
        {"UTF-16 LE mark kept", {0xFF, 0xFE, 0x42, 0x00, 0x36, 0x00}, U"\uFEFFB6"},
        {"UTF-16 BE mark kept", {0xFE, 0xFF, 0x00, 0x42, 0x00, 0x36}, U"\uFEFFB6"},
        {"UTF-16 LE mark, odd count", {0xFF, 0xFE, 0x42}, std::nullopt},
        {"UTF-16 LE without mark", {0x42, 0x00, 0x36, 0x00}, U"B6"},
        {"UTF-16 BE without mark", {0x00, 0x42, 0x00, 0x36}, U"B6"},
        {"half the units end in 0", {0x42, 0x00, 0x36, 0x37}, U"B\u3736"},
        {"half the units begin with 0", {0x00, 0x42, 0x36, 0x37}, U"B\u3637"},
        {"ASCII as UTF-8", {0x42, 0x36, 0x20, 0x30, 0x32}, U"B6 02"},
        {"UTF-8 mark kept", {0xEF, 0xBB, 0xBF, 0x42, 0x36}, U"\uFEFFB6"},
        {"short even buffer is not guessed", {0x42, 0x00}, std::u32string(U"B\0", 2)},
        {"invalid UTF-8 read as UTF-16", {0xC0, 0xC1, 0xC2, 0xC3}, U"\uC0C1\uC2C3"},
        {"undecodable in every encoding", {0xDC, 0x41, 0x41, 0x41}, std::nullopt},
        {"undecodable odd buffer", {0xFF, 0xFF, 0xFF}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SpptFileParser::decodeText(c.bytes), c.expected);
    }
}

} // namespace
} // namespace ventora
