// TBatteryLog: state changes, ignored input transmitters, the file byte for byte, sorting by
// the page's columns, the clear choices and failed writes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <random>

#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "online/Battery.h"

namespace ravlin {
namespace {

using test::At;
using test::ReadAll;
using test::Record;
using test::WriteAll;

class Battery : public ::testing::Test {
  protected:
    Battery() : batteryLog(dir.File("LowBatt.dat"), texts, ui) { batteryLog.clock = &clock; }
    std::vector<std::string> Serials() const {
        std::vector<std::string> s;
        for (const auto& e : batteryLog.Items()) s.push_back(e.Serial);
        return s;
    }
    test::TTempDir dir;
    TTextTable texts = test::LogTexts();
    test::TRecordingUi ui;
    TBatteryLog batteryLog;
    test::TManualClock clock{At(2024, 5, 6, 7, 8, 9)};
    TLogTime& now = clock.now;
    const TRecordTable none;
};

TEST_F(Battery, LowGoodGoodLowIsOneEntryWithItsStates) {
    EXPECT_EQ(batteryLog.Update("1ABCDE0", true, none), TBatteryChange::Added);
    EXPECT_EQ(batteryLog.Items().at(0).State, TLowBatteryEntry::Low);
    now += 10;
    EXPECT_EQ(batteryLog.Update("1ABCDE0", false, none), TBatteryChange::BecameChanged);
    EXPECT_EQ(batteryLog.Items().at(0).State, TLowBatteryEntry::Changed);
    now += 10;
    EXPECT_EQ(batteryLog.Update("1ABCDE0", false, none), TBatteryChange::Reported);
    EXPECT_EQ(batteryLog.Items().at(0).State, TLowBatteryEntry::Changed);
    now += 10;
    EXPECT_EQ(batteryLog.Update("1ABCDE0", true, none), TBatteryChange::BecameLow);
    ASSERT_EQ(batteryLog.Items().size(), 1u);
    EXPECT_EQ(batteryLog.Items()[0].State, TLowBatteryEntry::Low);
    EXPECT_EQ(batteryLog.Items()[0].Time, now);  // the last report in any state
    EXPECT_EQ(ReadAll(batteryLog.FileName()), "1ABCDE0#0#06.05.2024 07:08:39#0#####\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Battery, GoodReportsOfUnknownTransmittersAddNothingButTheFileIsWritten) {
    EXPECT_EQ(batteryLog.Update("1234567", false, none), TBatteryChange::NotLogged);
    EXPECT_TRUE(batteryLog.Items().empty());
    EXPECT_TRUE(std::filesystem::exists(batteryLog.FileName()));
    EXPECT_EQ(ReadAll(batteryLog.FileName()), "");
}

TEST_F(Battery, InputTransmittersAreIgnoredEntirely) {
    EXPECT_EQ(batteryLog.Update("A012345", true, none), TBatteryChange::Ignored);
    EXPECT_TRUE(batteryLog.Items().empty());
    EXPECT_FALSE(std::filesystem::exists(batteryLog.FileName()));
}

TEST_F(Battery, ReadsTheFileAndWritesItBackByteForByte) {
    const std::string file =
        "1ABCDE0#0#01.02.2008 13:45:10#7#Office#Flat 3###\r\n"
        "2ABCDE0#1#02.02.2008#0#####\r\n"
        "3ABCDE0#2#31.12.2023 23:59:59#-4#a#b#c#d#\r\n";
    WriteAll(batteryLog.FileName(), file);
    ASSERT_TRUE(batteryLog.Load());
    ASSERT_EQ(batteryLog.Items().size(), 3u);
    EXPECT_EQ(batteryLog.Items()[0].UserNumber, 7);
    EXPECT_EQ(batteryLog.Items()[0].User, (std::array<std::string, 4>{"Office", "Flat 3", "", ""}));
    EXPECT_EQ(batteryLog.Items()[1].State, TLowBatteryEntry::Changed);
    EXPECT_EQ(batteryLog.Items()[1].Time, At(2008, 2, 2));
    EXPECT_EQ(batteryLog.Items()[2].State, 2);  // any state but 0 shows as changed
    EXPECT_EQ(BatteryCell(batteryLog.Items()[2], TBatteryField::Battery, texts), "Changed");
    ASSERT_TRUE(batteryLog.Save());
    EXPECT_EQ(ReadAll(batteryLog.FileName()), file);

    WriteAll(batteryLog.FileName(), "4444444#x#when#n#u1\n\n5555555");
    ASSERT_TRUE(batteryLog.Load());
    ASSERT_EQ(batteryLog.Items().size(), 2u);
    EXPECT_EQ(batteryLog.Items()[0].State, 0);
    EXPECT_EQ(batteryLog.Items()[0].TimeText, "when");
    EXPECT_EQ(batteryLog.Items()[1].Serial, "");
    ASSERT_TRUE(batteryLog.Save());
    EXPECT_EQ(ReadAll(batteryLog.FileName()), "4444444#0#when#0#####\r\n#0##0#####\r\n");
}

TEST_F(Battery, EntriesTakeUserInformationByTheSerialKeyAlone) {
    // The serial key of 1ABCDE0 is BCDE0.
    TRecordTable table = {Record(1, "BCDE0", "1", 0, "", "two"),
                          Record(2, "BCDE0", "8", 4, "one", "ignored", "three"),
                          Record(3, "ABCDE", "8", 9, "not the key")};
    EXPECT_EQ(batteryLog.Update("1ABCDE0", true, table), TBatteryChange::Added);
    EXPECT_EQ(batteryLog.Items()[0].UserNumber, 4);
    EXPECT_EQ(batteryLog.Items()[0].User, (std::array<std::string, 4>{"one", "two", "three", ""}));
    table[1].UserID = 5;
    table[0].User2 = "";
    ASSERT_TRUE(batteryLog.RefreshUserInfo(table));
    EXPECT_EQ(batteryLog.Items()[0].UserNumber, 5);
    EXPECT_EQ(batteryLog.Items()[0].User[1], "ignored");
    EXPECT_EQ(ReadAll(batteryLog.FileName()),
              "1ABCDE0#0#06.05.2024 07:08:09#5#one#ignored#three##\r\n");
}

TEST_F(Battery, EveryReportSortsByTheSavedColumn) {
    batteryLog.SortColumn = 0;
    batteryLog.SortUp = false;
    for (const char* s : {"2000000", "3000000", "1000000"}) batteryLog.Update(s, true, none);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"3000000", "2000000", "1000000"}));
    // The last entry of a serial counts when a hand-edited file holds it twice.
    batteryLog.EditItems().push_back(batteryLog.Items()[0]);
    batteryLog.EditItems().back().State = TLowBatteryEntry::Changed;
    batteryLog.Update("3000000", true, none);
    EXPECT_EQ(batteryLog.Items()[0].State, TLowBatteryEntry::Low);
    EXPECT_EQ(batteryLog.Items()[1].State, TLowBatteryEntry::Low);
}

