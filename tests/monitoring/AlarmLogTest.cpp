#include <gtest/gtest.h>

#include "../records/RecordTestUtil.h"
#include "monitoring/AlarmLog.h"

namespace ravlin {
namespace {

using test::ReadText;
using test::WriteText;

TAlarmEntry Entry(int day, TAlarmAction a, TAlarmCause c, const std::string& text) {
    TAlarmEntry e;
    e.Time = {2024, 3, day, 23, 59, 1};
    e.Action = a;
    e.Cause = c;
    e.Number = day;
    e.Text = text;
    if (c == TAlarmCause::Transmitter) {
        e.Serial = "1A12345";
        e.Buttons = "3";
    } else {
        e.Operator = "Jan";
    }
    return e;
}

TEST(AlarmLog, LineFormat) {
    auto e = Entry(5, TAlarmAction::Deactivate, TAlarmCause::Hand, "Door #2 open");
    EXPECT_EQ(FormatAlarmLine(e), "05.03.2024 23:59:01#deactivate#hand#5###Jan#Door #2 open#\r\n");
    e.Time = {2024, 3, 5, 0, 0, 0};  // midnight keeps its time: every line reads alike
    e.Operator = "A#B\r\nC";
    EXPECT_EQ(FormatAlarmLine(e),
              "05.03.2024 00:00:00#deactivate#hand#5###A B  C#Door #2 open#\r\n");
    const auto back =
        ParseAlarmLine("05.03.2024 00:00:00#deactivate#hand#5###A B  C#Door #2 open#");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Text, "Door #2 open");  // the text field keeps its "#"
    EXPECT_EQ(back->Operator, "A B  C");
}

TEST(AlarmLog, AppendsAndReadsBackEverything) {
    test::TTempDir dir;
    TAlarmLog log(dir.File("Alarms.dat"));
    std::vector<TAlarmEntry> all;
    EXPECT_EQ(log.ReadAll(all), 0);  // no file yet
    EXPECT_TRUE(all.empty());

    const std::vector<TAlarmEntry> first = {
        Entry(1, TAlarmAction::Activate, TAlarmCause::Transmitter, "Fire \xE9t\xE9"),
        Entry(2, TAlarmAction::Deactivate, TAlarmCause::Transmitter, "Fire")};
    const std::vector<TAlarmEntry> second = {
        Entry(3, TAlarmAction::Deactivate, TAlarmCause::Exit, "")};
    ASSERT_EQ(log.Append(first), 0);
    ASSERT_EQ(log.Append(second), 0);
    ASSERT_EQ(log.Append({}), 0);
    ASSERT_EQ(log.ReadAll(all), 0);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], first[0]);
    EXPECT_EQ(all[1], first[1]);
    EXPECT_EQ(all[2], second[0]);
    const std::string text = ReadText(log.Path());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(AlarmLog, DamagedLinesAreSkippedAndAppendingGoesOnAfterThem) {
    test::TTempDir dir;
    TAlarmLog log(dir.File("Alarms.dat"));
    WriteText(log.Path(),
              "01.03.2024 10:00:00#activate#transmitter#1#x012345#3##Ok#\r\n"
              "garbage\r\n"
              "32.03.2024 10:00:00#activate#transmitter#1#x#3##bad date#\r\n"
              "01.03.2024 10:00:00#explode#transmitter#1#x#3##bad action#\r\n"
              "01.03.2024 10:00:00#activate#nobody#1#x#3##bad cause#\r\n"
              "01.03.2024 10:00:00#activate#hand#-1#x#3##bad number#\r\n"
              "\r\n"
              "01.03.2024 10:00:00#activate#hand#2#x#3##cut off");  // no end: still read
    const auto entry = Entry(4, TAlarmAction::Activate, TAlarmCause::Transmitter, "New");
    ASSERT_EQ(log.Append({entry}), 0);
    std::vector<TAlarmEntry> all;
    size_t skipped = 0;
    ASSERT_EQ(log.ReadAll(all, &skipped), 0);
    EXPECT_EQ(skipped, 5u);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Text, "Ok");
    EXPECT_EQ(all[1].Text, "cut off");
    EXPECT_EQ(all[2], entry);
}

