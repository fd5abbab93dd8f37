#include <gtest/gtest.h>

#include "MonitorTestUtil.h"
#include "monitoring/MonitorFile.h"
#include "monitoring/MonitorView.h"

namespace ravlin {
namespace {

using namespace std::chrono_literals;
using test::Message;
using test::ReadText;
using test::TRecorded;
using test::TRecordingSound;
using test::WriteText;

const std::string kHeader = "Ravlin monitor setup file\r\n";
const std::string kExample = kHeader +
                             "1#Door open#1#8#4###1#0#0#\r\n"
                             "Active:x012345#3#n#1ABCDE0#F#n#end\r\n"
                             "Deactive:end\r\n";

class Monitor : public ::testing::Test, public TMonitorHost {
  protected:
    const TRecordTable* DocumentRecords() const override { return doc; }
    void MonitorChanged() override { ++changes; }

    TTextTable texts = test::NumberedTexts();
    test::TRecordingUi ui;
    test::TFakeEditors editors;
    test::TFakeChooser chooser;
    TRecordingSound sound;
    test::TTempDir dir;
    TMonitor monitor{texts, ui};
    int changes = 0;
    const TRecordTable* doc = nullptr;  // the open document's records

    void SetUp() override {
        monitor.editors = &editors;
        monitor.sound = &sound;
        monitor.host = this;
    }

    // A set-up of messages with the given texts, as loaded from a file.
    void SetUpMessages(std::initializer_list<TMonitorData> messages) {
        monitor.Messages = messages;
        for (size_t i = 0; i < monitor.Messages.size(); ++i)
            monitor.Messages[i].Number = static_cast<int>(i) + 1;
        monitor.Defined = true;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& m : monitor.Messages) out.push_back(m.Text);
        return out;
    }
};

// ---- loading and saving --------------------------------------------------------------------

TEST_F(Monitor, LoadsAFileKeepingItsMessageNumbers) {
    const std::string file = dir.File("a.mon");
    // A number given twice, or none, takes the next free one.
    WriteText(file, kHeader + "7#First#\r\nActive:end\r\nDeactive:end\r\n" +
                        "3#Second#\r\nActive:end\r\nDeactive:end\r\n" +
                        "3#Third#\r\nActive:end\r\nDeactive:end\r\n" +
                        "x#Fourth#\r\nActive:end\r\nDeactive:end\r\n");
    monitor.Saved = false;
    ASSERT_TRUE(monitor.Load(file));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(monitor.FileName, file);
    EXPECT_TRUE(monitor.Defined);
    EXPECT_TRUE(monitor.Saved);
    EXPECT_GT(changes, 0);
    std::vector<int> numbers;
    for (const auto& m : monitor.Messages) numbers.push_back(m.Number);
    EXPECT_EQ(numbers, (std::vector<int>{7, 3, 8, 9}));
    EXPECT_EQ(monitor.IndexOfNumber(8), 2);

    WriteText(file, kHeader);
    ASSERT_TRUE(monitor.Load());
    EXPECT_TRUE(monitor.Messages.empty());
    EXPECT_TRUE(monitor.Defined && monitor.Saved);
}

TEST_F(Monitor, ARefusedFileLeavesTheSetUpAsItWas) {
    SetUpMessages({Message("Kept")});
    monitor.FileName = dir.File("kept.mon");
    monitor.Saved = false;
    const std::string bad = dir.File("bad.mon");

    EXPECT_FALSE(monitor.Load(dir.File("missing.mon")));
    WriteText(bad, "Ravlin monitor file\r\n");
    EXPECT_FALSE(monitor.Load(bad));
    WriteText(bad, kHeader + "1#A#\r\nActive:end\r\n2#B#\r\nActive:end\r\nDeactive:end\r\n");
    EXPECT_FALSE(monitor.Load(bad));
    WriteText(bad, kHeader + "1#A#\r\n");
    EXPECT_FALSE(monitor.Load(bad));

    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[0].message,
              TMessage::Lang(texts, Text::CannotOpen, " - " + dir.File("missing.mon")));
    EXPECT_EQ(ui.messages[1].message, TMessage::Lang(texts, Text::WrongFormat, " - " + bad));
    EXPECT_EQ(ui.messages[2].message, TMessage::Fixed("Cyhba"));
    EXPECT_EQ(ui.messages[3].message, TMessage::Fixed("Cyhba"));
    EXPECT_EQ(Texts(), std::vector<std::string>{"Kept"});
    EXPECT_EQ(monitor.FileName, dir.File("kept.mon"));
    EXPECT_FALSE(monitor.Saved);
}