TEST_F(Battery, ASortColumnMeansTheUserFieldShownThere) {
    // User number hidden: the fourth column (3) shows User 1.
    batteryLog.userColumns = {false, true, true, true, true};
    TRecordTable table = {Record(1, "00001", "1", 3, "b"), Record(2, "00002", "1", 1, "c"),
                          Record(3, "00003", "1", 2, "a")};
    for (const char* s : {"0000001", "0000002", "0000003"}) batteryLog.Update(s, true, table);
    ASSERT_TRUE(batteryLog.PressHeader(3));
    EXPECT_EQ(batteryLog.SortColumn, 3);
    EXPECT_TRUE(batteryLog.SortUp);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000003", "0000001", "0000002"}));
    int follow = 0;
    ASSERT_TRUE(batteryLog.PressHeader(3, &follow));
    EXPECT_FALSE(batteryLog.SortUp);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000002", "0000001", "0000003"}));
    EXPECT_EQ(follow, 2);
    // All user fields shown: column 3 is the user number.
    batteryLog.userColumns = kAllUserFields;
    ASSERT_TRUE(batteryLog.Sort(3, true));
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000002", "0000003", "0000001"}));
    // A column the page does not have leaves the order, and the file is still written.
    const TFileStamp before = TFileStamp::Of(batteryLog.FileName());
    ASSERT_TRUE(batteryLog.Sort(12, true));
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000002", "0000003", "0000001"}));
    EXPECT_FALSE(TFileStamp::Of(batteryLog.FileName()) == before);
}

int Compare(const TLowBatteryEntry& a, const TLowBatteryEntry& b, TBatteryField f) {
    return CompareBattery(a, b, f);
}

TEST_F(Battery, SortGivesTheOrderOfTheExchangeSort) {
    std::mt19937 rng(3);
    std::vector<TLowBatteryEntry> items(200);
    for (size_t i = 0; i < items.size(); ++i) {
        auto& e = items[i];
        e.Serial = "10000" + std::to_string(rng() % 4);
        e.State = static_cast<int32_t>(rng() % 3);
        e.Time = rng() % 8 ? At(2021, 1, 1, 0, 0, static_cast<int>(rng() % 3)) : kNoTime;
        e.UserNumber = static_cast<int32_t>(rng() % 4);
        for (auto& u : e.User) u = std::string(rng() % 3, 'a' + static_cast<char>(rng() % 2));
        e.TimeText = std::to_string(i);
    }
    const auto columns = BatteryColumns(kAllUserFields);
    for (size_t column = 0; column < columns.size(); ++column)
        for (bool up : {true, false}) {
            auto expected = items;
            for (size_t pass = 0; pass + 1 < expected.size(); ++pass)
                for (size_t i = 0; i + 1 < expected.size() - pass; ++i) {
                    const int c = Compare(expected[i], expected[i + 1], columns[column]);
                    if (up ? c > 0 : c < 0) std::swap(expected[i], expected[i + 1]);
                }
            batteryLog.EditItems() = items;
            ASSERT_TRUE(batteryLog.Save());
            ASSERT_TRUE(batteryLog.Sort(static_cast<int>(column), up));
            for (size_t i = 0; i < items.size(); ++i)
                ASSERT_EQ(batteryLog.Items()[i].TimeText, expected[i].TimeText)
                    << column << " " << up;
        }
}

