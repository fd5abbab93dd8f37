// The record editor's rules without its window: code validation, transmitter types and
// buttons, functions and times, channels, relay mode, the check and set rules.

#include "EditorTestUtil.h"
#include "base/Hex.h"
#include "records/RecordCommands.h"

namespace ravlin {
namespace {

using test::EditorFixture;

class Editor : public EditorFixture {};

TEST_F(Editor, CodeValidationTable) {
    Use("KV2R");
    struct Case {
        const char* type;
        const char* typed;
        const char* stored;  // nullptr: refused
        bool refocus;
    };
    const Case cases[] = {
        {"-", "1a2b3", "x01A2B3", false},   {"TX4 Classic", "1a2b3", "241A2B3", false},
        {"-", "X12345F", "x12345F", false}, {"-", "x12345f", "x12345F", false},
        {"-", "abcdef1", "ABCDEF1", false}, {"-", "a0fffff", "A0FFFFF", false},
        {"-", "12345G", nullptr, true},     {"-", "x12345G", nullptr, false},
        {"-", "1234", nullptr, true},       {"-", "", nullptr, true},
        {"-", "12345678", nullptr, true},   {"-", "1a2b ", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " / " + c.typed);
        ui.messages.clear();
        Open(Record("x0ABCDE"));
        editor->TypeChanged(c.type);
        editor->CodeEdited(c.typed);
        const bool valid = editor->CodeExit();
        EXPECT_EQ(valid, c.stored != nullptr);
        if (c.stored) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(editor->code, c.stored);
            const TData r = Confirmed();
            EXPECT_EQ(r.CodePrefix + r.Serial, c.stored);
        } else {
            EXPECT_EQ(Ids(), std::vector<Text>{Text::BadTxCode});
            EXPECT_EQ(editor->code, "x0ABCDE");
            EXPECT_EQ(editor->focus == TEditorField::Code, c.refocus);
        }
    }
}

TEST_F(Editor, InvalidCodeAtConfirmationIsReportedAndTheStoredOneKept) {
    Use("KV2R");
    Open(Record("x0ABCDE"));
    editor->CodeEdited("zz");
    const TData r = Confirmed();
    EXPECT_EQ(Ids(), std::vector<Text>{Text::BadTxCode});
    EXPECT_EQ(r.CodePrefix, "x0");
    EXPECT_EQ(r.Serial, "ABCDE");
}

TEST_F(Editor, ButtonTicksFromTheCodeAndTheCodeFromTheTicks) {
    Use("KV2R");
    Open(Record("x012345", "6"));
    editor->TypeChanged("TX4 Classic");
    EXPECT_TRUE(editor->showButtons);
    EXPECT_FALSE(editor->showInputs);
    std::array<bool, 4> ticked{};
    for (size_t j = 0; j < 4; ++j) ticked[j] = editor->buttons[j].ticked;
    EXPECT_EQ(ticked, (std::array<bool, 4>{false, true, true, false}));
    EXPECT_EQ(editor->buttons[1].left, 50);
    EXPECT_EQ(editor->buttons[2].top, 50);
    // Boxes 1 and 4 of a type whose values are 8, 4, 2, 1.
    editor->ButtonBoxToggled(1, false);
    editor->ButtonBoxToggled(2, false);
    editor->ButtonBoxToggled(0, true);
    editor->ButtonBoxToggled(3, true);
    EXPECT_EQ(editor->buttonText, "9");
    EXPECT_EQ(Confirmed().Button, "9");
    // A button code that is not a hex digit counts as "0", which no button gives; lower
    // case is taken upper.
    EXPECT_FALSE(editor->ButtonCodeEdited("g"));
    EXPECT_EQ(editor->buttonText, "9");
    editor->ButtonCodeEdited("c");
    EXPECT_EQ(editor->buttonText, "C");
    EXPECT_TRUE(editor->buttons[0].ticked && editor->buttons[1].ticked);
}

TEST_F(Editor, HiddenButtonsOfTheTypeDoNotChangeAStoredButtonCode) {
    Use("KV2R");
    // TX1 Key has button 1 only (value 8): the code 4 ticks the hidden box 2.
    TData record = Record("x012345", "4");
    record.TxType = "TX1 Key";
    Open(record);
    EXPECT_FALSE(editor->buttons[1].visible);
    EXPECT_TRUE(editor->buttons[1].ticked);
    EXPECT_EQ(Confirmed().Button, "4");
}

TEST_F(Editor, TypeChangesTheCodePrefixAndNoTypeGivesX0) {
    Use("KV2R");
    Open(Record("x0ABCDE"));
    editor->TypeChanged("tx4 classic");  // letter case ignored
    EXPECT_EQ(editor->typeText, "TX4 Classic");
    EXPECT_EQ(editor->code, "20ABCDE");  // only the first character follows the type
    editor->TypeChanged("-");
    EXPECT_EQ(editor->code, "x0ABCDE");
    EXPECT_EQ(editor->typeText, "-");
    editor->TypeChanged("No such type");
    EXPECT_EQ(editor->typeText, "-");
    // The first type's picture stands in when none matched.
    EXPECT_EQ(editor->currentType(), 0);
    const TData r = Confirmed();
    EXPECT_EQ(r.TxType, "-");
}

TEST_F(Editor, InputTypesChooseTheInputOfTheButtonCode) {
    Use("KV2R");
    TData record = Record("A012345", "9", "00");
    record.TxType = "RDI-2 Input";
    Open(record);
    EXPECT_TRUE(editor->showInputs);
    EXPECT_FALSE(editor->showButtons);
    EXPECT_EQ(editor->inputItems.size(), 5u);
    EXPECT_EQ(editor->buttonText, "9");
    EXPECT_EQ(editor->inputIndex, 2);  // 09: A=0,B=1
    editor->ButtonCodeEdited("F");
    EXPECT_EQ(editor->inputIndex, 4);  // 15: Ini
    editor->InputChosen(1);
    EXPECT_EQ(editor->buttonText, "6");
    editor->InputChosen(-1);
    EXPECT_EQ(editor->buttonText, "0");
    EXPECT_FALSE(editor->ButtonCodeEdited("5"));  // no input has the code 5
    EXPECT_EQ(editor->buttonText, "0");
    EXPECT_EQ(editor->inputIndex, -1);
}

TEST_F(Editor, InputCodesOfferDirectAndInverseWithButtonF) {
    Use("KV2R");
    Open(Record("x012345", "3", "01"));
    editor->TypeChanged("RDI-2 Input");  // prefix A0: the first character becomes "A"
    EXPECT_EQ(editor->code, "A012345");
    EXPECT_EQ(editor->functionItems, (std::vector<std::string>{"-", "Direct", "Inverse"}));
    EXPECT_EQ(editor->buttonText, "F");
    EXPECT_EQ(editor->inputIndex, 4);  // Ini
    editor->FunctionChanged("direct");
    EXPECT_EQ(editor->functionText, "Direct");
    EXPECT_FALSE(editor->timeEnabled);  // "Inverse" stands at the timed index, but is not timed
    editor->FunctionChanged("Inverse");
    EXPECT_FALSE(editor->timeEnabled);
    const TData r = Confirmed();
    EXPECT_EQ(r.Output, "09");
    EXPECT_EQ(r.Button, "F");
    EXPECT_EQ(r.CodePrefix, "A0");
    // Back to a plain code: the receiver's functions again.
    editor->TypeChanged("-");
    EXPECT_EQ(editor->code, "x012345");
    EXPECT_EQ(editor->functionItems, functionTable.Functions);
}

TEST(TimeBoxes, NormalisationLimits) {
    struct Case {
        TTimeBoxes typed, shown;
    };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, 100}},         {{110, 0, 0}, {109, 13, 500}},
        {{0, 0, 250}, {0, 0, 200}},       {{0, 0, 350}, {0, 0, 400}},
        {{0, 0, 50}, {0, 0, 100}},        {{0, 0, 150}, {0, 0, 200}},
        {{1, 59, 950}, {2, 0, 0}},        {{0, 0, 949}, {0, 0, 900}},
        {{109, 13, 500}, {109, 13, 500}}, {{109, 13, 600}, {109, 13, 500}},
        {{0, 75, 0}, {1, 15, 0}},         {{-3, -1, -5}, {0, 0, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(
            std::vector<int>{c.typed.minutes, c.typed.seconds, c.typed.millis}));
        EXPECT_EQ(TimeBoxesOf(TimeValue(c.typed)), c.shown);
    }
    EXPECT_EQ(TimeValue({0, 0, 0}, false), 0);
    EXPECT_EQ(TimeValue({110, 0, 0}, false), 66000);
    EXPECT_EQ(ParseTimeText("109:13,500"), (TTimeBoxes{109, 13, 500}));
    EXPECT_EQ(ParseTimeText("0:05,0"), (TTimeBoxes{0, 5, 0}));
    EXPECT_FALSE(ParseTimeText("0:0a,0"));
    EXPECT_FALSE(ParseTimeText("0:05"));
    EXPECT_FALSE(ParseTimeText("?"));
}

