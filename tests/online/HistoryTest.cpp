// THistory: the file read and written byte for byte, additions, length, user
// information, sorting, and writes that fail or are killed.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <random>

#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "online/History.h"

namespace ravlin {
namespace {

using test::At;
using test::ReadAll;
using test::Record;
using test::WriteAll;

class History : public ::testing::Test {
  protected:
    History() : history(dir.File("History.dat"), texts, ui) { history.clock = &clock; }
    test::TTempDir dir;
    TTextTable texts = test::LogTexts();
    test::TRecordingUi ui;
    THistory history;
    test::TManualClock clock{At(2024, 5, 6, 7, 8, 9)};
    TLogTime& now = clock.now;
};

TEST_F(History, ReadsTheFileAndWritesItBackByteForByte) {
    const std::string file =
        "1ABCDE0#5#01.02.2008 13:45:10#1#7#Office#Flat 3###\r\n"
        "A012345#A=1,B=1#02.02.2008#0#0#####\r\n"
        "0012345#3#31.12.2023 23:59:59#0#-12#a b#c#d#e#\r\n";
    WriteAll(history.FileName(), file);
    ASSERT_TRUE(history.Load());
    ASSERT_EQ(history.Items().size(), 3u);
    const THistoryRec& r = history.Items()[0];
    EXPECT_EQ(r.Serial, "1ABCDE0");
    EXPECT_EQ(r.Button, "5");
    EXPECT_EQ(r.Time, At(2008, 2, 1, 13, 45, 10));
    EXPECT_TRUE(r.LowBatt);
    EXPECT_EQ(r.UserNumber, 7);
    EXPECT_EQ(r.User, (std::array<std::string, 4>{"Office", "Flat 3", "", ""}));
    EXPECT_EQ(history.Items()[1].Button, "A=1,B=1");
    EXPECT_EQ(history.Items()[1].Time, At(2008, 2, 2));
    EXPECT_FALSE(history.Items()[1].LowBatt);
    EXPECT_EQ(history.Items()[2].UserNumber, -12);
    ASSERT_TRUE(history.Save());
    EXPECT_EQ(ReadAll(history.FileName()), file);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(History, OddLinesAreReadAsFarAsTheyGo) {
    WriteAll(history.FileName(),
             "1111111#1#not a time#yes#x7#u1#u2#u3#u4#extra#tail\n"  // LF only, extra fields
             "\r\n"                                                  // empty: no record
             "2222222#2\n"                                           // no "#" after the button
             "no hash at all\r\n"
             "3333333#3#1.2.2008 3:04#1#12345678901#");  // no line end
    ASSERT_TRUE(history.Load());
    ASSERT_EQ(history.Items().size(), 4u);
    EXPECT_EQ(history.Items()[0].Time, kNoTime);
    EXPECT_EQ(history.Items()[0].TimeText, "not a time");
    EXPECT_FALSE(history.Items()[0].LowBatt);  // only "1" is low
    EXPECT_EQ(history.Items()[0].UserNumber, 0);
    EXPECT_EQ(history.Items()[0].User[3], "u4");
    EXPECT_EQ(history.Items()[1].Serial, "2222222");
    EXPECT_EQ(history.Items()[1].Button, "");  // text after the last "#" is ignored
    EXPECT_EQ(history.Items()[2].Serial, "");
    EXPECT_EQ(history.Items()[3].Time, At(2008, 2, 1, 3, 4, 0));
    EXPECT_EQ(history.Items()[3].UserNumber, 0);  // beyond 32 bits
    ASSERT_TRUE(history.Save());
    // An unreadable time goes back as it was read; everything else in the file's form.
    EXPECT_EQ(ReadAll(history.FileName()),
              "1111111#1#not a time#0#0#u1#u2#u3#u4#\r\n"
              "2222222###0#0#####\r\n"
              "###0#0#####\r\n"
              "3333333#3#01.02.2008 03:04:00#1#0#####\r\n");
}

TEST_F(History, MissingOrUnreadableFileGivesAnEmptyHistory) {
    history.EditItems().resize(2);
    EXPECT_FALSE(history.Load());
    EXPECT_TRUE(history.Items().empty());
    EXPECT_TRUE(ui.messages.empty());
    // Something that is no file is said to be refused.
    std::filesystem::create_directory(history.FileName());
    EXPECT_FALSE(history.Load());
    EXPECT_TRUE(history.Items().empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].message,
              TMessage::Lang(texts, Text::CannotOpen,
                             " - " + history.FileName() + ": not a regular file"));
}

TEST_F(History, AddKeepsTheNewestFirstWithinTheLength) {
    history.SetLength(3);
    const TRecordTable none;
    for (int i = 1; i <= 4; ++i) {
        now = At(2024, 1, i, 10);
        ASSERT_TRUE(history.Add(std::to_string(i) + "000000", "1", i == 2, none));
    }
    EXPECT_EQ(ReadAll(history.FileName()),
              "4000000#1#04.01.2024 10:00:00#0#0#####\r\n"
              "3000000#1#03.01.2024 10:00:00#0#0#####\r\n"
              "2000000#1#02.01.2024 10:00:00#1#0#####\r\n");
    // Length 0 and beyond 99 999 are not lengths.
    history.SetLength(0);
    EXPECT_EQ(history.Length(), 1);
    history.SetLength(1000000);
    EXPECT_EQ(history.Length(), 99999);
}

TEST_F(History, LoweringTheLengthTrimsOnlyWhenAsked) {
    const TRecordTable none;
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(history.Add("100000" + std::to_string(i), "1", false, none));
    history.SetLength(3);
    ASSERT_TRUE(history.Load());  // loading does not trim
    EXPECT_EQ(history.Items().size(), 10u);
    history.Trim();
    EXPECT_EQ(history.Items().size(), 3u);
    EXPECT_EQ(history.Items()[0].Serial, "1000009");
    EXPECT_EQ(history.Items()[2].Serial, "1000007");
    // The file follows at the next addition, which keeps the length.
    const std::string file = ReadAll(history.FileName());
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 10);
    ASSERT_TRUE(history.Add("2000000", "1", false, none));
    ASSERT_TRUE(history.Load());
    EXPECT_EQ(history.Items().size(), 3u);
    EXPECT_EQ(history.Items()[0].Serial, "2000000");
}

TEST_F(History, InputTransmittersStoreTheInputCodeTextAndFindNoUserInformation) {
    const TRecordTable table = {Record(1, "12345", "C", 5, "Gate")};
    ASSERT_TRUE(history.Add("A012345", "C", true, table));
    EXPECT_EQ(history.Items()[0].Button, "A=1,B=1");
    EXPECT_EQ(history.Items()[0].UserNumber, 0);
    EXPECT_EQ(history.Items()[0].User[0], "");
    ASSERT_TRUE(history.Add("A012345", "5", false, table));
    EXPECT_EQ(history.Items()[0].Button, "5");
    ASSERT_TRUE(history.Add("B012345", "C", false, table));
    EXPECT_EQ(history.Items()[0].Button, "C");
    EXPECT_EQ(history.Items()[0].User[0], "Gate");
}

TEST_F(History, UserInformationComesFromTheRecordsWhoseButtonMatches) {
    TRecordTable table = {
        Record(1, "BCDE0", "0", 9, "zero button"),  // "0" never matches
        Record(2, "BCDE0", "2", 8, "button 2"),     // shares no bit with 5
        Record(3, "BCDE0", "4", 0, "", "second", ""),
        Record(4, "BCDE0", "1", 7, "late", "ignored", "third"),
        Record(5, "BCDE1", "5", 6, "other serial"),
    };
    TData empty = Record(6, "BCDE0", "5", 99, "cleared slot");
    empty.Empty = true;
    table.push_back(empty);
    ASSERT_TRUE(history.Add("1ABCDE0", "5", false, table));
    const THistoryRec& r = history.Items()[0];
    EXPECT_EQ(r.UserNumber, 7);
    EXPECT_EQ(r.User, (std::array<std::string, 4>{"late", "second", "third", ""}));

    ASSERT_TRUE(history.Add("1ABCDE0", "0", false, table));
    EXPECT_EQ(history.Items()[0].UserNumber, 0);

    // The document changes: every record's information afresh, and the file written.
    table[3].User1 = "renamed";
    table[1].Button = "5";
    ASSERT_TRUE(history.RefreshUserInfo(table));
    EXPECT_EQ(history.Items()[1].UserNumber, 8);
    EXPECT_EQ(history.Items()[1].User[0], "button 2");
    ASSERT_TRUE(history.Load());
    EXPECT_EQ(history.Items()[1].User,
              (std::array<std::string, 4>{"button 2", "second", "third", ""}));
    EXPECT_EQ(history.Items()[0].UserNumber, 0);
}

TEST_F(History, ClearEmptiesTheFile) {
    const TRecordTable none;
    ASSERT_TRUE(history.Add("1234567", "1", false, none));
    ASSERT_TRUE(history.Clear());
    EXPECT_TRUE(history.Items().empty());
    EXPECT_TRUE(std::filesystem::exists(history.FileName()));
    EXPECT_EQ(ReadAll(history.FileName()), "");
}

TEST_F(History, PageColumnsAndCells) {
    const TUserFieldTitles titles = {"No.", "Name", "Flat", "Phone", "Note"};
    auto columns = HistoryColumns({true, true, false, false, true});
    ASSERT_EQ(columns.size(), 7u);
    std::vector<std::string> heads;
    for (auto c : columns) heads.push_back(HistoryTitle(c, texts, titles));
    EXPECT_EQ(heads,
              (std::vector<std::string>{"T28", "T29", "T216", "T169", "No.", "Name", "Note"}));

    THistoryRec r;
    r.Serial = "1234567";
    r.Button = "3";
    r.LowBatt = true;
    r.Time = At(2020, 3, 4);
    r.UserNumber = 42;
    r.User = {"a", "b", "c", "d"};
    std::vector<std::string> cells;
    for (auto c : columns) cells.push_back(HistoryCell(r, c, texts));
    EXPECT_EQ(cells,
              (std::vector<std::string>{"1234567", "3", "04.03.2020", "Low", "42", "a", "d"}));
    EXPECT_EQ(HistoryCellColour(r, THistoryField::Battery, texts), TCellColour::Red);
    EXPECT_EQ(HistoryCellColour(r, THistoryField::Serial, texts), TCellColour::Default);
    r.LowBatt = false;
    EXPECT_EQ(HistoryCell(r, THistoryField::Battery, texts), "OK");
    EXPECT_EQ(HistoryCellColour(r, THistoryField::Battery, texts), TCellColour::Default);
}

// The exchange sort of adjacent records the page has always used, as the reference.
THistoryList ExchangeSort(THistoryList v, THistoryField field, bool up) {
    for (size_t pass = 0; pass + 1 < v.size(); ++pass)
        for (size_t i = 0; i + 1 < v.size() - pass; ++i) {
            const int c = CompareHistory(v[i], v[i + 1], field);
            if (up ? c > 0 : c < 0) std::swap(v[i], v[i + 1]);
        }
    return v;
}

TEST_F(History, SortGivesTheOrderOfTheExchangeSortAndFollowsTheSelection) {
    std::mt19937 rng(5);
    const char* words[] = {"", "a", "B", "b", "\xE9t\xE9", "zz"};
    THistoryList items(300);
    for (size_t i = 0; i < items.size(); ++i) {
        THistoryRec& r = items[i];
        r.Serial = std::string(1, "12A\xC4"[rng() % 4]) + "00000" + std::to_string(rng() % 3);
        r.Button = rng() % 5 ? std::string(1, "0159C"[rng() % 5]) : "A=1,B=0";
        r.LowBatt = rng() % 2;
        r.Time = rng() % 10 ? At(2020, 1, 1 + static_cast<int>(rng() % 3), 0, 0,
                                 static_cast<int>(rng() % 2))
                            : kNoTime;
        r.UserNumber = static_cast<int32_t>(rng() % 5) - 2;
        for (auto& u : r.User) u = words[rng() % 6];
        r.TimeText = std::to_string(i);  // tells equal records apart
    }
    for (int f = 0; f <= static_cast<int>(THistoryField::User4); ++f)
        for (bool up : {true, false}) {
            const auto field = static_cast<THistoryField>(f);
            const auto expected = ExchangeSort(items, field, up);
            history.EditItems() = items;
            const int follow = static_cast<int>(rng() % items.size());
            const int moved = history.Sort(field, up, follow);
            ASSERT_EQ(history.Items().size(), expected.size());
            for (size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(history.Items()[i].TimeText, expected[i].TimeText)
                    << f << " " << up << " " << i;
            EXPECT_EQ(history.Items()[static_cast<size_t>(moved)].TimeText,
                      items[static_cast<size_t>(follow)].TimeText);
        }
    EXPECT_EQ(history.Sort(THistoryField::Time, true, -1), -1);
    // Character codes: bytes above 127 come after the letters.
    history.EditItems().resize(2);
    history.EditItems()[0].User[0] = "\xE9";
    history.EditItems()[1].User[0] = "z";
    history.Sort(THistoryField::User1, true);
    EXPECT_EQ(history.Items()[0].User[0], "z");
}

TEST_F(History, SortingAndTheNextAdditionWriteTheSortedOrder) {
    const TRecordTable none;
    for (const char* s : {"3000000", "1000000", "2000000"}) {
        now += 60;
        ASSERT_TRUE(history.Add(s, "1", false, none));
    }
    history.Sort(THistoryField::Serial, true);
    now += 60;
    ASSERT_TRUE(history.Add("0000009", "1", false, none));
    ASSERT_TRUE(history.Load());
    std::vector<std::string> serials;
    for (const auto& r : history.Items()) serials.push_back(r.Serial);
    EXPECT_EQ(serials, (std::vector<std::string>{"0000009", "1000000", "2000000", "3000000"}));
}

// A full history drops its oldest entry by time, also when a sort put it elsewhere.
TEST_F(History, AFullHistoryDropsTheOldestEntryWhateverTheOrder) {
    history.SetLength(3);
    const TRecordTable none;
    const std::pair<const char*, TLogTime> receptions[] = {{"2000000", At(2020, 1, 1, 10)},
                                                           {"1000000", At(2020, 1, 2, 10)},
                                                           {"3000000", At(2024, 5, 5, 10)}};
    for (auto [serial, time] : receptions) {
        now = time;
        ASSERT_TRUE(history.Add(serial, "1", false, none));
    }
    history.Sort(THistoryField::Serial, true);  // yesterday's 3000000 last
    now = At(2024, 5, 6, 7);
    ASSERT_TRUE(history.Add("4000000", "1", false, none));
    EXPECT_EQ(ReadAll(history.FileName()),
              "4000000#1#06.05.2024 07:00:00#0#0#####\r\n"
              "1000000#1#02.01.2020 10:00:00#0#0#####\r\n"
              "3000000#1#05.05.2024 10:00:00#0#0#####\r\n");
}

TEST_F(History, TheFileAlwaysHoldsTheListAfterAnyMixOfOperations) {
    // Additions update the file text in place; every other change formats it afresh.
    std::mt19937 rng(17);
    TRecordTable table = {Record(1, "00001", "1", 1, "one"), Record(2, "00002", "3", 2, "two")};
    history.SetLength(5);
    WriteAll(history.FileName(), "9999999#9#odd time#1#0#####\n8888888#8#01.01.2001#0#0#####\r\n");
    ASSERT_TRUE(history.Load());
    for (int step = 0; step < 300; ++step) {
        now += 37;
        bool saved = false;
        switch (rng() % 8) {
            case 0:
                history.Sort(static_cast<THistoryField>(rng() % 9), rng() % 2);
                break;
            case 1:
                history.SetLength(1 + static_cast<int>(rng() % 6));
                break;
            case 2:
                history.Trim();
                break;
            case 3:
                table[rng() % 2].User1 = "u" + std::to_string(step);
                ASSERT_TRUE(history.RefreshUserInfo(table));
                saved = true;
                break;
            default:
                ASSERT_TRUE(history.Add("00000" + std::to_string(rng() % 3),
                                        std::to_string(rng() % 4), rng() % 2, table));
                saved = true;
        }
        // After every write the file holds exactly the list as it is.
        if (saved) {
            ASSERT_EQ(ReadAll(history.FileName()), THistory::FormatText(history.Items())) << step;
        }
    }
    ASSERT_TRUE(history.Add("1234567", "1", false, table));
    EXPECT_EQ(ReadAll(history.FileName()), THistory::FormatText(history.Items()));
    EXPECT_TRUE(ui.messages.empty());
}

// Writes fail as on a full disk while this lives.
class TFullDisk {
  public:
    TFullDisk() {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = 10;
        ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFullDisk() { ::setrlimit(RLIMIT_FSIZE, &old_); }

  private:
    rlimit old_{};
};

TEST_F(History, AFailedWriteKeepsThePreviousFileAndTheReception) {
    const TRecordTable none;
    ASSERT_TRUE(history.Add("1111111", "1", false, none));
    const std::string before = ReadAll(history.FileName());
    {
        TFullDisk full;
        EXPECT_FALSE(history.Add("2222222", "2", true, none));
    }
    EXPECT_EQ(ReadAll(history.FileName()), before);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].message,
              TMessage::Lang(texts, Text::CannotOpen, " - " + history.FileName()));
    EXPECT_EQ(history.Items().size(), 2u);
    EXPECT_TRUE(history.Unsaved());
    // No temporary file is left behind (the lock file stays beside the file).
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path()))
        if (e.path().filename() != ".History.dat.lock") ++files;
    EXPECT_EQ(files, 1);
    // Showing the page again writes what the file lacks instead of dropping it.
    ASSERT_TRUE(history.Reload());
    ASSERT_EQ(history.Items().size(), 2u);
    EXPECT_EQ(history.Items()[0].Serial, "2222222");
    EXPECT_FALSE(history.Unsaved());
    // A failed Clear leaves file and list.
    {
        TFullDisk full;
        history.Add("3333333", "3", false, none);
    }
    ui.messages.clear();
    std::filesystem::remove(history.FileName());
    std::filesystem::create_directory(history.FileName());
    EXPECT_FALSE(history.Clear());
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpen});
    EXPECT_EQ(history.Items().size(), 3u);
}