TEST_F(Monitor, SavesAtomicallyAndReportsAFailedWrite) {
    const std::string file = dir.File("a.mon");
    WriteText(file, kExample);
    ASSERT_TRUE(monitor.Load(file));
    monitor.Messages[0].Text = "Door closed";
    ASSERT_TRUE(monitor.Save());
    EXPECT_EQ(ReadText(file), kHeader +
                                  "1#Door closed#1#8#4###1#0#0#\r\n"
                                  "Active:x012345#3#n#1ABCDE0#F#n#end\r\n"
                                  "Deactive:end\r\n");

    // A folder that cannot exist: the old file stays, 80 names the file.
    WriteText(dir.File("plain"), "x");
    monitor.FileName = dir.File("plain/b.mon");
    EXPECT_FALSE(monitor.Save());
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpen});
    EXPECT_EQ(ui.messages[0].message.text, "L80 - " + dir.File("plain/b.mon"));
}

TEST_F(Monitor, SaveAsAsksForANameAndKeepsItOnlyWhenWritten) {
    SetUpMessages({Message("A")});
    monitor.FileName = dir.File("old.mon");
    EXPECT_FALSE(monitor.SaveAs(chooser));  // cancelled
    ASSERT_EQ(chooser.shown.size(), 1u);
    const TFileDialog& d = chooser.shown[0].second;
    EXPECT_TRUE(chooser.shown[0].first);
    EXPECT_EQ(d.filter, "Ravlin monitoring files (*.mon)|*.mon|All files (*.*)|*.*");
    EXPECT_EQ(d.defaultExtension, "mon");
    EXPECT_TRUE(d.confirmOverwrite);
    EXPECT_EQ(d.fileName, dir.File("old.mon"));

    chooser.answers.push_back(dir.File("plain/x.mon"));
    WriteText(dir.File("plain"), "x");
    EXPECT_FALSE(monitor.SaveAs(chooser));
    EXPECT_EQ(monitor.FileName, dir.File("old.mon"));

    chooser.answers.push_back(dir.File("new"));
    EXPECT_TRUE(monitor.SaveAs(chooser));
    EXPECT_EQ(monitor.FileName, dir.File("new.mon"));
    EXPECT_EQ(ReadText(dir.File("new.mon")).substr(0, kHeader.size()), kHeader);
}

TEST_F(Monitor, SaveAllAndTheCloseQuestion) {
    EXPECT_TRUE(monitor.SaveAll(chooser));  // nothing defined: nothing to save
    EXPECT_TRUE(chooser.shown.empty());
    EXPECT_TRUE(monitor.CloseQuery(chooser));
    EXPECT_TRUE(ui.messages.empty());

    SetUpMessages({Message("A")});
    monitor.Saved = false;
    ui.answers = {TAnswer::Cancel, TAnswer::No, TAnswer::Yes, TAnswer::Yes};
    EXPECT_FALSE(monitor.CloseQuery(chooser));
    EXPECT_TRUE(monitor.CloseQuery(chooser));
    EXPECT_FALSE(monitor.CloseQuery(chooser));  // Yes, but the save dialog is cancelled
    EXPECT_FALSE(monitor.Saved);
    chooser.answers.push_back(dir.File("s.mon"));
    EXPECT_TRUE(monitor.CloseQuery(chooser));
    EXPECT_TRUE(monitor.Saved);
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[0].message.text, "L84 - L231");
    EXPECT_EQ(ui.messages[0].kind, TRecorded::Question);

    monitor.Messages[0].Text = "B";
    monitor.Saved = false;
    EXPECT_TRUE(monitor.SaveAll(chooser));  // has a file name now: no dialog
    EXPECT_EQ(chooser.shown.size(), 2u);
    EXPECT_TRUE(monitor.Saved);
    EXPECT_NE(ReadText(dir.File("s.mon")).find("1#B#"), std::string::npos);
}

TEST_F(Monitor, OpenAsksToSaveFirst) {
    const std::string other = dir.File("other.mon");
    WriteText(other, kExample);
    SetUpMessages({Message("Mine")});
    monitor.Saved = false;
    ui.answers = {TAnswer::Cancel};
    EXPECT_FALSE(monitor.OpenMonitoring(chooser));
    EXPECT_TRUE(chooser.shown.empty());
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::SaveBeforeOpen});

    // Yes, but the save is cancelled: the changes are not dropped.
    ui.answers = {TAnswer::Yes};
    EXPECT_FALSE(monitor.OpenMonitoring(chooser));
    EXPECT_EQ(Texts(), std::vector<std::string>{"Mine"});

    ui.answers = {TAnswer::No, TAnswer::No};
    EXPECT_FALSE(monitor.OpenMonitoring(chooser));  // the open dialog cancelled
    EXPECT_EQ(Texts(), std::vector<std::string>{"Mine"});
    chooser.answers = {other};
    EXPECT_TRUE(monitor.OpenMonitoring(chooser));
    EXPECT_FALSE(chooser.shown.back().first);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Door open"});
    EXPECT_EQ(monitor.FileName, other);

    // Saved now: no question.
    ui.messages.clear();
    chooser.answers = {other};
    EXPECT_TRUE(monitor.OpenMonitoring(chooser));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Monitor, InitLoadsTheLastFileThenTheStartUpFile) {
    const std::string last = dir.File("last.mon"), start = dir.File("start.mon");
    WriteText(last, kHeader + "1#Last#\r\nActive:end\r\nDeactive:end\r\n");
    monitor.Init(last, false, start);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Last"});
    WriteText(start, kExample);
    monitor.Init(last, true, start);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Door open"});
    EXPECT_EQ(monitor.FileName, start);

    TMonitor fresh(texts, ui);
    fresh.Init(dir.File("none.mon"), true, dir.File("none2.mon"));
    EXPECT_FALSE(fresh.Defined);
    EXPECT_EQ(fresh.FileName, dir.File("none.mon"));
    EXPECT_TRUE(ui.messages.empty());
}

