// TBatt: state changes, ignored input transmitters, the file byte for byte, sorting by
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
    Battery() : batt(dir.File("LowBatt.dat"), texts, ui) {
        batt.clock = [this] { return now; };
    }
    std::vector<std::string> Serials() const {
        std::vector<std::string> s;
        for (const auto& e : batt.Items) s.push_back(e.Serial);
        return s;
    }
    test::TTempDir dir;
    PopisType texts = test::LogTexts();
    test::TRecordingUi ui;
    TBatt batt;
    TLogTime now = At(2024, 5, 6, 7, 8, 9);
    const TRecordTable none;
};

TEST_F(Battery, LowGoodGoodLowIsOneEntryWithItsStates) {
    EXPECT_EQ(batt.Update("1ABCDE0", true, none), TBattChange::Added);
    EXPECT_EQ(batt.Items.at(0).State, TLowBatt::Low);
    now += 10;
    EXPECT_EQ(batt.Update("1ABCDE0", false, none), TBattChange::BecameChanged);
    EXPECT_EQ(batt.Items.at(0).State, TLowBatt::Changed);
    now += 10;
    EXPECT_EQ(batt.Update("1ABCDE0", false, none), TBattChange::Reported);
    EXPECT_EQ(batt.Items.at(0).State, TLowBatt::Changed);
    now += 10;
    EXPECT_EQ(batt.Update("1ABCDE0", true, none), TBattChange::BecameLow);
    ASSERT_EQ(batt.Items.size(), 1u);
    EXPECT_EQ(batt.Items[0].State, TLowBatt::Low);
    EXPECT_EQ(batt.Items[0].Time, now);  // the last report in any state
    EXPECT_EQ(ReadAll(batt.FileName()), "1ABCDE0#0#06.05.2024 07:08:39#0#####\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Battery, GoodReportsOfUnknownTransmittersAddNothingButTheFileIsWritten) {
    EXPECT_EQ(batt.Update("1234567", false, none), TBattChange::NotLogged);
    EXPECT_TRUE(batt.Items.empty());
    EXPECT_TRUE(std::filesystem::exists(batt.FileName()));
    EXPECT_EQ(ReadAll(batt.FileName()), "");
}

TEST_F(Battery, InputTransmittersAreIgnoredEntirely) {
    EXPECT_EQ(batt.Update("A012345", true, none), TBattChange::Ignored);
    EXPECT_TRUE(batt.Items.empty());
    EXPECT_FALSE(std::filesystem::exists(batt.FileName()));
}

TEST_F(Battery, ReadsTheFileAndWritesItBackByteForByte) {
    const std::string file =
        "1ABCDE0#0#01.02.2008 13:45:10#7#Office#Flat 3###\r\n"
        "2ABCDE0#1#02.02.2008#0#####\r\n"
        "3ABCDE0#2#31.12.2023 23:59:59#-4#a#b#c#d#\r\n";
    WriteAll(batt.FileName(), file);
    ASSERT_TRUE(batt.Load());
    ASSERT_EQ(batt.Items.size(), 3u);
    EXPECT_EQ(batt.Items[0].UserNumber, 7);
    EXPECT_EQ(batt.Items[0].User, (std::array<std::string, 4>{"Office", "Flat 3", "", ""}));
    EXPECT_EQ(batt.Items[1].State, TLowBatt::Changed);
    EXPECT_EQ(batt.Items[1].Time, At(2008, 2, 2));
    EXPECT_EQ(batt.Items[2].State, 2);  // any state but 0 shows as changed
    EXPECT_EQ(BatteryCell(batt.Items[2], TBattField::State, texts), "Changed");
    ASSERT_TRUE(batt.Save());
    EXPECT_EQ(ReadAll(batt.FileName()), file);

    WriteAll(batt.FileName(), "4444444#x#when#n#u1\n\n5555555");
    ASSERT_TRUE(batt.Load());
    ASSERT_EQ(batt.Items.size(), 2u);
    EXPECT_EQ(batt.Items[0].State, 0);
    EXPECT_EQ(batt.Items[0].TimeText, "when");
    EXPECT_EQ(batt.Items[1].Serial, "");
    ASSERT_TRUE(batt.Save());
    EXPECT_EQ(ReadAll(batt.FileName()), "4444444#0#when#0#####\r\n#0##0#####\r\n");
}

TEST_F(Battery, EntriesTakeUserInformationByTheSerialKeyAlone) {
    // The serial key of 1ABCDE0 is BCDE0.
    TRecordTable table = {Record(1, "BCDE0", "1", 0, "", "two"),
                          Record(2, "BCDE0", "8", 4, "one", "ignored", "three"),
                          Record(3, "ABCDE", "8", 9, "not the key")};
    EXPECT_EQ(batt.Update("1ABCDE0", true, table), TBattChange::Added);
    EXPECT_EQ(batt.Items[0].UserNumber, 4);
    EXPECT_EQ(batt.Items[0].User, (std::array<std::string, 4>{"one", "two", "three", ""}));
    table[1].UserID = 5;
    table[0].User2 = "";
    ASSERT_TRUE(batt.RefreshUserInfo(table));
    EXPECT_EQ(batt.Items[0].UserNumber, 5);
    EXPECT_EQ(batt.Items[0].User[1], "ignored");
    EXPECT_EQ(ReadAll(batt.FileName()), "1ABCDE0#0#06.05.2024 07:08:09#5#one#ignored#three##\r\n");
}

TEST_F(Battery, EveryReportSortsByTheSavedColumn) {
    batt.SortColumn = 0;
    batt.SortUp = false;
    for (const char* s : {"2000000", "3000000", "1000000"}) batt.Update(s, true, none);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"3000000", "2000000", "1000000"}));
    // The last entry of a serial counts when a hand-edited file holds it twice.
    batt.Items.push_back(batt.Items[0]);
    batt.Items.back().State = TLowBatt::Changed;
    batt.Update("3000000", true, none);
    EXPECT_EQ(batt.Items[0].State, TLowBatt::Low);
    EXPECT_EQ(batt.Items[1].State, TLowBatt::Low);
}