TEST_F(Editor, TimeBoxesFollowTheTimedFunction) {
    Use("KV2R");
    Open(Record("x012345", "1", "03", "01", "0032"));
    EXPECT_EQ(editor->functionText, "Timer");
    EXPECT_TRUE(editor->timeEnabled);
    EXPECT_EQ(editor->time, (TTimeBoxes{0, 5, 0}));
    editor->time = {1, 30, 550};
    editor->TimeExit();
    EXPECT_EQ(editor->time, (TTimeBoxes{1, 30, 600}));
    // A typed time stays when the code changes afterwards.
    editor->CodeEdited("x054321");
    editor->CodeExit();
    EXPECT_EQ(editor->time, (TTimeBoxes{1, 30, 600}));
    TData r = Confirmed();
    EXPECT_EQ(r.Time, "038A");  // 906 tenths
    EXPECT_EQ(r.Output, "03");
    // Another function: no time; the set rule clears the digits.
    editor->FunctionChanged("Monostable");
    EXPECT_FALSE(editor->timeEnabled);
    r = Confirmed();
    EXPECT_EQ(r.Output, "01");
    EXPECT_EQ(r.Time, "0000");
    // Back to the timer: the stored time is loaded again.
    editor->FunctionChanged("timer");
    EXPECT_TRUE(editor->timeEnabled);
    EXPECT_EQ(editor->time, (TTimeBoxes{0, 5, 0}));
}