// ---- editing -----------------------------------------------------------------------------

TEST_F(Monitor, AddingAMessageShowsTheEditorWithDefaults) {
    editors.messageAnswers = {std::nullopt};
    EXPECT_FALSE(monitor.AddMessage());
    EXPECT_FALSE(monitor.Defined);
    ASSERT_EQ(editors.messagesShown.size(), 1u);
    const TMonitorData& shown = editors.messagesShown[0];
    EXPECT_EQ(shown.Text, "");
    EXPECT_EQ(shown.Color, 0);
    EXPECT_EQ(shown.Size, 8);
    EXPECT_EQ(shown.Sound, 0);
    EXPECT_FALSE(shown.Blink || shown.Activate || shown.ShowWindow);

    TMonitorData values = Message("Fire", 1, 5);
    values.Number = 99;  // not the editor's to set
    values.ActiveEvents = {{"x011111", "1"}};
    editors.messageAnswers = {values, Message("Flood")};
    EXPECT_TRUE(monitor.AddMessage());
    EXPECT_TRUE(monitor.AddMessage());
    ASSERT_EQ(monitor.Messages.size(), 2u);
    EXPECT_EQ(monitor.Messages[0].Number, 1);
    EXPECT_EQ(monitor.Messages[0].Sound, 5);
    EXPECT_TRUE(monitor.Messages[0].ActiveEvents.empty());
    EXPECT_EQ(monitor.Messages[1].Number, 2);
    EXPECT_TRUE(monitor.Defined);
    EXPECT_FALSE(monitor.Saved);
}

TEST_F(Monitor, EditStopsAtTheFirstCancel) {
    SetUpMessages({Message("A"), Message("B"), Message("C")});
    monitor.Saved = true;
    editors.messageAnswers = {Message("C2", 4), std::nullopt, Message("never")};
    monitor.EditMessages({3, 1, 2});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"A", "B", "C2"}));
    EXPECT_EQ(monitor.Messages[2].Color, 4);
    EXPECT_EQ(editors.messagesShown.size(), 2u);
    EXPECT_EQ(editors.messagesShown[1].Text, "A");
    EXPECT_FALSE(monitor.Saved);

    TMonitor empty(texts, ui);
    empty.editors = &editors;
    empty.EditMessages({1});
    empty.RemoveMessages({1});
    EXPECT_EQ(editors.messagesShown.size(), 2u);
}