TEST_F(Battery, ClearChoicesExcludeEachOther) {
    TClearBoxes boxes;
    boxes.Set(TClearBoxes::Selected, true);
    boxes.Set(TClearBoxes::All, true);
    EXPECT_EQ(boxes.checked, (std::array<bool, 3>{false, false, true}));
    EXPECT_EQ(boxes.Choice(), TClearBoxes::All);
    boxes.Set(TClearBoxes::All, false);
    EXPECT_EQ(boxes.Choice(), -1);
}

TEST_F(Battery, ClearSelectedChangedAndAll) {
    batteryLog.SortColumn = 0;
    for (int i = 1; i <= 6; ++i) batteryLog.Update(std::to_string(i) + "000000", true, none);
    batteryLog.Update("2000000", false, none);
    batteryLog.Update("5000000", false, none);
    TClearBoxes boxes;
    // Rows 2 to 4 of the page are the entries 1 to 3.
    boxes.Set(TClearBoxes::Selected, true);
    ASSERT_TRUE(batteryLog.ClearButton(boxes, {1, 2, 3, 17}));
    EXPECT_EQ(boxes.Choice(), -1);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "5000000", "6000000"}));
    boxes.Set(TClearBoxes::Changed, true);
    ASSERT_TRUE(batteryLog.ClearButton(boxes, {}));
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "6000000"}));
    ASSERT_TRUE(batteryLog.Load());
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "6000000"}));
    ASSERT_TRUE(batteryLog.ClearButton(boxes, {0}));  // nothing checked: nothing cleared
    EXPECT_EQ(batteryLog.Items().size(), 2u);
    boxes.Set(TClearBoxes::All, true);
    ASSERT_TRUE(batteryLog.ClearButton(boxes, {}));
    EXPECT_TRUE(batteryLog.Items().empty());
    EXPECT_EQ(ReadAll(batteryLog.FileName()), "");
}

TEST_F(Battery, PageColumnsAndColours) {
    const TUserFieldTitles titles = {"No.", "Name", "Flat", "Phone", "Note"};
    const auto columns = BatteryColumns({true, false, false, true, false});
    std::vector<std::string> heads;
    for (auto c : columns) heads.push_back(BatteryTitle(c, texts, titles));
    EXPECT_EQ(heads, (std::vector<std::string>{"T28", "T169", "T168", "No.", "Phone"}));
    TLowBatteryEntry e;
    e.Serial = "1234567";
    e.Time = At(2020, 1, 2, 3, 4, 5);
    e.User = {"a", "b", "c", "d"};
    std::vector<std::string> cells;
    for (auto c : columns) cells.push_back(BatteryCell(e, c, texts));
    EXPECT_EQ(cells, (std::vector<std::string>{"1234567", "Low", "02.01.2020 03:04:05", "0", "c"}));
    EXPECT_EQ(BatteryCellColour(e, TBatteryField::Battery, texts), TCellColour::Red);
    EXPECT_EQ(BatteryCellColour(e, TBatteryField::Serial, texts), TCellColour::Default);
    e.State = TLowBatteryEntry::Changed;
    EXPECT_EQ(BatteryCellColour(e, TBatteryField::Battery, texts), TCellColour::Green);
}

TEST_F(Battery, AFailedWriteKeepsThePreviousFileAndTheState) {
    batteryLog.Update("1000000", true, none);
    const std::string before = ReadAll(batteryLog.FileName());
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 5;
    ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool saved = true;
    const TBatteryChange change = batteryLog.Update("1000000", false, none, &saved);
    const bool cleared = batteryLog.ClearSelected({});
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(change, TBatteryChange::BecameChanged);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(cleared);
    EXPECT_EQ(ReadAll(batteryLog.FileName()), before);
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::CannotOpen, Text::CannotOpen}));
    EXPECT_EQ(ui.messages[0].message.text, "T80 - " + batteryLog.FileName());
    EXPECT_TRUE(batteryLog.Unsaved());
    // The next change is written in full.
    batteryLog.Update("2000000", true, none);
    EXPECT_EQ(ReadAll(batteryLog.FileName()),
              "1000000#1#06.05.2024 07:08:09#0#####\r\n2000000#0#06.05.2024 07:08:09#0#####\r\n");
}

TEST_F(Battery, AFileReplacedByAnotherWriterIsReadBeforeTheNextReport) {
    TBatteryLog other(batteryLog.FileName(), texts, ui);
    batteryLog.Load();
    other.Load();
    batteryLog.Update("1000000", true, none);
    other.Update("2000000", true, none);
    batteryLog.Update("1000000", false, none);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "2000000"}));
    EXPECT_EQ(batteryLog.Items()[0].State, TLowBatteryEntry::Changed);
}

}  // namespace
}  // namespace ravlin
