// A reception of on-line mode: the block, the on-line panel, the logging levels, the
// matching rows of the views, the Add button and the on-line Add.

#include <gtest/gtest.h>

#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "online/OnlineLog.h"
#include "online/Reception.h"

namespace ravlin {
namespace {

using test::Record;

// The block as the receiver keeps it: button, code, 4 unused bytes, battery, position.
std::string Block(const std::string& button, const std::string& code, const std::string& battery,
                  const std::string& position) {
    return button + code + "0A0B0C0D" + battery + position + "0102030405";
}

TReception Reception(const std::string& button, const std::string& code,
                     const std::string& battery = "00", const std::string& position = "FFFF") {
    TReception r;
    EXPECT_TRUE(DecodeReception(Block(button, code, battery, position), r));
    return r;
}

TEST(Reception, DecodesTheBlock) {
    TReception r;
    ASSERT_TRUE(DecodeReception(Block("3", "1abcde0", "01", "01f3"), r));
    EXPECT_EQ(r.button, "3");
    EXPECT_EQ(r.serial, "1ABCDE0");
    EXPECT_EQ(r.SerialKey(), "BCDE0");
    EXPECT_TRUE(r.LowBattery());
    EXPECT_TRUE(r.InReceiverMemory());
    EXPECT_EQ(r.MemoryPosition(), 0x1F3);
    EXPECT_FALSE(r.Nothing());
    EXPECT_FALSE(DecodeReception(Block("3", "1ABCDE0", "01", "01F"), r));
    EXPECT_FALSE(DecodeReception(Block("G", "1ABCDE0", "01", "01F3"), r));
    EXPECT_FALSE(DecodeReception("", r));
    ASSERT_TRUE(DecodeReception(Block("3", "1ABCDE0", "02", "FFFF"), r));
    EXPECT_FALSE(r.LowBattery());
    EXPECT_EQ(r.MemoryPosition(), -1);
}

TEST(Reception, OnlinePanel) {
    TOnlinePanel panel;
    panel.addEnabled = true;
    panel.Show(Reception("5", "1234567", "01", "0009"));
    EXPECT_EQ(panel.lastTx, "1234567");
    EXPECT_EQ(panel.lastBtn, "5");
    EXPECT_EQ(panel.lastMem, "10");
    EXPECT_TRUE(panel.lowBattery);
    EXPECT_FALSE(panel.addEnabled);
    // Nothing received: code and button "-", memory and label keep their state.
    panel.Show(Reception("0", "0000000", "00", "FFFF"));
    EXPECT_EQ(panel.lastTx, "-");
    EXPECT_EQ(panel.lastBtn, "-");
    EXPECT_EQ(panel.lastMem, "10");
    EXPECT_TRUE(panel.lowBattery);
    // Not in the receiver memory; an input transmitter's "01" is no battery report.
    panel.Show(Reception("C", "A012345", "01", "FFFF"));
    EXPECT_EQ(panel.lastMem, "-");
    EXPECT_FALSE(panel.lowBattery);
}

TEST(Reception, LoggingLevelsAsTheSetupDialogNamesThem) {
    struct TRow {
        int level;
        bool never, memory, document, both;  // logged when: in neither / memory / document / both
    };
    const TRow table[] = {
        {0, false, false, false, false},  {1, false, true, false, true},
        {2, false, false, true, true},    {3, false, true, true, true},
        {4, true, true, true, true},      {5, false, false, false, false},
        {-1, false, false, false, false},
    };
    for (const auto& row : table) {
        EXPECT_EQ(LevelLogs(row.level, false, false), row.never) << row.level;
        EXPECT_EQ(LevelLogs(row.level, true, false), row.memory) << row.level;
        EXPECT_EQ(LevelLogs(row.level, false, true), row.document) << row.level;
        EXPECT_EQ(LevelLogs(row.level, true, true), row.both) << row.level;
    }
}

TEST(Reception, DecisionUsesTheDocumentOnlyWhenOneIsOpen) {
    TRecordTable table = {Record(1, "11111", "1"), Record(2, "12345", "2"),
                          Record(3, "12345", "4")};
    TData cleared = Record(4, "54321", "1");
    cleared.Empty = true;
    table.push_back(cleared);
    const TReception inDocument = Reception("1", "0012345");
    TLogDecision d = DecideLogging(inDocument, table, true, 2, 3);
    EXPECT_TRUE(d.history);
    EXPECT_TRUE(d.battery);
    EXPECT_EQ(d.record, 1);  // the first record of the serial key, whatever its button
    d = DecideLogging(inDocument, table, false, 2, 3);  // the table is no open document
    EXPECT_FALSE(d.history);
    EXPECT_FALSE(d.battery);
    EXPECT_EQ(d.record, -1);
    // An empty record holds no transmitter.
    d = DecideLogging(Reception("1", "0054321"), table, true, 2, 2);
    EXPECT_FALSE(d.history);
    // Position FFFF is not in the receiver memory: level 1 does not log.
    d = DecideLogging(Reception("1", "0099999", "00", "FFFF"), table, true, 1, 1);
    EXPECT_FALSE(d.history || d.battery);
    d = DecideLogging(Reception("1", "0099999", "00", "0000"), table, true, 1, 4);
    EXPECT_TRUE(d.history && d.battery);
    // "0000000" is never logged, not even at level 4.
    d = DecideLogging(Reception("1", "0000000", "00", "0000"), table, true, 4, 4);
    EXPECT_FALSE(d.history || d.battery);
}

class Logging : public ::testing::Test {
  protected:
    Logging()
        : history(dir.File("History.dat"), texts, ui),
          batteryLog(dir.File("LowBatt.dat"), texts, ui),
          heard(dir.File("LastHeard.dat"), texts, ui) {}
    TLogResult Log(const TReception& r, int historyLevel, int batteryLevel, bool document = true) {
        return LogReception(r, table, document, historyLevel, batteryLevel,
                            {&history, &batteryLog, &heard});
    }
    test::TTempDir dir;
    TTextTable texts = test::LogTexts();
    test::TRecordingUi ui;
    THistory history;
    TBatteryLog batteryLog;
    TLastHeard heard;
    TRecordTable table = {Record(1, "12345", "1", 7, "Alice")};
};

TEST_F(Logging, LevelThreeLogsAReceptionInBothMemoriesOnce) {
    const TLogResult res = Log(Reception("1", "0012345", "01", "0000"), 3, 3);
    EXPECT_TRUE(res.written);
    ASSERT_EQ(history.Items().size(), 1u);
    EXPECT_EQ(history.Items()[0].UserNumber, 7);
    EXPECT_TRUE(history.Items()[0].LowBatt);
    ASSERT_EQ(batteryLog.Items().size(), 1u);
    EXPECT_EQ(res.battery, TBatteryChange::Added);
    EXPECT_EQ(batteryLog.Items()[0].User[0], "Alice");
    EXPECT_EQ(heard.Size(), 1u);
    EXPECT_EQ(heard.LastHeardOf(table[0]), history.Items()[0].Time);
}

TEST_F(Logging, EachLogFollowsItsOwnLevel) {
    Log(Reception("1", "0099999", "01", "FFFF"), 1, 4);  // in neither memory
    EXPECT_TRUE(history.Items().empty());
    EXPECT_EQ(heard.Size(), 0u);  // heard is kept with the history
    EXPECT_EQ(batteryLog.Items().size(), 1u);
    Log(Reception("1", "0012345", "00", "FFFF"), 2, 0, false);  // no document open
    EXPECT_TRUE(history.Items().empty());
    Log(Reception("1", "0012345", "00", "FFFF"), 2, 0, true);
    EXPECT_EQ(history.Items().size(), 1u);
    Log(Reception("1", "0000000", "01", "0000"), 4, 4);
    EXPECT_EQ(history.Items().size(), 1u);
    EXPECT_EQ(batteryLog.Items().size(), 1u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Logging, AFailedWriteIsReported) {
    std::filesystem::create_directory(history.FileName());
    const TLogResult res = Log(Reception("1", "0012345", "00", "0000"), 4, 0);
    EXPECT_FALSE(res.written);
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpen});
    EXPECT_EQ(history.Items().size(), 1u);
}

TEST(Views, AddIsOfferedForATransmitterTheViewsLack) {
    TRecordTable table = {Record(1, "12345", "1"), Record(2, "12345", "2"), Record(3, "77777", "1"),
                          Record(4, "12345", "2")};
    const std::vector<int> memory = {0, 1, 2, 3};
    const std::vector<int> file = {3, 2, 1, 0};  // sorted differently
    const TReception same = Reception("2", "0012345");
    // SingleRelay other than 0: the same transmitter and button shown leaves Add disabled.
    TViewMatch m = MatchViews(same, table, &memory, &file, 3, false, false);
    EXPECT_FALSE(m.addEnabled);
    EXPECT_EQ(m.memoryRow, 3);  // the last matching row counts
    EXPECT_EQ(m.fileRow, 2);
    EXPECT_EQ(m.selectMemory, -1);
    m = MatchViews(same, table, &memory, &file, 3, true, false);
    EXPECT_EQ(m.selectMemory, 3);
    EXPECT_EQ(m.selectFile, 2);
    // Another button enables it.
    m = MatchViews(Reception("4", "0012345"), table, &memory, &file, 3, true, false);
    EXPECT_TRUE(m.addEnabled);
    EXPECT_EQ(m.memoryRow, -1);
    // Only one view shown, and it lacks the transmitter.
    m = MatchViews(Reception("1", "0054321"), table, &memory, nullptr, 3, false, false);
    EXPECT_TRUE(m.addEnabled);
    // SingleRelay 0: always offered; both views empty: always offered.
    EXPECT_TRUE(MatchViews(same, table, &memory, &file, 0, false, false).addEnabled);
    const std::vector<int> none;
    EXPECT_TRUE(MatchViews(same, table, &none, nullptr, 3, false, false).addEnabled);
    // Never for "0000000"; never while the monitor's adding window is shown.
    EXPECT_FALSE(
        MatchViews(Reception("1", "0000000"), table, &none, nullptr, 0, false, false).addEnabled);
    EXPECT_FALSE(
        MatchViews(Reception("4", "0012345"), table, &memory, &file, 0, false, true).addEnabled);
}

TEST(Beep, OnlyOutsideMonitorModeWhenSwitchedOn) {
    TBeep b = BeepFor(true, true, true, false);
    EXPECT_TRUE(b.speaker && b.card);
    b = BeepFor(true, false, true, false);
    EXPECT_TRUE(!b.speaker && b.card);
    b = BeepFor(true, true, true, true);
    EXPECT_FALSE(b.speaker || b.card);
    b = BeepFor(false, true, true, false);
    EXPECT_FALSE(b.speaker || b.card);
}

TEST(UserFields, FollowTheFileViewFlagsOfTheFamily) {
    TIniFile ini("");
    EXPECT_EQ(UserFieldsOf(ini, TLayoutFamily::Single), kAllUserFields);
    const auto single = VisibilityKeys(TLayoutFamily::Single);
    const auto multi = VisibilityKeys(TLayoutFamily::Multi);
    ini.WriteBool("Setup", single[0], false);
    ini.WriteBool("Setup", single[3], false);
    ini.WriteBool("Setup", multi[3], false);
    EXPECT_EQ(UserFieldsOf(ini, TLayoutFamily::Single),
              (TUserVisibility{false, true, true, false, true}));
    EXPECT_EQ(UserFieldsOf(ini, TLayoutFamily::Multi),
              (TUserVisibility{true, true, true, false, true}));
    // Without a receiver: shown when either family shows it.
    EXPECT_EQ(UserFieldsOfEither(ini), (TUserVisibility{true, true, true, false, true}));
}

TEST(UserFields, ShownAreTheCurrentTypesOnceALoginOrADocumentGivesOne) {
    TIniFile ini("");
    const auto single = VisibilityKeys(TLayoutFamily::Single);
    const auto multi = VisibilityKeys(TLayoutFamily::Multi);
    for (const char* key : {single[0], single[3], multi[1], multi[3]})
        ini.WriteBool("Setup", key, false);
    const TUserVisibility ofSingle{false, true, true, false, true};
    const TUserVisibility ofMulti{true, false, true, false, true};
    const TUserVisibility ofEither{true, true, true, false, true};
    struct {
        bool loggedIn, documentOpen;
        TLayoutFamily family;
        TUserVisibility shown;
    } const cases[] = {
        {false, false, TLayoutFamily::Single, ofEither},
        {false, false, TLayoutFamily::Multi, ofEither},
        {true, false, TLayoutFamily::Single, ofSingle},
        {true, false, TLayoutFamily::Multi, ofMulti},
        {false, true, TLayoutFamily::Multi, ofMulti},
        {true, true, TLayoutFamily::Single, ofSingle},
    };
    for (const auto& c : cases) {
        TAppState state;
        state.LoggedIn = c.loggedIn;
        state.DocumentOpen = c.documentOpen;
        EXPECT_EQ(ShownUserFields(ini, state, c.family), c.shown)
            << c.loggedIn << c.documentOpen << static_cast<int>(c.family);
    }
}

}  // namespace
}  // namespace ravlin
