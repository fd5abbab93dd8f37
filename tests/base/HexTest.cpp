// The hex digits every file format and frame shares: which characters count, and the
// edges of reading and writing numbers and bytes.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "base/Hex.h"

namespace ravlin {
namespace {

TEST(Hex, DigitsOfEitherCaseAndOnlyThose) {
    const std::string digits = "0123456789abcdef";
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const size_t lower = digits.find(static_cast<char>(std::tolower(b)));
        const int expected = b != 0 && lower != std::string::npos ? static_cast<int>(lower) : -1;
        EXPECT_EQ(HexDigitValue(c), expected) << b;
        EXPECT_EQ(UpperHexDigitValue(c), b >= 'a' && b <= 'f' ? -1 : expected) << b;
        if (expected >= 0) {
            EXPECT_EQ(HexDigitChar(static_cast<unsigned>(expected)), std::toupper(b));
        }
    }
}

TEST(Hex, NumbersAndBytesAtTheirLimits) {
    uint32_t v = 7;
    EXPECT_TRUE(ParseHex("", v));
    EXPECT_EQ(v, 0u);
    EXPECT_TRUE(ParseHex("fFfFfFfF", v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    for (const char* bad : {"123456789", "1G", " 1", "-1"}) {
        v = 7;
        EXPECT_FALSE(ParseHex(bad, v)) << bad;
        EXPECT_EQ(v, 7u) << bad;
    }
    EXPECT_EQ(HexByte(0x1AB), "AB");
    EXPECT_EQ(HexWord(0x12345), "2345");
    EXPECT_EQ(HexWord(static_cast<unsigned>(-1)), "FFFF");

    EXPECT_EQ(HexByteAt("x0aF", 2), 0xAF);
    EXPECT_EQ(HexByteAt("x0aF", 0), -1);  // not a digit
    EXPECT_EQ(HexByteAt("x0aF", 3), -1);  // one digit left
    EXPECT_EQ(HexByteAt("x0aF", std::string::npos), -1);

    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string back = "kept";
    ASSERT_TRUE(HexToBytes(BytesToHex(all), back));
    EXPECT_EQ(back, all);
    back = "kept";
    EXPECT_FALSE(HexToBytes("414", back));
    EXPECT_FALSE(HexToBytes("4G", back));
    EXPECT_EQ(back, "kept");
}

}  // namespace
}  // namespace ravlin