TEST(AlarmLog, FullFilesAreNumberedAndTheOldestGoUnderTheBound) {
    test::TTempDir dir;
    // A file left by a program that kept one previous file is the oldest numbered one.
    const auto old = Entry(1, TAlarmAction::Activate, TAlarmCause::Transmitter, "x");
    WriteText(dir.File("Alarms.1.dat"), FormatAlarmLine(old));
    const size_t line = FormatAlarmLine(old).size();
    const size_t fileBytes = 2 * line, total = 5 * line;
    TAlarmLog log(dir.File("Alarms.dat"), total, fileBytes);
    std::vector<TAlarmEntry> all;
    ASSERT_EQ(log.Append({Entry(2, TAlarmAction::Activate, TAlarmCause::Transmitter, "x")}), 0);
    ASSERT_EQ(log.ReadAll(all), 0);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all.front().Number, 1);  // the numbered file first

    for (int d = 3; d <= 20; ++d)
        ASSERT_EQ(log.Append({Entry(d, TAlarmAction::Activate, TAlarmCause::Transmitter, "x")}), 0);
    const std::vector<long> numbers = log.Numbers();
    ASSERT_FALSE(numbers.empty());
    uint64_t numbered = 0;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i) {
            EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
        }
        numbered += ReadText(log.NumberedPath(numbers[i])).size();
    }
    EXPECT_GT(numbers.back(), 1);
    EXPECT_LE(numbered + fileBytes, total);
    EXPECT_LE(ReadText(log.Path()).size(), fileBytes);
    // What is kept is the newest part of the log, in order.
    ASSERT_EQ(log.ReadAll(all), 0);
    ASSERT_GE(all.size(), 3u);
    for (size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].Number, 20 - static_cast<int>(all.size() - 1 - i));
}

TEST(AlarmLog, TroublesAndEndsReadBack) {
    TAlarmEntry e;
    e.Time = {2024, 3, 5, 8, 0, 0};
    e.Action = TAlarmAction::Trouble;
    e.Cause = TAlarmCause::LinkRestored;
    e.Number = 17;
    e.Text = kLinkRestoredText;
    EXPECT_EQ(FormatAlarmLine(e), "05.03.2024 08:00:00#trouble#link restored#17####" +
                                      std::string(kLinkRestoredText) + "#\r\n");
    for (TAlarmCause c : {TAlarmCause::SetUp, TAlarmCause::Removed, TAlarmCause::End,
                          TAlarmCause::LinkLost, TAlarmCause::Exit}) {
        e.Cause = c;
        const std::string line = FormatAlarmLine(e);
        EXPECT_EQ(ParseAlarmLine(line.substr(0, line.size() - 2)), e) << line;
    }
}

TEST(AlarmLog, OpenEntriesAreThoseWithoutTheirEnd) {
    using A = TAlarmAction;
    using C = TAlarmCause;
    struct TCase {
        A action;
        C cause;
        int number;
        bool open;
    };
    // Message 1 ends; 2 is activated twice (a run that never ended, then one that did);
    // 3 stays; the first outage ends, the second does not.
    const TCase cases[] = {
        {A::Activate, C::Transmitter, 1, false}, {A::Activate, C::Transmitter, 2, true},
        {A::Trouble, C::LinkLost, 0, false},     {A::Deactivate, C::Hand, 1, false},
        {A::Trouble, C::LinkRestored, 4, false}, {A::Activate, C::Transmitter, 2, false},
        {A::Activate, C::Transmitter, 3, true},  {A::Deactivate, C::End, 2, false},
        {A::Trouble, C::LinkLost, 0, true},
    };
    std::vector<TAlarmEntry> entries;
    for (const TCase& c : cases) {
        TAlarmEntry e;
        e.Action = c.action;
        e.Cause = c.cause;
        e.Number = c.number;
        entries.push_back(e);
    }
    const std::vector<bool> open = OpenEntries(entries);
    for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(open[i], cases[i].open) << i;
}

