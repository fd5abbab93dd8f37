// Button codes of receptions and the log files' date and time.

#include <gtest/gtest.h>

#include "online/LogTime.h"
#include "records/ButtonCodes.h"

namespace ravlin {
namespace {

TEST(ButtonCodes, InputCodeTexts) {
    EXPECT_EQ(InputCodeText("3"), "A=0,B=0");
    EXPECT_EQ(InputCodeText("6"), "A=1,B=0");
    EXPECT_EQ(InputCodeText("9"), "A=0,B=1");
    EXPECT_EQ(InputCodeText("C"), "A=1,B=1");
    EXPECT_EQ(InputCodeText("F"), "Ini");
    EXPECT_EQ(InputCodeText("5"), "5");
    EXPECT_EQ(InputCodeText("c"), "c");  // the receiver sends upper case; nothing else maps
    EXPECT_TRUE(IsInputTransmitter("A012345"));
    EXPECT_FALSE(IsInputTransmitter("1A12345"));
    EXPECT_FALSE(IsInputTransmitter(""));
}

TEST(ButtonCodes, HistoryMatchIsTheCascadeWithoutEquality) {
    EXPECT_FALSE(HistoryButtonMatch("0", "0"));
    EXPECT_TRUE(HistoryButtonMatch("05", "5"));
    EXPECT_TRUE(HistoryButtonMatch("5", "4"));
    EXPECT_TRUE(HistoryButtonMatch("5", "1"));
    EXPECT_FALSE(HistoryButtonMatch("5", "2"));
    EXPECT_FALSE(HistoryButtonMatch("A=1,B=1", "C"));
    EXPECT_FALSE(HistoryButtonMatch("123456789", "1"));
    // For one digit the cascade is "the two share a set bit".
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) {
            const std::string da(1, "0123456789ABCDEF"[a]), db(1, "0123456789ABCDEF"[b]);
            EXPECT_EQ(HistoryButtonMatch(da, db), (a & b) != 0) << da << " " << db;
            EXPECT_EQ(ButtonsMatch(da, db), a == b || (a & b) != 0) << da << " " << db;
        }
}

TEST(ButtonCodes, EventMatchComparesLengthAndTextFirst) {
    EXPECT_TRUE(ButtonsMatch("0", "0"));
    EXPECT_FALSE(ButtonsMatch("05", "5"));
    EXPECT_TRUE(ButtonsMatch("Ini", "Ini"));
    EXPECT_FALSE(ButtonsMatch("A=1,B=0", "A=0,B=1"));
    EXPECT_TRUE(ButtonsMatch("1F", "18"));  // a >= 8 in the cascade
}

TEST(LogTime, FileFormAndMidnight) {
    TLogTime t = 0;
    ASSERT_TRUE(MakeLogTime(2008, 2, 1, 13, 45, 10, t));
    EXPECT_EQ(FormatLogTime(t), "01.02.2008 13:45:10");
    ASSERT_TRUE(MakeLogTime(2008, 2, 1, 0, 0, 0, t));
    EXPECT_EQ(FormatLogTime(t), "01.02.2008");
    ASSERT_TRUE(MakeLogTime(2024, 2, 29, 23, 59, 59, t));
    EXPECT_EQ(FormatLogTime(t), "29.02.2024 23:59:59");
    ASSERT_TRUE(MakeLogTime(1, 1, 1, 0, 0, 1, t));
    EXPECT_EQ(FormatLogTime(t), "01.01.0001 00:00:01");
    EXPECT_EQ(FormatLogTime(kNoTime), "");
}

TEST(LogTime, ReadsTheFileFormsAndRefusesTheRest) {
    TLogTime t = 0, expected = 0;
    ASSERT_TRUE(MakeLogTime(2008, 2, 1, 13, 45, 10, expected));
    EXPECT_TRUE(ParseLogTime("01.02.2008 13:45:10", t));
    EXPECT_EQ(t, expected);
    EXPECT_TRUE(ParseLogTime("1.2.2008 13:45:10", t));
    EXPECT_EQ(t, expected);
    EXPECT_TRUE(ParseLogTime("01.02.2008 13:45", t));
    EXPECT_EQ(t, expected - 10);
    EXPECT_TRUE(ParseLogTime("01.02.2008", t));
    EXPECT_EQ(t, expected - (13 * 3600 + 45 * 60 + 10));
    for (const char* bad :
         {"", "01.02.08", "31.02.2008", "29.02.2023", "01.13.2008", "01.02.2008 24:00:00",
          "01.02.2008 13:60:00", "01.02.2008 13:45:60", "01.02.2008 ", "01.02.2008x",
          "01.02.2008 13:45:10 ", "001.02.2008", "01/02/2008", "01.02.2008  13:45:10"})
        EXPECT_FALSE(ParseLogTime(bad, t)) << bad;
}

TEST(LogTime, OrderFollowsTheCalendar) {
    TLogTime a, b, c;
    ASSERT_TRUE(MakeLogTime(1999, 12, 31, 23, 59, 59, a));
    ASSERT_TRUE(MakeLogTime(2000, 1, 1, 0, 0, 0, b));
    ASSERT_TRUE(MakeLogTime(1969, 6, 1, 12, 0, 0, c));
    EXPECT_EQ(b - a, 1);
    EXPECT_LT(c, a);
    EXPECT_LT(kNoTime, c);
    int y, mo, d, h, mi, s;
    SplitLogTime(c, y, mo, d, h, mi, s);
    EXPECT_EQ(std::vector<int>({y, mo, d, h, mi, s}), std::vector<int>({1969, 6, 1, 12, 0, 0}));
    // Every day of a leap span survives the round trip through the file form.
    for (TLogTime t = a - 400 * kSecondsPerDay; t < a; t += kSecondsPerDay + 3601) {
        TLogTime back = 0;
        ASSERT_TRUE(ParseLogTime(FormatLogTime(t), back)) << FormatLogTime(t);
        EXPECT_EQ(back, t);
    }
}

}  // namespace
}  // namespace ravlin