TEST_F(Monitor, RemovingTheRowsOfASortedGridRemovesTheMessagesTheyShow) {
    SetUpMessages({Message("Delta"), Message("Alpha"), Message("Charlie"), Message("Bravo")});
    monitor.Messages[0].ActiveEvents = {{"x011111", "1"}};
    const auto rows = SortedMessages(monitor.Messages, {kMsgText, true});
    // Rows 2 and 3 show Bravo and Charlie.
    monitor.RemoveMessages({monitor.Messages[rows[1]].Number, monitor.Messages[rows[2]].Number});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Delta", "Alpha"}));
    EXPECT_EQ(monitor.Messages[0].ActiveEvents.size(), 1u);

    // Descending by text: the selected first row shows Delta. The rest keep their numbers,
    // and a new message takes the one after the highest.
    const auto down = SortedMessages(monitor.Messages, {kMsgText, false});
    monitor.RemoveMessages({monitor.Messages[down[0]].Number, 7, 0});
    EXPECT_EQ(Texts(), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(monitor.Messages[0].Number, 2);
    editors.messageAnswers = {Message("Echo")};
    ASSERT_TRUE(monitor.AddMessage());
    EXPECT_EQ(monitor.Messages[1].Number, 3);
}

TEST_F(Monitor, AddingEventsRefusesDuplicatesInOneList) {
    SetUpMessages({Message("A"), Message("B")});
    monitor.Saved = true;
    monitor.TargetMessage = 1;
    monitor.AddToActive = true;
    EXPECT_TRUE(monitor.AddEvent("x012345", "3", false));
    EXPECT_FALSE(monitor.Saved);
    EXPECT_TRUE(monitor.AddEvent("x012345", "5", false));
    EXPECT_FALSE(monitor.AddEvent("x012345", "3", false));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::DuplicateEvent});
    EXPECT_EQ(monitor.Messages[1].ActiveEvents.size(), 2u);
    monitor.AddToActive = false;
    EXPECT_TRUE(monitor.AddEvent("x012345", "3", false));  // the other list takes it
    EXPECT_EQ(monitor.Messages[1].DeactiveEvents.size(), 1u);
    EXPECT_TRUE(monitor.Messages[0].ActiveEvents.empty());

    monitor.TargetMessage = 5;  // no such message: nothing happens
    EXPECT_FALSE(monitor.AddEvent("x054321", "3", false));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(Monitor, AnEventLeftWithoutASerialIsDropped) {
    SetUpMessages({Message("A")});
    monitor.Saved = true;
    // "serial number ...": the editor opens on x000000 with "0".
    editors.eventAnswers = {TEvent{"x000000", "4"}, std::nullopt, TEvent{"1A54321", "4"}};
    EXPECT_FALSE(monitor.AddEvent("x000000", "0", true));
    EXPECT_FALSE(monitor.AddEvent("x000000", "0", true));  // cancelled
    EXPECT_TRUE(monitor.Messages[0].ActiveEvents.empty());
    EXPECT_TRUE(monitor.Saved);
    EXPECT_TRUE(monitor.AddEvent("x000000", "0", true));
    ASSERT_EQ(monitor.Messages[0].ActiveEvents.size(), 1u);
    EXPECT_EQ(monitor.Messages[0].ActiveEvents[0], (TEvent{"1A54321", "4"}));
    EXPECT_EQ(editors.eventsShown[0], (TEvent{"x000000", "0"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Monitor, RemovingAndEditingEvents) {
    SetUpMessages({Message("A")});
    monitor.Messages[0].ActiveEvents = {{"x011111", "1"}, {"x022222", "2"}};
    monitor.Messages[0].DeactiveEvents = {{"x033333", "3"}};
    monitor.Saved = true;
    monitor.RemoveActive(0, 5);
    monitor.RemoveDeactive(1, 0);
    EXPECT_TRUE(monitor.Saved);
    monitor.RemoveActive(0, 0);
    EXPECT_EQ(monitor.Messages[0].ActiveEvents, (std::vector<TEvent>{{"x022222", "2"}}));
    EXPECT_FALSE(monitor.Saved);

    monitor.Saved = true;
    editors.eventAnswers = {std::nullopt, TEvent{"x044444", "8"}};
    EXPECT_FALSE(monitor.EditDeactive(0, 0));
    EXPECT_TRUE(monitor.Saved);
    EXPECT_TRUE(monitor.EditDeactive(0, 0));
    EXPECT_EQ(monitor.Messages[0].DeactiveEvents[0], (TEvent{"x044444", "8"}));
    EXPECT_FALSE(monitor.Saved);
    EXPECT_FALSE(monitor.EditActive(0, 3));
}

TEST_F(Monitor, UserInformationComesFromTheFirstMatchingRecords) {
    TRecordTable records(4);
    records[0].Serial = "12345";
    records[0].Button = "2";
    records[0].UserID = 7;
    records[0].User1 = "Wrong button";
    records[1].Serial = "12345";
    records[1].Button = "1";
    records[1].UserID = 0;
    records[1].User2 = "Office";
    records[2].Serial = "12345";
    records[2].Button = "5";
    records[2].UserID = 9;
    records[2].User1 = "Flat 3";
    records[2].User2 = "ignored, already set";
    records[3].Serial = "54321";
    records[3].Button = "1";
    records[3].UserID = 4;

    SetUpMessages({Message("A")});
    monitor.Messages[0].ActiveEvents = {{"x012345", "1"}};
    monitor.Messages[0].DeactiveEvents = {{"1A54321", "2"}, {"x099999", "1"}};
    monitor.Messages[0].DeactiveEvents[1].UserNumber = 5;  // stale, cleared

    monitor.CommentRefresh();  // no document: nothing changes
    EXPECT_EQ(monitor.Messages[0].DeactiveEvents[1].UserNumber, 5);

    doc = &records;
    changes = 0;
    monitor.CommentRefresh();
    EXPECT_EQ(changes, 1);
    const TEvent& a = monitor.Messages[0].ActiveEvents[0];
    EXPECT_EQ(a.UserNumber, 9);  // record 1 has none, record 2 gives it
    EXPECT_EQ(a.User[0], "Flat 3");
    EXPECT_EQ(a.User[1], "Office");
    EXPECT_EQ(monitor.Messages[0].DeactiveEvents[0].UserNumber, 0);  // button 2 does not match 1
    EXPECT_EQ(monitor.Messages[0].DeactiveEvents[1].UserNumber, 0);
}

// ---- receptions ------------------------------------------------------------------------------

class Reception : public Monitor {
  protected:
    TMonitorTime now{{2024, 5, 6, 7, 8, 9}, std::chrono::steady_clock::time_point(1000s)};

    void SetUp() override {
        Monitor::SetUp();
        // Message i (from 0) is raised by transmitter 1A1000i, button 1, and cleared by
        // button 2 of the same transmitter.
        SetUpMessages({Message("M1"), Message("M2"), Message("M3"), Message("M4")});
        for (int i = 0; i < 4; ++i) {
            monitor.Messages[i].ActiveEvents = {{"x0" + Serial(i).substr(2), "1"}};
            monitor.Messages[i].DeactiveEvents = {{"x0" + Serial(i).substr(2), "2"}};
        }
    }
    static std::string Serial(int i) { return "1A1000" + std::to_string(i); }
    std::vector<TMonitorChange> On(int i) { return monitor.OnReception(Serial(i), "1", now); }
    std::vector<TMonitorChange> Off(int i) { return monitor.OnReception(Serial(i), "2", now); }
    std::vector<int> Rows() const {
        std::vector<int> r;
        for (const auto& m : monitor.Messages) r.push_back(m.Row);
        return r;
    }
};

TEST_F(Reception, ActivatesAndDeactivatesMessagesInListOrder) {
    using C = TMonitorChange;
    EXPECT_EQ(On(0), (std::vector<C>{{TAlarmAction::Activate, 0, TAlarmCause::Transmitter}}));
    On(2);
    On(1);
    EXPECT_EQ(Rows(), (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(monitor.ActiveCount(), 3);
    EXPECT_EQ(monitor.RowOrder(), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(monitor.Messages[0].ActivatedAt, now.wall);

    EXPECT_TRUE(On(0).empty());   // already active
    EXPECT_TRUE(Off(3).empty());  // not active
    EXPECT_EQ(Off(2), (std::vector<C>{{TAlarmAction::Deactivate, 2, TAlarmCause::Transmitter}}));
    EXPECT_EQ(Rows(), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_EQ(monitor.MessageAtRow(2), 1);
    EXPECT_EQ(monitor.MessageAtRow(3), -1);
    for (const auto& m : monitor.Messages) EXPECT_FALSE(m.Touched);
}

TEST_F(Reception, AMessageChangesAtMostOncePerReception) {
    // Both lists match the same reception; two Active events match as well.
    monitor.Messages[3].ActiveEvents = {{"x0BBBBB", "1"}, {"x0BBBBB", "3"}};
    monitor.Messages[3].DeactiveEvents = {{"x0BBBBB", "1"}};
    auto c = monitor.OnReception("x0BBBBB", "1", now);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].action, TAlarmAction::Activate);
    EXPECT_EQ(sound.calls.size(), 0u);
    c = monitor.OnReception("x0BBBBB", "1", now);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].action, TAlarmAction::Deactivate);
    EXPECT_EQ(monitor.ActiveCount(), 0);

    // One reception may change several messages.
    monitor.Messages[0].ActiveEvents.push_back({"x0BBBBB", "1"});
    c = monitor.OnReception("x0BBBBB", "1", now);
    EXPECT_EQ(c.size(), 2u);
}

TEST_F(Reception, ButtonSetsAndInputTransmitters) {
    monitor.Messages[0].ActiveEvents = {{"x012345", "5"}};
    EXPECT_TRUE(monitor.OnReception("1A12345", "2", now).empty());   // no shared button
    EXPECT_EQ(monitor.OnReception("2B12345", "4", now).size(), 1u);  // only the serial key counts

    monitor.Messages[1].ActiveEvents = {{"A012345", "A=1,B=0"}};
    monitor.Messages[2].ActiveEvents = {{"A012345", "6"}};
    const auto c = monitor.OnReception("A012345", "6", now);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].message, 1);

    // "Nothing received" matches nothing, not even an event without a serial.
    monitor.Messages[3].ActiveEvents = {{"x000000", "0"}};
    EXPECT_TRUE(monitor.OnReception("0000000", "0", now).empty());
}

TEST_F(Reception, RepeatingSoundLastsWhileAnyActiveMessageAsksForIt) {
    monitor.Messages[0].Sound = kSoundPermanent;
    monitor.Messages[1].Sound = kSoundAlarm;
    monitor.Messages[2].Sound = kSoundFile;
    monitor.Messages[2].SoundFile = "/x/own.wav";
    monitor.Messages[3].Sound = kSoundPermanent;
    On(0);
    EXPECT_TRUE(sound.repeating);
    On(1);
    On(2);
    EXPECT_EQ(sound.Played(), (std::vector<int>{kSoundAlarm, kSoundFile}));
    EXPECT_EQ(sound.calls.back().file, "/x/own.wav");
    EXPECT_TRUE(sound.repeating);  // a newer one-shot does not end it
    Off(1);
    EXPECT_TRUE(sound.repeating);  // clearing another alarm does not silence this one
    On(3);
    Off(0);
    EXPECT_TRUE(sound.repeating);  // message 4 still asks for it
    Off(3);
    EXPECT_FALSE(sound.repeating);
}

TEST_F(Reception, PopUpWindowsTakeSlotsAcrossTheWorkArea) {
    monitor.workArea = {0, 0, 1024, 768};
    SetUpMessages({});
    for (int i = 0; i < 8; ++i) {
        TMonitorData m = Message("W" + std::to_string(i));
        m.ShowWindow = i != 7;
        m.ActiveEvents = {{"x0A000" + std::to_string(i), "1"}};
        m.DeactiveEvents = {{"x0A000" + std::to_string(i), "2"}};
        monitor.Messages.push_back(m);
    }
    for (int i = 0; i < 6; ++i) monitor.OnReception("x0A000" + std::to_string(i), "1", now);
    const auto& slots = monitor.Slots().Slots();
    ASSERT_EQ(slots.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(slots[i].top, 10);
        EXPECT_EQ(slots[i].left, 10 + 200 * i);
        EXPECT_EQ(slots[i].message, i);
        EXPECT_EQ(monitor.Messages[i].Slot, i);
    }
    EXPECT_EQ(slots[5].top, 160);
    EXPECT_EQ(slots[5].left, 10);

    monitor.OnReception("x0A0002", "2", now);  // frees slot 2
    EXPECT_EQ(monitor.Messages[2].Slot, -1);
    EXPECT_EQ(slots[2].message, -1);
    monitor.OnReception("x0A0007", "1", now);  // no window, no slot
    EXPECT_EQ(monitor.Messages[7].Slot, -1);
    monitor.OnReception("x0A0006", "1", now);
    EXPECT_EQ(monitor.Messages[6].Slot, 2);  // the freed place again
    EXPECT_EQ(slots.size(), 6u);
}

TEST(WindowSlots, ASmallScreenWrapsRowsAndStartsAgainAtTheTop) {
    TWindowSlots s;
    const TWorkArea small{0, 0, 450, 330};
    std::vector<std::pair<int, int>> got;
    for (int i = 0; i < 6; ++i) {
        const int k = s.Take(i, small);
        got.emplace_back(s.Slot(k)->top, s.Slot(k)->left);
    }
    // Two fit across (10, 210; 410 + 200 > 450), two rows down (160 + 150 <= 330), then
    // the third row would leave the area: back to the corner.
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{
                       {10, 10}, {10, 210}, {160, 10}, {160, 210}, {10, 10}, {10, 210}}));

    // A work area that does not start at the screen's corner (a panel at the left).
    TWindowSlots moved;
    const TWorkArea area{100, 40, 420, 320};
    moved.Take(0, area);
    moved.Take(1, area);
    moved.Take(2, area);
    EXPECT_EQ(moved.Slot(0)->left, 110);
    EXPECT_EQ(moved.Slot(0)->top, 50);
    EXPECT_EQ(moved.Slot(1)->left, 310);
    EXPECT_EQ(moved.Slot(2)->left, 110);
    EXPECT_EQ(moved.Slot(2)->top, 200);

    s.MessageRemoved(1);
    EXPECT_EQ(s.Slot(1)->message, -1);
    EXPECT_EQ(s.Slot(2)->message, 1);
}