TEST_F(Editor, AStoredUnknownFunctionIsKeptAndATypedOneRefusedWith79) {
    Use("KV2R");
    const TData record = Record("x012345", "1", "77");  // a code the decoder does not know
    Open(record);
    EXPECT_EQ(editor->functionText, "?");
    EXPECT_TRUE(SameRecord(Confirmed(), record));
    editor->FunctionChanged("Monostabel");
    EXPECT_EQ(editor->functionText, "Monostabel");  // as typed, not the first function
    EXPECT_EQ(editor->functionIndex, -1);
    TData r;
    EXPECT_FALSE(editor->Confirm(r));
    EXPECT_EQ(Ids(), std::vector<Text>{Text::UnknownFunction});
    // Relay mode as well: the mistyped name is not dropped for the relay's stored one.
    Use("KV3S");
    Open(Record("x012345", "1", "03"));
    editor->FunctionChanged("Timr");
    ui.messages.clear();
    EXPECT_FALSE(editor->Confirm(r));
    EXPECT_EQ(Ids(), std::vector<Text>{Text::UnknownFunction});
}

TEST_F(Editor, AFunctionWithoutACodeIsRefusedWith79) {
    Use("KV2R");
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        "KV2R\r\n250\r\nSingleRelay=0\r\nFunctions=Monostable,Ghost#\r\nTime=5\r\n"
        "Decoder=01=Monostable#\r\nCheck=0\r\nSet=0\r\n#E\r\n",
        "KV2R"));
    Open(Record());
    editor->FunctionChanged("Ghost");
    TData r;
    r.Serial = "unchanged";
    EXPECT_FALSE(editor->Confirm(r));
    EXPECT_EQ(Ids(), std::vector<Text>{Text::UnknownFunction});
    EXPECT_EQ(r.Serial, "unchanged");
}

TEST_F(Editor, TimeTextThatIsNoNumberIsReportedWith139) {
    Use("KV3S");
    TData record = Record("x012345", "1", "03");
    record.Time = "0032";  // relay 2 and 3 have no digits: their time text is "?"
    Open(record);
    EXPECT_TRUE(Ids().empty());
    editor->RelayChosen(1);
    EXPECT_EQ(Ids(), std::vector<Text>{Text::TimeUnreadable});
}

