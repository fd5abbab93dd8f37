#include <gtest/gtest.h>

#include "../records/RecordTestUtil.h"
#include "RecordingUi.h"
#include "monitoring/MonitorEdit.h"

namespace ravlin {
namespace {

TEST(MessageEditor, SizeField) {
    EXPECT_EQ(ParseMessageSize("3"), 8);
    EXPECT_EQ(ParseMessageSize("abc"), 8);
    EXPECT_EQ(ParseMessageSize(""), 8);
    EXPECT_EQ(ParseMessageSize("40"), 40);
    EXPECT_EQ(ParseMessageSize(" 12 "), 12);
    EXPECT_EQ(ParseMessageSize("4"), 4);
    EXPECT_EQ(ParseMessageSize("-12"), 8);
    EXPECT_EQ(ParseMessageSize("99999999999"), 8);
    EXPECT_TRUE(FitsMonitorFile("C:\\Sounds\\a b.wav"));
    EXPECT_FALSE(FitsMonitorFile("Room #2"));
    EXPECT_FALSE(FitsMonitorFile("two\nlines"));
}

TEST(EventEditor, SerialCheck) {
    EXPECT_EQ(CheckEventSerial("1a2b3", ""), "x01A2B3");
    EXPECT_EQ(CheckEventSerial("1a2b3", "24"), "241A2B3");
    EXPECT_EQ(CheckEventSerial("1a2b3", "2"), "x01A2B3");  // a prefix that is no prefix
    EXPECT_EQ(CheckEventSerial("X1A2B3C", "24"), "x1A2B3C");
    EXPECT_EQ(CheckEventSerial("x0abcde", ""), "x0ABCDE");
    EXPECT_EQ(CheckEventSerial("a0abcde", ""), "A0ABCDE");
    for (const char* bad : {"12G4567", "x12G456", "12345G", "1234", "12345678", "", "1a2g3"})
        EXPECT_FALSE(CheckEventSerial(bad, "24")) << bad;
}

TEST(EventEditor, CatalogueTurnsInputTransmittersIntoFourInputs) {
    const TTextTable texts = test::NumberedTexts();
    test::TRecordingUi ui;
    std::vector<TTx> types;
    ASSERT_TRUE(LoadEventTxTypes(test::DeliveredDataDir(), "Tx.def", types, texts, ui));
    ASSERT_FALSE(types.empty());
    bool sawInput = false;
    for (const TTx& t : types) {
        if (t.CodePrefix.empty() || t.CodePrefix[0] != 'A') {
            continue;
        }
        sawInput = true;
        EXPECT_FALSE(t.HasButtons);
        ASSERT_EQ(t.Inputs.size(), 4u);
        EXPECT_EQ(t.Inputs[1].Name, "A=1 B=0");
        EXPECT_EQ(t.Inputs[1].Value, 6);
        EXPECT_EQ(t.Inputs[3].Value, 12);
    }
    EXPECT_TRUE(sawInput);
    // The serial's first character picks the first type whose prefix begins with it,
    // the last type of the catalogue included.
    const TTx& last = types.back();
    EXPECT_EQ(TypeForSerial(types, last.CodePrefix + "12345"), [&] {
        for (size_t i = 0; i < types.size(); ++i)
            if (types[i].CodePrefix[0] == last.CodePrefix[0]) return int(i);
        return -1;
    }());
    EXPECT_EQ(TypeForSerial(types, "x012345"), -1);
    EXPECT_EQ(TypeNamed(types, last.Name), int(types.size()) - 1);

    std::vector<TTx> none;
    EXPECT_FALSE(LoadEventTxTypes("/nonexistent", "Tx.def", none, texts, ui));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpen});
}

TEST(EventEditor, ButtonCodes) {
    EXPECT_EQ(ButtonDigitValue("c"), 12);
    EXPECT_EQ(ButtonDigitValue("G"), 0);
    EXPECT_EQ(ButtonDigitValue("12"), 0);
    EXPECT_EQ(TicksOfValue(6), (std::array<bool, 4>{false, true, true, false}));
    EXPECT_EQ(TicksOfValue(9), (std::array<bool, 4>{true, false, false, true}));
    TTx t;
    t.Buttons[0].Value = 8;
    t.Buttons[1].Value = 4;
    t.Buttons[2].Value = 2;
    t.Buttons[3].Value = 1;
    EXPECT_EQ(ButtonsOfTicks(t, {true, false, false, true}), "9");
    EXPECT_EQ(ButtonsOfTicks(t, {false, false, false, false}), "0");
    t.Buttons[0].Value = 16;  // catalogue weights may exceed one digit
    EXPECT_EQ(ButtonsOfTicks(t, {true, true, true, true}), "17");
    EXPECT_EQ(HexText(255), "FF");
    EXPECT_EQ(HexText(-3), "0");
}

}  // namespace
}  // namespace ravlin