TEST_F(History, AFileReplacedByAnotherWriterIsReadBeforeTheNextAddition) {
    const TRecordTable none;
    THistory other(history.FileName(), texts, ui);
    ASSERT_FALSE(history.Load());
    ASSERT_FALSE(other.Load());
    ASSERT_TRUE(history.Add("1111111", "1", false, none));
    ASSERT_TRUE(other.Add("2222222", "2", false, none));
    ASSERT_TRUE(history.Add("3333333", "3", false, none));
    ASSERT_TRUE(history.Load());
    std::vector<std::string> serials;
    for (const auto& r : history.Items()) serials.push_back(r.Serial);
    EXPECT_EQ(serials, (std::vector<std::string>{"3333333", "2222222", "1111111"}));
}

TEST_F(History, AKilledWriterLeavesAWholeFile) {
    // A long history makes each rewrite take a while; the writer is killed at random moments.
    constexpr int kRecords = 20000;
    {
        THistoryList items(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            items[static_cast<size_t>(i)].Serial = "1000000";
            items[static_cast<size_t>(i)].Button = "1";
            items[static_cast<size_t>(i)].Time = now;
        }
        WriteAll(history.FileName(), THistory::FormatText(items));
    }
    std::mt19937 rng(11);
    for (int round = 0; round < 6; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            test::TRecordingUi quiet;
            THistory writer(history.FileName(), texts, quiet);
            writer.SetLength(THistory::kMaxLength);
            writer.Load();
            const TRecordTable none;
            for (;;) writer.Add("2000000", "2", true, none);
        }
        ::usleep(20000 + rng() % 150000);
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        const std::string text = ReadAll(history.FileName());
        ASSERT_FALSE(text.empty());
        ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
        THistoryList read;
        THistory::ParseText(text, read);
        ASSERT_GE(read.size(), static_cast<size_t>(kRecords));
        EXPECT_EQ(THistory::FormatText(read), text);  // every line whole
        EXPECT_EQ(read.back().Serial, "1000000");
    }
}

}  // namespace
}  // namespace ravlin