TEST_F(Editor, ChannelsFromTicksAndDisabledBoxesKeepTheirTicks) {
    Use("KV8R");
    Open(Record("x012345", "1", "01", "00"));
    EXPECT_EQ(editor->channelBoxes, 8);
    editor->ChannelToggled(0, true);
    editor->ChannelToggled(1, true);
    editor->ChannelToggled(7, true);
    EXPECT_EQ(Confirmed().Channels, "83");

    Use("KV2R");
    Open(Record("x012345", "1", "01", "83"));
    EXPECT_EQ(editor->channelBoxes, 2);
    EXPECT_TRUE(editor->channels[7]);
    editor->ChannelToggled(5, true);  // disabled: ignored
    editor->ChannelToggled(1, false);
    EXPECT_EQ(Confirmed().Channels, "81");
}

TEST_F(Editor, RelayModeKeepsEachRelaysTimeAndOneFunctionCode) {
    Use("KV3S");
    TData record = Record("x012345", "1", "03");
    record.Time =
        "0032"
        "0064"
        "0096";
    Open(record);
    ASSERT_TRUE(editor->relayMode);
    EXPECT_EQ(editor->relayItems, (std::vector<std::string>{"RE 1", "RE 2", "RE 3"}));
    EXPECT_EQ(editor->channelBoxes, 0);
    EXPECT_EQ(editor->time, (TTimeBoxes{0, 5, 0}));
    // Unchanged: the record comes back as it was.
    EXPECT_TRUE(SameRecord(Confirmed(), record));

    editor->RelayChosen(1);
    EXPECT_EQ(editor->time, (TTimeBoxes{0, 10, 0}));
    editor->time = {0, 20, 0};
    editor->RelayChosen(2);
    EXPECT_EQ(editor->time, (TTimeBoxes{0, 15, 0}));
    EXPECT_EQ(editor->workingTime,
              "0032"
              "00C8"
              "0096");
    editor->time = {1, 0, 0};
    const TData r = Confirmed();
    EXPECT_EQ(r.Time,
              "0032"
              "00C8"
              "0258");
    EXPECT_EQ(r.Output, "03");

    // A function chosen on any relay is the one function of the record.
    editor->RelayChosen(0);
    editor->FunctionChanged("Bistable");
    editor->RelayChosen(1);
    EXPECT_EQ(editor->functionText, "Bistable");
    const TData b = Confirmed();
    EXPECT_EQ(b.Output, "02");
    EXPECT_EQ(b.Time, "000000000000");  // the set rule clears every relay's time
}

TEST_F(Editor, CheckRulesRefuseAndSetRulesFillDependentDigits) {
    Use("KV1M");
    Open(Record("x012345", "3", "06", "03", "0032"));
    editor->FunctionChanged("RS-232 Dual A");
    TData r;
    EXPECT_FALSE(editor->Confirm(r));  // E0 wants button A
    EXPECT_EQ(Ids(), std::vector<Text>{Text::RecordBreaksRules});
    ui.messages.clear();
    editor->ButtonCodeEdited("A");
    r = Confirmed();
    EXPECT_EQ(r.Output, "E0");
    EXPECT_EQ(r.Channels, "00");  // the set rule of E0
    EXPECT_EQ(r.Time, "0000");
    // Direct (offered for input codes) wants button F.
    ui.messages.clear();
    editor->CodeEdited("A012345");
    editor->CodeExit();
    editor->ButtonCodeEdited("3");
    editor->FunctionChanged("Direct");
    EXPECT_FALSE(editor->Confirm(r));
    EXPECT_EQ(Ids(), std::vector<Text>{Text::RecordBreaksRules});
    editor->CodeEdited("x012345");
    editor->CodeExit();
    // Position, Empty and Raw stay the opened record's.
    editor->FunctionChanged("Monostable");
    r = Confirmed();
    EXPECT_EQ(r.Position, 7);
    EXPECT_FALSE(r.Empty);
    EXPECT_EQ(r.Raw, editor->original.Raw);
}