TEST_F(Reception, MarksAndDeactivationByHand) {
    On(0);
    On(1);
    On(2);
    monitor.ToggleMark(2);  // M2
    monitor.ToggleMark(7);  // no such row
    EXPECT_TRUE(monitor.Messages[1].Marked);
    monitor.SetSelectAll(true);
    EXPECT_TRUE(monitor.Messages[0].Marked && monitor.Messages[2].Marked);
    monitor.ToggleMark(1);  // unchecks "Select All" (unmarking all), then marks row 1
    EXPECT_FALSE(monitor.SelectAll());
    EXPECT_TRUE(monitor.Messages[0].Marked);
    EXPECT_FALSE(monitor.Messages[1].Marked || monitor.Messages[2].Marked);
    monitor.ToggleMark(3);

    const auto c = monitor.DeactivateMarked(now);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].message, 0);
    EXPECT_EQ(c[1].message, 2);
    EXPECT_EQ(c[0].cause, TAlarmCause::Hand);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_FALSE(monitor.Messages[1].Marked);

    // A message raised after "Select All" was checked is cleared by Exit all the same.
    monitor.SetSelectAll(true);
    On(3);
    const auto all = monitor.DeactivateAll(now);
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(monitor.ActiveCount(), 0);
    EXPECT_FALSE(monitor.SelectAll());
    for (const auto& ch : all) EXPECT_EQ(ch.cause, TAlarmCause::Exit);
}