TEST(AlarmLog, AFailedAppendLeavesTheFileAsItWas) {
    test::TTempDir dir;
    TAlarmLog log(dir.File("sub/Alarms.dat"));
    const auto e = Entry(1, TAlarmAction::Activate, TAlarmCause::Transmitter, "x");
    ASSERT_EQ(log.Append({e}), 0);  // the folder is made
    const std::string before = ReadText(log.Path());

    TAlarmLog folder(dir.path());  // a folder where the file should be
    EXPECT_NE(folder.Append({e}), 0);
    std::vector<TAlarmEntry> all;
    EXPECT_NE(folder.ReadAll(all), 0);

    WriteText(dir.File("plain"), "x");
    TAlarmLog blocked(dir.File("plain/Alarms.dat"));
    EXPECT_NE(blocked.Append({e}), 0);
    EXPECT_EQ(ReadText(log.Path()), before);
}

TEST(AlarmLogWriter, WritesInOrderOnItsOwnThread) {
    test::TTempDir dir;
    std::vector<TAlarmEntry> sent;
    {
        TAlarmLogWriter writer(dir.File("Alarms.dat"), 4000, 1000);
        for (int i = 0; i < 120; ++i) {
            auto e = Entry(1 + i % 28, TAlarmAction::Activate, TAlarmCause::Transmitter, "x");
            e.Number = i;
            sent.push_back(e);
            EXPECT_EQ(writer.Record({e}), 0);
        }
        EXPECT_EQ(writer.Flush(), 0);
        auto e = Entry(1, TAlarmAction::Deactivate, TAlarmCause::Exit, "last");
        sent.push_back(e);
        writer.Record({e});
    }  // the destructor writes what is queued
    TAlarmLog log(dir.File("Alarms.dat"), 4000, 1000);
    std::vector<TAlarmEntry> all;
    ASSERT_EQ(log.ReadAll(all), 0);
    // The bound keeps the newest files (a batch is never split, so a file may hold more
    // than its size): what they hold is the tail of what was sent.
    ASSERT_GE(all.size(), 20u);
    ASSERT_LE(all.size(), sent.size());
    EXPECT_TRUE(std::equal(all.begin(), all.end(), sent.end() - all.size()));
}

TEST(AlarmLogWriter, AFailedWriteIsReportedAtTheNextCall) {
    test::TTempDir dir;
    WriteText(dir.File("plain"), "x");
    TAlarmLogWriter writer(dir.File("plain/Alarms.dat"));
    const auto e = Entry(1, TAlarmAction::Activate, TAlarmCause::Transmitter, "x");
    EXPECT_EQ(writer.Record({e}), 0);
    EXPECT_NE(writer.Flush(), 0);
    EXPECT_EQ(writer.Flush(), 0);  // reported once
    // The next failure shows at the next call, whichever comes first, and only there.
    EXPECT_EQ(writer.Record({e}), 0);
    const int atRecord = writer.Record({});
    const int atFlush = writer.Flush();
    EXPECT_TRUE((atRecord != 0) != (atFlush != 0)) << atRecord << " " << atFlush;
}

TEST(DateTime, FormatsAndReadsBothDateForms) {
    EXPECT_EQ(FormatDateTime({2008, 2, 1, 13, 45, 10}, true), "01.02.2008 13:45:10");
    EXPECT_EQ(FormatDateTime({2008, 2, 1, 0, 0, 0}, true), "01.02.2008");
    EXPECT_EQ(FormatDateTime({2008, 2, 1, 0, 0, 0}, false), "01.02.2008 00:00:00");
    EXPECT_EQ(ParseDateTime("01.02.2008"), (TDateTime{2008, 2, 1, 0, 0, 0}));
    EXPECT_EQ(ParseDateTime("2008-02-01T13:45"), (TDateTime{2008, 2, 1, 13, 45, 0}));
    EXPECT_EQ(ParseDateTime("2008-02-01 13:45:10"), (TDateTime{2008, 2, 1, 13, 45, 10}));
    EXPECT_EQ(ParseDateTime("29.02.2024"), (TDateTime{2024, 2, 29, 0, 0, 0}));
    for (const char* bad :
         {"", "29.02.2023", "2008-2-1", "01.02.2008 24:00", "01.02.2008 1:00",
          "01.02.2008 10:00:", "01.02.2008 10:00:00x", "31.04.2008", "01.13.2008"})
        EXPECT_FALSE(ParseDateTime(bad)) << bad;
    EXPECT_LT((TDateTime{2008, 2, 1, 23, 0, 0}), (TDateTime{2008, 2, 2, 0, 0, 0}));
}

}  // namespace
}  // namespace ravlin