TEST_F(Editor, UserTextsTheDataFileCannotCarryAreRefused) {
    Use("KV2R");
    Open(Record());
    editor->user[1] = "a#b";
    TData r;
    EXPECT_FALSE(editor->Confirm(r));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].message.textId, Text::None);
    EXPECT_NE(ui.messages[0].message.text.find("L155"), std::string::npos);  // User 2 title
    EXPECT_EQ(editor->focus, TEditorField::UserText);
    EXPECT_EQ(editor->focusIndex, 1);
    editor->user[1] = "a\nb";
    EXPECT_FALSE(editor->Confirm(r));
    editor->user[1] = "Hall \xE9 2";  // any code page character is fine
    editor->userId = -17;
    r = Confirmed();
    EXPECT_EQ(r.User2, "Hall \xE9 2");
    EXPECT_EQ(r.UserID, -17);
}

TEST_F(Editor, TextHoldingTypesRefuseANewUser1TheReceiverCannotKeep) {
    Use("KV1T-N");
    EXPECT_EQ(UserTextCapacity(device), 16);
    TData record = Record();
    record.User1 = "an imported text longer than sixteen";
    Open(record);
    // The text as it came is left alone.
    EXPECT_EQ(Confirmed().User1, record.User1);
    editor->user[0] = "seventeen chars!!";
    TData r;
    EXPECT_FALSE(editor->Confirm(r));
    editor->user[0] = "sixteen chars!!!";
    EXPECT_EQ(Confirmed().User1, "sixteen chars!!!");
    Use("KV8T-N");
    EXPECT_EQ(UserTextCapacity(device), 16);
    Use("KV2R");
    EXPECT_EQ(UserTextCapacity(device), -1);
}

TEST_F(Editor, AReceiversTextWithAHashIsKeptButNotTyped) {
    Use("KV1T-N");
    TData record = Record();
    record.User1 = "Flat #3";  // as the receiver holds it
    Open(record);
    editor->user[1] = "Hall";
    // Left as it came, the receiver's text is kept whole.
    const TData kept = Confirmed();
    EXPECT_EQ(kept.User1, "Flat #3");
    EXPECT_EQ(kept.User2, "Hall");
    EXPECT_FALSE(editor->UserTextRefusal(0, "Flat #3").has_value());
    // Typed, a "#" is refused as in every other text.
    editor->user[0] = "Flat #4";
    TData r;
    EXPECT_FALSE(editor->Confirm(r));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].message.text.find('#'), std::string::npos);
    EXPECT_EQ(editor->focusIndex, 0);
    // Other types have no text of the receiver's.
    Use("KV2R");
    record = Record();
    record.User1 = "a#b";
    Open(record);
    EXPECT_TRUE(editor->UserTextRefusal(0, "a#b").has_value());
}

TEST_F(Editor, MissingTxDefLeavesNoTypeAfterItsMessage) {
    Use("KV2R");
    TData record = Record();
    record.TxType = "TX4 Classic";
    test::TTempDir empty;
    editor->Open(record, empty.path());
    EXPECT_EQ(Ids(), std::vector<Text>{Text::CannotOpen});
    EXPECT_EQ(ui.messages[0].message.text, "L80 - Tx.def");
    EXPECT_EQ(editor->typeText, "-");
    EXPECT_FALSE(editor->showButtons || editor->showInputs);
    EXPECT_EQ(Confirmed().TxType, "-");
}

TEST_F(Editor, OpeningAFreshRecordShowsItsFields) {
    Use("KV2R");
    TData record = Record("2412345", "5", "02", "03");
    record.UserID = 42;
    record.User1 = "Gate";
    record.User4 = "four";
    record.TxType = "TX4 Classic";
    Open(record);
    EXPECT_EQ(editor->code, "2412345");
    EXPECT_EQ(editor->typeText, "TX4 Classic");
    EXPECT_EQ(editor->buttonText, "5");
    EXPECT_EQ(editor->functionText, "Bistable");
    EXPECT_FALSE(editor->timeEnabled);
    EXPECT_TRUE(editor->channels[0] && editor->channels[1]);
    EXPECT_EQ(editor->userId, 42);
    EXPECT_EQ(editor->user[0], "Gate");
    EXPECT_EQ(editor->user[3], "four");
    EXPECT_FALSE(editor->projector.active);
    // Confirming without a change gives the record back.
    EXPECT_TRUE(SameRecord(Confirmed(), record));
}