TEST_F(Reception, EveryChangeReachesTheAlarmLog) {
    TAlarmLog log(dir.File("Alarms.dat"));
    monitor.alarmLog = &log;
    monitor.operatorName = "Eve";
    monitor.Messages[1].ActiveEvents = {{"A012345", "A=1,B=1"}};
    monitor.OnReception("A012345", "C", now);
    On(0);
    Off(0);
    monitor.ToggleMark(1);
    monitor.DeactivateMarked(now);
    On(2);
    monitor.DeactivateAll(now);

    std::vector<TAlarmEntry> got;
    ASSERT_EQ(log.ReadAll(got), 0);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0].Serial, "A012345");
    EXPECT_EQ(got[0].Buttons, "A=1,B=1");
    EXPECT_EQ(got[0].Text, "M2");
    EXPECT_EQ(got[0].Number, 2);
    EXPECT_EQ(got[0].Time, now.wall);
    EXPECT_EQ(got[2].Action, TAlarmAction::Deactivate);
    EXPECT_EQ(got[2].Cause, TAlarmCause::Transmitter);
    EXPECT_EQ(got[2].Operator, "");
    EXPECT_EQ(got[3].Cause, TAlarmCause::Hand);
    EXPECT_EQ(got[3].Operator, "Eve");
    EXPECT_EQ(got[3].Text, "M2");
    EXPECT_EQ(got[5].Cause, TAlarmCause::Exit);
    EXPECT_EQ(got[5].Operator, "Eve");

    // A log that cannot be written is reported once, and the alarms go on.
    TAlarmLog broken(dir.File("plain/Alarms.dat"));
    WriteText(dir.File("plain"), "x");
    monitor.alarmLog = &broken;
    On(0);
    Off(0);
    EXPECT_EQ(monitor.ActiveCount(), 0);
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpen});
}