TEST_F(Battery, ASortColumnMeansTheUserFieldShownThere) {
    // User number hidden: the fourth column (3) shows User 1.
    batt.userColumns = {false, true, true, true, true};
    TRecordTable table = {Record(1, "00001", "1", 3, "b"), Record(2, "00002", "1", 1, "c"),
                          Record(3, "00003", "1", 2, "a")};
    for (const char* s : {"0000001", "0000002", "0000003"}) batt.Update(s, true, table);
    ASSERT_TRUE(batt.PressHeader(3));
    EXPECT_EQ(batt.SortColumn, 3);
    EXPECT_TRUE(batt.SortUp);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000003", "0000001", "0000002"}));
    int follow = 0;
    ASSERT_TRUE(batt.PressHeader(3, &follow));
    EXPECT_FALSE(batt.SortUp);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000002", "0000001", "0000003"}));
    EXPECT_EQ(follow, 2);
    // All user fields shown: column 3 is the user number.
    batt.userColumns = kAllUserFields;
    ASSERT_TRUE(batt.Sort(3, true));
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000002", "0000003", "0000001"}));
    // A column the page does not have leaves the order, and the file is still written.
    std::filesystem::remove(batt.FileName());
    ASSERT_TRUE(batt.Sort(12, true));
    EXPECT_EQ(Serials(), (std::vector<std::string>{"0000002", "0000003", "0000001"}));
    EXPECT_TRUE(std::filesystem::exists(batt.FileName()));
}

int Compare(const TLowBatt& a, const TLowBatt& b, TBattField f) {
    return CompareBattery(a, b, f);
}