// Records as the receiver or a data file holds them, also ones the rules would not make:
// opened and confirmed they come back byte for byte, and a changed user text changes
// nothing else.
TEST_F(Editor, ARecordTheUserDidNotChangeIsStoredByteForByte) {
    struct Case {
        const char* receiver;
        const char* code;
        const char* button;
        const char* output;
        const char* type;
        const char* time;
    };
    const Case cases[] = {
        {"KV2R", "A13C3C3", "3", "01", "RDI-1 Contact", "0000"},  // input code, Monostable
        {"KV2R", "A012345", "3", "08", "RDI-2 Input", "0000"},    // Direct without button F
        {"KV2R", "241A2B3", "8", "01", "TX4 Classic", "0000"},
        {"KV2R", "2677777", "4", "04", "TX1 Key", "0000"},      // a button the type lacks
        {"KV2R", "x012345", "1", "77", "-", "0000"},            // a code the decoder lacks
        {"KV2R", "2412345", "3", "03", "TX4 Classic", "0000"},  // timer below 100 ms
        {"KV2R", "2412345", "3", "01", "Old type", "0032"},     // a type Tx.def lacks
        {"KV3S", "x012345", "1", "03", "-", "000000320000"},
        {"KV1M", "x012345", "1", "06", "-", "0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.receiver) + " " + c.code + " " + c.type);
        Use(c.receiver);
        TData record = Record(c.code, c.button, c.output);
        record.TxType = c.type;
        record.Time = c.time;
        if (std::string(c.receiver) == "KV1M") record.Extra.replace(3, 4, "0003");
        Open(record);
        EXPECT_TRUE(SameRecord(Confirmed(), record));
        editor->user[1] = "Garage door";
        TData expected = record;
        expected.User2 = "Garage door";
        EXPECT_TRUE(SameRecord(Confirmed(), expected));
        EXPECT_TRUE(ui.messages.empty()) << ::testing::PrintToString(ui.Texts());
        EXPECT_TRUE(editor->notes.empty());
    }
}

// Every type of the delivered Tx.def can be given each function its code offers: the
// receiver's functions for button transmitters, "-", Direct and Inverse (with button F)
// for input transmitters, whose codes begin with "A".
TEST_F(Editor, EveryTransmitterTypeTakesEveryFunctionItsRulesAllow) {
    Use("KV2R");
    const std::vector<std::string> buttonFunctions = {"Monostable", "Bistable", "Timer", "On",
                                                      "Off"};
    const std::vector<std::string> inputFunctions = {"-", "Direct", "Inverse"};
    int tried = 0;
    for (const TTx& type : types) {
        if (type.Count == 0) continue;
        const bool input = type.CodePrefix[0] == 'A';
        EXPECT_EQ(input, !type.HasButtons) << type.Name;
        for (const std::string& function : input ? inputFunctions : buttonFunctions) {
            SCOPED_TRACE(type.Name + " / " + function);
            TRecordEditRequest request;
            request.type = type.Name;
            request.function = function;
            Open(Record("x012345", "1", "01"));
            TData r;
            ASSERT_TRUE(ApplyEditRequest(*editor, request, r))
                << ::testing::PrintToString(ui.Texts());
            std::string output;
            ASSERT_TRUE(functionTable.FunctionCode(function, output));
            EXPECT_EQ(r.Output, output);
            EXPECT_EQ(r.TxType, type.Name);
            EXPECT_EQ(r.CodePrefix[0], type.CodePrefix[0]);
            const std::vector<int> codes = ButtonCodesOf(type, input);
            EXPECT_NE(std::find(codes.begin(), codes.end(), HexDigitValue(r.Button[0])),
                      codes.end())
                << r.Button;
            if (input) {
                EXPECT_EQ(r.Button, "F");
            }
            ++tried;
        }
    }
    EXPECT_EQ(tried, 5 * 5 + 2 * 3);  // the seven delivered types
}

// The typed code is stored as typed; only a change of the type replaces its first
// character. What the rules change besides is noted.
TEST_F(Editor, TheTypedCodeStaysAndTheRulesSayWhatTheyChange) {
    Use("KV2R");
    TData record = Record("241A2B3", "8", "01");
    record.TxType = "TX4 Classic";
    Open(record);
    editor->CodeEdited("3100A1F");
    editor->CodeExit();
    EXPECT_TRUE(editor->ButtonCodeEdited("4"));
    TData r = Confirmed();
    EXPECT_EQ(r.CodePrefix + r.Serial, "3100A1F");
    EXPECT_EQ(r.Button, "4");
    EXPECT_TRUE(editor->notes.empty());

    // An input code: the input functions and button F, both noted.
    editor->CodeEdited("A123456");
    editor->CodeExit();
    EXPECT_EQ(editor->code, "A123456");
    EXPECT_EQ(editor->functionItems, (std::vector<std::string>{"-", "Direct", "Inverse"}));
    ASSERT_EQ(editor->notes.size(), 2u);
    EXPECT_EQ(editor->notes[0].text,
              "The button code becomes F: codes beginning with A take the button code F.");
    EXPECT_EQ(editor->notes[1].text,
              "The function becomes -: Monostable is not offered for the code A123456.");
    r = Confirmed();
    EXPECT_EQ(r.CodePrefix + r.Serial + r.Button + r.Output, "A123456F00");
    // Back to a plain code: the receiver's functions; the button the user sets drops its note.
    editor->CodeEdited("2123456");
    editor->CodeExit();
    EXPECT_EQ(editor->functionText, "Monostable");
    EXPECT_TRUE(editor->ButtonCodeEdited("2"));
    ASSERT_EQ(editor->notes.size(), 1u);
    EXPECT_EQ(editor->notes[0].field, TNoteField::Function);
    EXPECT_EQ(Confirmed().CodePrefix, "21");
    // Leaving the code box unchanged applies no rule.
    editor->CodeExit();
    EXPECT_EQ(editor->buttonText, "2");
    // The type change replaces the first character and says so.
    editor->TypeChanged("TX3 Remote");
    EXPECT_EQ(editor->code, "1123456");
    EXPECT_EQ(editor->notes.back().text,
              "The transmitter code becomes 1123456: codes of the type TX3 Remote begin with 1.");
}

TEST_F(Editor, AButtonCodeTheTypeDoesNotGiveIsRefusedNamingItsCodes) {
    Use("KV2R");
    struct Case {
        const char* type;
        const char* code;
        const char* typed;
        const char* refusal;  // nullptr: taken
    };
    const Case cases[] = {
        {"TX1 Key", "2677777", "3",
         "The transmitter type TX1 Key has no button code 3; its "
         "codes are 8."},
        {"TX1 Key", "2677777", "8", nullptr},
        {"TX4 Classic", "241A2B3", "0",
         "The transmitter type TX4 Classic has no button code 0; "
         "its codes are 1 to F."},
        {"TX4 Classic", "241A2B3", "F", nullptr},
        {"TX3 Remote", "1C12345", "1",
         "The transmitter type TX3 Remote has no button code 1; "
         "its codes are 2, 4, 6, 8, A, C, E."},
        {"RDI-1 Contact", "A13C3C3", "5",
         "The transmitter type RDI-1 Contact has no button code "
         "5; its codes are 3 (Closed), 6 (Open), F."},
        {"RDI-1 Contact", "A13C3C3", "F", nullptr},
        {"-", "x012345", "3", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.typed);
        ui.messages.clear();
        TData record = Record(c.code, "6", "00");
        record.TxType = c.type;
        Open(record);
        EXPECT_EQ(editor->ButtonCodeEdited(c.typed), c.refusal == nullptr);
        if (c.refusal) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].message.text, c.refusal);
            EXPECT_EQ(Confirmed().Button, "6");
        } else {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(Confirmed().Button, c.typed);
        }
    }
    // A type change gives a button the new type lacks the type's first code, noted.
    TData record = Record("241A2B3", "3", "01");
    record.TxType = "TX4 Classic";
    Open(record);
    editor->TypeChanged("TX1 Key");
    EXPECT_EQ(editor->buttonText, "8");
    EXPECT_EQ(editor->notes.back().text, "The button code becomes 8: the type TX1 Key gives 8.");
}

}  // namespace
}  // namespace ravlin
