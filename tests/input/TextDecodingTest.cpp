#include "input/TextDecoding.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

TEST(TextDecoding, ChoosesTheEncodingByRule) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::optional<std::u32string> expected;
    };
    const Case cases[] = {
        {"UTF-16 LE mark kept", {0xFF, 0xFE, 0x42, 0x00, 0x36, 0x00}, U"\uFEFFB6"},
        {"UTF-16 BE mark kept", {0xFE, 0xFF, 0x00, 0x42, 0x00, 0x36}, U"\uFEFFB6"},
        {"UTF-16 LE mark, odd count", {0xFF, 0xFE, 0x42}, std::nullopt},
        {"UTF-16 LE without mark", {0x42, 0x00, 0x36, 0x00}, U"B6"},
        {"UTF-16 BE without mark", {0x00, 0x42, 0x00, 0x36}, U"B6"},
        {"half the units end in 0", {0x42, 0x00, 0x36, 0x37}, U"B\u3736"},
        {"half the units begin with 0", {0x00, 0x42, 0x36, 0x37}, U"B\u3637"},
        {"unpaired surrogate", {0xFF, 0xFE, 0x3D, 0xD8, 0x41, 0x00}, std::nullopt},
        {"surrogate pair", {0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}, U"\uFEFF\U0001F600"},
        {"ASCII as UTF-8", {0x42, 0x36, 0x20, 0x30, 0x32}, U"B6 02"},
        {"UTF-8 mark kept", {0xEF, 0xBB, 0xBF, 0x42, 0x36}, U"\uFEFFB6"},
        {"short even buffer is not guessed", {0x42, 0x00}, std::u32string(U"B\0", 2)},
        {"invalid UTF-8 read as UTF-16", {0xC0, 0xC1, 0xC2, 0xC3}, U"\uC0C1\uC2C3"},
        {"overlong UTF-8 read as UTF-16", {0xC0, 0x80}, U"\uC080"},
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