TEST_F(Battery, SortGivesTheOrderOfTheExchangeSort) {
    std::mt19937 rng(3);
    std::vector<TLowBatt> items(200);
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
            batt.Items = items;
            ASSERT_TRUE(batt.Sort(static_cast<int>(column), up));
            for (size_t i = 0; i < items.size(); ++i)
                ASSERT_EQ(batt.Items[i].TimeText, expected[i].TimeText) << column << " " << up;
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
    batt.SortColumn = 0;
    for (int i = 1; i <= 6; ++i) batt.Update(std::to_string(i) + "000000", true, none);
    batt.Update("2000000", false, none);
    batt.Update("5000000", false, none);
    TClearBoxes boxes;
    // Rows 2 to 4 of the page are the entries 1 to 3.
    boxes.Set(TClearBoxes::Selected, true);
    ASSERT_TRUE(batt.ClearButton(boxes, {1, 2, 3, 17}));
    EXPECT_EQ(boxes.Choice(), -1);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "5000000", "6000000"}));
    boxes.Set(TClearBoxes::Changed, true);
    ASSERT_TRUE(batt.ClearButton(boxes, {}));
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "6000000"}));
    ASSERT_TRUE(batt.Load());
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "6000000"}));
    ASSERT_TRUE(batt.ClearButton(boxes, {0}));  // nothing checked: nothing cleared
    EXPECT_EQ(batt.Items.size(), 2u);
    boxes.Set(TClearBoxes::All, true);
    ASSERT_TRUE(batt.ClearButton(boxes, {}));
    EXPECT_TRUE(batt.Items.empty());
    EXPECT_EQ(ReadAll(batt.FileName()), "");
}

TEST_F(Battery, PageColumnsAndColours) {
    const TUserFieldTitles titles = {"No.", "Name", "Flat", "Phone", "Note"};
    const auto columns = BatteryColumns({true, false, false, true, false});
    std::vector<std::string> heads;
    for (auto c : columns) heads.push_back(BatteryTitle(c, texts, titles));
    EXPECT_EQ(heads, (std::vector<std::string>{"T28", "T169", "T168", "No.", "Phone"}));
    TLowBatt e;
    e.Serial = "1234567";
    e.Time = At(2020, 1, 2, 3, 4, 5);
    e.User = {"a", "b", "c", "d"};
    std::vector<std::string> cells;
    for (auto c : columns) cells.push_back(BatteryCell(e, c, texts));
    EXPECT_EQ(cells, (std::vector<std::string>{"1234567", "Low", "02.01.2020 03:04:05", "0", "c"}));
    EXPECT_EQ(BatteryCellColour(e, TBattField::State, texts), TCellColour::Red);
    EXPECT_EQ(BatteryCellColour(e, TBattField::Serial, texts), TCellColour::Default);
    e.State = TLowBatt::Changed;
    EXPECT_EQ(BatteryCellColour(e, TBattField::State, texts), TCellColour::Green);
}

TEST_F(Battery, AFailedWriteKeepsThePreviousFileAndTheState) {
    batt.Update("1000000", true, none);
    const std::string before = ReadAll(batt.FileName());
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 5;
    ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool saved = true;
    const TBattChange change = batt.Update("1000000", false, none, &saved);
    const bool cleared = batt.ClearSelected({});
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(change, TBattChange::BecameChanged);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(cleared);
    EXPECT_EQ(ReadAll(batt.FileName()), before);
    EXPECT_EQ(ui.Ids(), (std::vector<int>{80, 80}));
    EXPECT_EQ(ui.messages[0].message.text, "T80 - " + batt.FileName());
    EXPECT_TRUE(batt.Unsaved());
    // The next change is written in full.
    batt.Update("2000000", true, none);
    EXPECT_EQ(ReadAll(batt.FileName()),
              "1000000#1#06.05.2024 07:08:09#0#####\r\n2000000#0#06.05.2024 07:08:09#0#####\r\n");
}

TEST_F(Battery, AFileReplacedByAnotherWriterIsReadBeforeTheNextReport) {
    TBatt other(batt.FileName(), texts, ui);
    batt.Load();
    other.Load();
    batt.Update("1000000", true, none);
    other.Update("2000000", true, none);
    batt.Update("1000000", false, none);
    EXPECT_EQ(Serials(), (std::vector<std::string>{"1000000", "2000000"}));
    EXPECT_EQ(batt.Items[0].State, TLowBatt::Changed);
}

}  // namespace
}  // namespace ravlin
