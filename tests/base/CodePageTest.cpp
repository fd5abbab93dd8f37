#include <gtest/gtest.h>

#include "base/CodePage.h"

namespace ravlin {
namespace {

TEST(CodePageTest, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string back;
    ASSERT_TRUE(Utf8ToAnsi(AnsiToUtf8(all), back));
    EXPECT_EQ(back, all);
}

TEST(CodePageTest, KnownCharactersInBothDirections) {
    // ä ö ü ß, the euro sign (0x80), the typographic quotes (0x93, 0x94), Ž (0x8E).
    const std::string ansi =
        "Gr\xFC\xDF"
        "e \x80 \x93"
        "a\x94 \x8E \xE4\xF6";
    const std::string utf8 = "Grüße € “a” Ž äö";
    EXPECT_EQ(AnsiToUtf8(ansi), utf8);
    std::string out;
    ASSERT_TRUE(Utf8ToAnsi(utf8, out));
    EXPECT_EQ(out, ansi);
    EXPECT_EQ(AnsiToUtf8(""), "");
    ASSERT_TRUE(Utf8ToAnsi("", out));
    EXPECT_EQ(out, "");
}

TEST(CodePageTest, RefusesCharactersWithoutAByteAndInvalidUtf8) {
    std::string out;
    EXPECT_FALSE(Utf8ToAnsi("Ω", out));                  // Greek capital omega
    EXPECT_FALSE(Utf8ToAnsi("a\xF0\x9F\x98\x80", out));  // emoji, four bytes
    EXPECT_FALSE(Utf8ToAnsi("\xC2\x80", out));           // U+0080: 0x80 is the euro sign
    EXPECT_FALSE(Utf8ToAnsi("\xC3", out));               // cut short
    EXPECT_FALSE(Utf8ToAnsi("\xC3(", out));              // bad continuation
    EXPECT_FALSE(Utf8ToAnsi("\xC0\x80", out));           // overlong NUL
    EXPECT_FALSE(Utf8ToAnsi("\xE0\x80\xAF", out));       // overlong '/'
    EXPECT_FALSE(Utf8ToAnsi("\xED\xA0\x80", out));       // surrogate
    EXPECT_FALSE(Utf8ToAnsi("\xF4\x90\x80\x80", out));   // beyond U+10FFFF
    EXPECT_FALSE(Utf8ToAnsi("\xFC", out));
    EXPECT_FALSE(Utf8ToAnsi("\xFE\xFF", out));
    // The unassigned bytes travel as the control characters of the same number.
    ASSERT_TRUE(Utf8ToAnsi("\xC2\x81\xC2\x9D", out));
    EXPECT_EQ(out, "\x81\x9D");
}

}  // namespace
}  // namespace ravlin
