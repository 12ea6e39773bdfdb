#include "core/Unicode.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

TEST(unicode_test, utf8_validation_rejects_malformed_forms) {
    struct Row {
        std::string text;
        bool valid;
    };
    for (const Row& row :
         {Row{"plain", true},
          Row{"\xC2\xB0"
              "C",
              true},
          Row{"\xF0\x9F\x98\x80", true}, Row{"\xC0\xAF", false}, Row{"\xE0\x80\xAF", false},
          Row{"\xED\xA0\x80", false}, Row{"\xF4\x90\x80\x80", false}, Row{"\xE2\x82", false},
          Row{"\x80", false}, Row{"", true}}) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(Unicode::isValidUtf8(row.text), row.valid);
    }
}

TEST(unicode_test, trimming_and_splitting_use_the_unicode_white_space_set) {
    // U+0085, U+2028, U+2029, U+00A0 and U+3000 in UTF-8.
    const std::string nel = "\xC2\x85", lineSeparator = "\xE2\x80\xA8",
                      paragraphSeparator = "\xE2\x80\xA9", noBreak = "\xC2\xA0",
                      ideographic = "\xE3\x80\x80";
    EXPECT_EQ(
        Unicode::trimWhitespace(nel + " \tPciRoot(0x0)\r\n" + lineSeparator + paragraphSeparator),
        "PciRoot(0x0)");
    EXPECT_EQ(Unicode::trimWhitespace(noBreak + ideographic), "");
    EXPECT_EQ(Unicode::trimWhitespace("a\xC2"), "a\xC2") << "a broken tail is not white space";
    const std::string line = "03:00.0" + noBreak + "1002:67df  x" + nel;
    const auto tokens = Unicode::splitAtWhitespace(line);
    EXPECT_EQ(tokens, (std::vector<std::string_view>{"03:00.0", "1002:67df", "x"}));
}

TEST(unicode_test, decode_step_reports_length_and_refuses_past_the_end) {
    const Bytes bytes{0x41, 0xE2, 0x80, 0xA8};
    EXPECT_EQ(Unicode::decodeUtf8At(bytes, 1)->codePoint, U'\u2028');
    EXPECT_EQ(Unicode::decodeUtf8At(bytes, 1)->length, 3u);
    EXPECT_FALSE(Unicode::decodeUtf8At(bytes, 2).has_value());
    EXPECT_FALSE(Unicode::decodeUtf8At(bytes, 4).has_value());
}

} // namespace
} // namespace ventora