TEST_F(Reception, ActivationAndDeactivationOneByOne) {
    EXPECT_TRUE(monitor.ActivateMessage(3, now));
    EXPECT_FALSE(monitor.ActivateMessage(3, now));  // already active
    EXPECT_FALSE(monitor.ActivateMessage(9, now));
    EXPECT_EQ(Rows(), (std::vector<int>{0, 0, 0, 1}));
    EXPECT_FALSE(monitor.DeactivateMessage(0, TAlarmCause::Hand, now));
    EXPECT_TRUE(monitor.DeactivateMessage(3, TAlarmCause::Hand, now));
    EXPECT_EQ(monitor.ActiveCount(), 0);
    // Nothing stays touched: the next reception may change them again.
    EXPECT_EQ(On(3).size(), 1u);
}

TEST_F(Reception, LoadingAnotherSetUpEndsTheAlarmsOfTheOldOne) {
    TAlarmLog log(dir.File("Alarms.dat"));
    monitor.alarmLog = &log;
    monitor.Messages[0].Sound = kSoundPermanent;
    monitor.Messages[0].ShowWindow = true;
    On(0);
    On(1);
    ASSERT_TRUE(sound.repeating);
    const std::string file = dir.File("n.mon");
    WriteText(file, kExample);
    ASSERT_TRUE(monitor.Load(file));
    EXPECT_EQ(monitor.ActiveCount(), 0);
    EXPECT_FALSE(sound.repeating);
    EXPECT_EQ(monitor.Slots().Slots().at(0).message, -1);
    EXPECT_TRUE(monitor.RowOrder().empty());
    std::vector<TAlarmEntry> got;
    ASSERT_EQ(log.ReadAll(got), 0);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[2].Cause, TAlarmCause::SetUp);
    EXPECT_EQ(got[3].Text, "M2");

    // While alarms are active, "Open monitoring ..." asks first; No keeps them.
    ASSERT_EQ(monitor.OnReception("1A12345", "3", now).size(), 1u);
    ui.answers = {TAnswer::No};
    EXPECT_FALSE(monitor.OpenMonitoring(chooser));
    EXPECT_EQ(monitor.ActiveCount(), 1);
    EXPECT_EQ(ui.messages.back().message, TMessage::Fixed(kEndAlarmsQuestion));
    EXPECT_TRUE(chooser.shown.empty());
}

TEST_F(Reception, RemovingAnActiveMessageTakesItsRowAndWindowPlace) {
    monitor.Messages[1].ShowWindow = true;
    monitor.Messages[2].ShowWindow = true;
    On(1);
    On(2);
    On(3);
    TAlarmLog log(dir.File("Alarms.dat"));
    monitor.alarmLog = &log;
    monitor.RemoveMessages({2});  // message 1, row 1
    std::vector<TAlarmEntry> got;
    ASSERT_EQ(log.ReadAll(got), 0);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Cause, TAlarmCause::Removed);
    EXPECT_EQ(got[0].Number, 2);
    ASSERT_EQ(monitor.Messages.size(), 3u);
    EXPECT_EQ(monitor.ActiveCount(), 2);
    EXPECT_EQ(monitor.RowOrder(), (std::vector<int>{1, 2}));
    EXPECT_EQ(monitor.Slots().Slots().at(0).message, -1);
    EXPECT_EQ(monitor.Slots().Slots().at(1).message, 1);  // followed its message down
    EXPECT_EQ(monitor.Messages[1].Slot, 1);
}

