#include <gtest/gtest.h>

#include "monitoring/MonitorData.h"

namespace ravlin {
namespace {

const char kDigits[] = "0123456789ABCDEF";

TEST(ButtonMatch, EveryPairOfOneDigitCodesMatchesWhenTheyShareAButton) {
    for (int a = 0; a < 16; ++a) {
        for (int b = 0; b < 16; ++b) {
            // "0" has no button and matches only itself.
            const bool expected = (a & b) != 0 || a == b;
            EXPECT_EQ(ButtonsMatch(std::string(1, kDigits[a]), std::string(1, kDigits[b])),
                      expected)
                << kDigits[a] << " / " << kDigits[b];
        }
    }
    EXPECT_TRUE(ButtonsMatch("5", "4"));
    EXPECT_TRUE(ButtonsMatch("5", "1"));
    EXPECT_FALSE(ButtonsMatch("5", "2"));
}

TEST(ButtonMatch, LengthAndTextComeFirst) {
    EXPECT_FALSE(ButtonsMatch("5", "05"));  // different length, although equal values
    EXPECT_FALSE(ButtonsMatch("", "1"));
    EXPECT_TRUE(ButtonsMatch("", ""));
    EXPECT_TRUE(ButtonsMatch("A=1,B=0", "A=1,B=0"));   // equal input code texts
    EXPECT_FALSE(ButtonsMatch("A=1,B=0", "A=1,B=1"));  // no hexadecimal numbers
    EXPECT_FALSE(ButtonsMatch("G", "1"));
    EXPECT_TRUE(ButtonsMatch("a", "8"));                   // either case is a hexadecimal digit
    EXPECT_FALSE(ButtonsMatch("123456789", "123456780"));  // more than 8 digits
}

TEST(ButtonMatch, LongerCodesKeepTheExcessInTheLastFlag) {
    // 0x10: 8, then 4, then 2 are taken from the rest, and "more than 0" stays set.
    EXPECT_TRUE(ButtonsMatch("10", "01"));
    EXPECT_TRUE(ButtonsMatch("01", "10"));  // b = 16 sets every step of the cascade
    EXPECT_FALSE(ButtonsMatch("01", "08"));
    EXPECT_TRUE(ButtonsMatch("09", "08"));
}

TEST(InputCodes, DigitsOfInputTransmittersBecomeTheirTexts) {
    EXPECT_EQ(InputCodeText("3"), "A=0,B=0");
    EXPECT_EQ(InputCodeText("6"), "A=1,B=0");
    EXPECT_EQ(InputCodeText("9"), "A=0,B=1");
    EXPECT_EQ(InputCodeText("C"), "A=1,B=1");
    EXPECT_EQ(InputCodeText("F"), "Ini");
    EXPECT_EQ(InputCodeText("5"), "5");
    for (const char* d : {"3", "6", "9", "C", "F", "0", "7"})
        EXPECT_EQ(InputCodeDigit(InputCodeText(d)), d);
    EXPECT_EQ(ReceptionCode("A012345", "6"), "A=1,B=0");
    EXPECT_EQ(ReceptionCode("1A12345", "6"), "6");
    EXPECT_EQ(SerialKey("x012345"), "12345");
    EXPECT_EQ(SerialKey("x0"), "");
}

TEST(Colors, TableAndFallback) {
    EXPECT_EQ(SwatchColor(3), (TRgb{0, 128, 0}));
    EXPECT_EQ(BackgroundColor(3), (TRgb{0, 255, 0}));
    EXPECT_EQ(TextColor(2), (TRgb{255, 255, 0}));
    EXPECT_EQ(TextColor(6), (TRgb{255, 255, 255}));
    for (int bad : {-1, 7, 100}) {
        EXPECT_EQ(BackgroundColor(bad), (TRgb{255, 255, 255}));
        EXPECT_EQ(TextColor(bad), (TRgb{0, 0, 0}));
    }
}

}  // namespace
}  // namespace ravlin