TEST_F(Reception, ALostLinkIsATroubleWithItsOwnSoundAndLogEntries) {
    TAlarmLog log(dir.File("Alarms.dat"));
    monitor.alarmLog = &log;
    struct TFollower : TAlarmListener {
        std::vector<TAlarmEntry> seen;
        void AlarmChanged(const TAlarmEntry& e) override { seen.push_back(e); }
    } follower;
    monitor.listeners.push_back(&follower);
    monitor.troubleSound = kSoundPermanent;
    On(0);
    monitor.LinkLost(now);
    monitor.LinkLost(now);  // already lost: nothing more
    EXPECT_TRUE(monitor.Trouble());
    EXPECT_EQ(monitor.TroubleSince(), now.wall);
    EXPECT_TRUE(sound.repeating);
    Off(0);  // the alarms go on meanwhile; the trouble's sound stays
    EXPECT_TRUE(sound.repeating);
    monitor.LinkRestored(now, 12.4);
    EXPECT_FALSE(monitor.Trouble());
    EXPECT_FALSE(sound.repeating);

    monitor.troubleSound = kSoundLongBeep;
    On(1);
    monitor.LinkLost(now);
    EXPECT_EQ(sound.Played().back(), kSoundLongBeep);
    // The end of a run ends the alarms and the trouble alike.
    EXPECT_EQ(monitor.DeactivateAll(now, TAlarmCause::End).size(), 1u);
    EXPECT_FALSE(monitor.Trouble());

    std::vector<TAlarmEntry> got;
    ASSERT_EQ(log.ReadAll(got), 0);
    std::vector<std::string> seen;
    for (const auto& e : got)
        seen.push_back(std::string(ActionName(e.Action)) + " " + CauseName(e.Cause) + " " +
                       std::to_string(e.Number));
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "activate transmitter 1", "trouble link lost 0", "deactivate transmitter 1",
                        "trouble link restored 12", "activate transmitter 2", "trouble link lost 0",
                        "deactivate end 2", "trouble end 0"}));
    EXPECT_EQ(got[1].Text, kLinkLostText);
    EXPECT_EQ(got[6].Operator, "");  // not the operator's doing
    EXPECT_EQ(follower.seen, got);
}

TEST_F(Reception, EventsOfInputTransmittersHoldTheInputCodeAndFire) {
    monitor.TargetMessage = 0;
    monitor.AddToActive = true;
    ASSERT_TRUE(monitor.AddEvent("A012345", "6", false));  // as a view's row gives it
    EXPECT_EQ(monitor.Messages[0].ActiveEvents.back().Buttons, "A=1,B=0");
    ASSERT_TRUE(monitor.AddEvent("A012345", "A=0,B=1", false));  // as the history gives it
    EXPECT_EQ(monitor.Messages[0].ActiveEvents.back().Buttons, "A=0,B=1");
    EXPECT_FALSE(monitor.AddEvent("A012345", "6", false));  // the same event again
    const auto c = monitor.OnReception("A012345", "6", now);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].message, 0);
}

TEST(Escalation, RepeatsAreDueOncePerFullRepeatTime) {
    const auto t0 = std::chrono::steady_clock::time_point(100s);
    EXPECT_EQ(RepeatsDue(t0, 30, t0 + 29s), 0);
    EXPECT_EQ(RepeatsDue(t0, 30, t0 + 30s), 1);
    EXPECT_EQ(RepeatsDue(t0, 30, t0 + 95s), 3);
    EXPECT_EQ(RepeatsDue(t0, 0, t0 + 95s), 0);
    EXPECT_EQ(RepeatsDue(t0, 30, t0 - 5s), 0);

    std::vector<TMonitorData> m(3);
    for (auto& x : m) {
        x.Row = 1;
        x.ActivatedTick = t0;
        x.RepeatTime = 10;
    }
    m[1].Row = 0;      // not active
    m[2].Repeats = 2;  // already repeated twice
    EXPECT_EQ(DueForRepeat(m, t0 + 25s), (std::vector<int>{0}));
    EXPECT_EQ(DueForRepeat(m, t0 + 30s), (std::vector<int>{0, 2}));
}

TEST_F(Reception, EscalationSoundsAgainUntilCleared) {
    monitor.Messages[0].RepeatTime = 60;
    monitor.Messages[0].Sound = kSoundShortBeep;
    monitor.Messages[1].RepeatTime = 60;
    monitor.Messages[1].Sound = kSoundPermanent;
    monitor.Messages[2].Sound = kSoundAlarm;  // no repeat time
    On(0);
    On(1);
    On(2);
    sound.calls.clear();
    auto later = [&](auto d) {
        TMonitorTime t = now;
        t.tick += d;
        return monitor.Escalate(t);
    };
    EXPECT_TRUE(later(59s).empty());
    EXPECT_EQ(later(60s), (std::vector<int>{0, 1}));
    EXPECT_TRUE(later(61s).empty());
    EXPECT_EQ(later(200s), (std::vector<int>{0, 1}));  // missed periods give one repeat
    EXPECT_TRUE(later(210s).empty());
    EXPECT_EQ(sound.Played(), (std::vector<int>{kSoundShortBeep, kSoundShortBeep}));
    monitor.OnReception(Serial(0), "2", now);
    EXPECT_EQ(later(400s), (std::vector<int>{1}));
}

}  // namespace
}  // namespace ravlin
