#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "ViewsTestSupport.h"
#include "views/Find.h"
#include "views/ViewPages.h"

namespace ravlin::test {
namespace {

class FindInViews : public ::testing::Test {
  protected:
    void SetUp() override {
        table = {Record(1, "00012", "1", 5, "Anna", "Flat 3"),
                 Record(2, "000AB", "2", 120, "ABC", "Flat 12"), TData{},
                 Record(4, "00777", "1", 7, "abc", "Flat 4"),
                 Record(5, "00312", "3", 9, "Bert 12", "")};
        table[2].Position = 3;
        view = MakeFileView(table, texts, titles);
    }
    int Next(const TViewRows& rows) { return find.SearchNext(rows, ui, texts); }
    // Messages shown so far, as language texts.
    std::vector<Text> Shown() const {
        std::vector<Text> ids;
        for (const auto& m : ui.messages) ids.push_back(m.message.textId);
        return ids;
    }

    TTextTable texts = NumberedTexts();
    TUserTitles titles = {"No.", "Name", "Flat", "U3", "U4"};
    TRecordTable table;
    TFileView view;
    TFindState find;
    TRecordingUi ui;
};

// "12" in any column: every row holding it in turn, then the message and the top again.
TEST_F(FindInViews, AllColumnsFromTheTopThenNextThenTheTopAgain) {
    const TFileViewRows rows(view, table, texts, titles);
    ASSERT_TRUE(find.Confirm("12", 0));
    // Row 1: code B200012; row 2: user number 120; row 4: code B200312 and "Bert 12".
    EXPECT_EQ(Next(rows), 1);
    EXPECT_EQ(find.Position(TViewPage::File).column, view.layout.IndexOf(kind::Code));
    EXPECT_EQ(Next(rows), 2);
    EXPECT_EQ(find.Position(TViewPage::File).column, view.layout.IndexOf(kind::UserID));
    EXPECT_EQ(Next(rows), 4);  // further matches in the same row are skipped
    EXPECT_EQ(find.Position(TViewPage::File).nextRow, 5);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Next(rows), 0);
    EXPECT_EQ(Shown(), std::vector<Text>{Text::NoFurtherMatch});
    EXPECT_EQ(ui.messages[0].kind, TRecorded::Information);
    EXPECT_EQ(find.Position(TViewPage::File).nextRow, 1);
    EXPECT_EQ(Next(rows), 1);
}

TEST_F(FindInViews, ExactBytesAndChosenColumns) {
    const TFileViewRows rows(view, table, texts, titles);
    EXPECT_EQ(TFindState::ChoiceItems(rows, texts),
              (std::vector<std::string>{"Text145", "Text27", "Text28", "No.", "Name", "Flat", "U3",
                                        "U4"}));
    ASSERT_TRUE(find.Confirm("abc", 0));
    EXPECT_EQ(Next(rows), 3);  // not "ABC" in row 2
    // Choice 4 is User 1: "12" is found only in "Bert 12", not in the codes or numbers.
    ASSERT_TRUE(find.Confirm("12", 4));
    find.ResetPositions();
    EXPECT_EQ(Next(rows), 4);
    EXPECT_EQ(find.Position(TViewPage::File).column, view.layout.IndexOf(kind::User1));
    // Choice 1 is the position column: "4".
    ASSERT_TRUE(find.Confirm("4", 1));
    find.ResetPositions();
    EXPECT_EQ(Next(rows), 3);
    EXPECT_EQ(find.Position(TViewPage::File).column, view.layout.IndexOf(kind::Position));
}

// Choices follow their kind wherever the layout shows it; a hidden column is not searched
// (it would select a row showing nothing that matches), and neither is a missing one.
TEST_F(FindInViews, ChoicesFollowTheLayout) {
    view = MakeFileView(table, texts, titles, "13,7,8,10,11,0,1,2,3,4,5,6,15,9,", 13);
    const TFileViewRows shown(view, table, texts, titles);
    EXPECT_EQ(shown.FindColumn(5), 12);
    ASSERT_TRUE(find.Confirm("Flat 4", 5));
    EXPECT_EQ(Next(shown), 3);
    // User 2 (kind 9) hidden behind the 12 shown columns.
    view = MakeFileView(table, texts, titles, "12,7,8,10,11,0,1,2,3,4,5,6,15,9,", 12);
    const TFileViewRows rows(view, table, texts, titles);
    EXPECT_EQ(rows.FindColumn(5), -1);
    find.ResetPositions();
    ui.messages.clear();
    EXPECT_EQ(Next(rows), 0);
    EXPECT_EQ(Shown(), std::vector<Text>{Text::NoFurtherMatch});
    // With "All" only the shown columns count.
    ASSERT_TRUE(find.Confirm("Flat 4", 0));
    find.ResetPositions();
    EXPECT_EQ(Next(rows), 0);

    view = MakeFileView(table, texts, titles, "4,0,1,2,3,", 4);
    const TFileViewRows without(view, table, texts, titles);
    EXPECT_EQ(without.FindColumn(3), -1);
    ASSERT_TRUE(find.Confirm("5", 3));
    ui.messages.clear();
    EXPECT_EQ(Next(without), 0);
    EXPECT_EQ(Shown(), std::vector<Text>{Text::NoFurtherMatch});
}

TEST_F(FindInViews, ConfirmHistoryAndPagePositions) {
    EXPECT_FALSE(find.HasSearchText());
    EXPECT_FALSE(find.Confirm("", 3));
    EXPECT_FALSE(find.HasSearchText());
    EXPECT_TRUE(find.Confirm("Anna", 2));
    EXPECT_TRUE(find.Confirm("Anna", 0));
    EXPECT_FALSE(find.Confirm("", 1));
    EXPECT_EQ(find.SearchText(), "Anna");
    EXPECT_EQ(find.ColumnChoice(), 0);
    EXPECT_EQ(find.History(), (std::vector<std::string>{"Anna", "Anna"}));

    // Pages keep their own positions; a header click restarts one page only.
    TMemoryViewContent memory;
    memory.headers = {"Pos", "Code", "Btn"};
    memory.rows = {{0, {"1", "B2Anna", "1"}}, {1, {"2", "B2Anna", "1"}}};
    const TMemoryViewRows memoryRows(memory, texts);
    const TFileViewRows fileRows(view, table, texts, titles);
    EXPECT_EQ(Next(memoryRows), 1);
    EXPECT_EQ(Next(fileRows), 1);
    EXPECT_EQ(Next(memoryRows), 2);
    find.ResetPosition(TViewPage::File);
    EXPECT_EQ(find.Position(TViewPage::Memory).nextRow, 3);
    EXPECT_EQ(find.Position(TViewPage::File).nextRow, 1);
    EXPECT_EQ(TFindState::ChoiceItems(memoryRows, texts),
              (std::vector<std::string>{"Text145", "Text27", "Text28"}));
    EXPECT_EQ(memoryRows.FindColumn(1), 0);
    EXPECT_EQ(memoryRows.FindColumn(2), 1);
    EXPECT_EQ(memoryRows.FindColumn(3), -1);
}

TEST_F(FindInViews, HistoryBatteryAndMonitoringPages) {
    TTextRows history;
    history.headers = {"Code", "Btn", "Time", "Pos", "No.", "U1", "U2", "U3", "U4"};
    history.rows = {{"B200012", "1", "01.02.2024 10:00:00", "1", "5", "Anna", "", "", ""},
                    {"B200013", "1", "01.02.2024 10:12:00", "2", "12", "Bob", "", "", ""}};
    SetHistoryRules(history, texts, titles, 9);
    EXPECT_EQ(TFindState::ChoiceItems(history, texts),
              (std::vector<std::string>{"Text145", "Text216", "Text28", "No.", "Name", "Flat", "U3",
                                        "U4"}));
    ASSERT_TRUE(find.Confirm("12", 1));  // the time stamp column
    EXPECT_EQ(Next(history), 2);
    EXPECT_EQ(find.Position(TViewPage::History).column, 2);
    ASSERT_TRUE(find.Confirm("12", 3));  // user number: column 4
    find.ResetPositions();
    EXPECT_EQ(Next(history), 2);
    EXPECT_EQ(find.Position(TViewPage::History).column, 4);

    TTextRows battery;
    battery.headers = {"Code", "Btn", "Time", "No.", "U1", "U2", "U3", "U4"};
    SetBatteryRules(battery, texts, titles, 8);
    EXPECT_EQ(TFindState::ChoiceItems(battery, texts)[1], "Text168");
    const std::vector<int> columns = {2, 0, 3, 4, 5, 6, 7};
    for (int item = 1; item <= 7; ++item) EXPECT_EQ(battery.FindColumn(item), columns[item - 1]);

    TTextRows monitoring;
    monitoring.headers = {"A"};
    monitoring.rows = {{"12"}};
    EXPECT_TRUE(TFindState::ChoiceItems(monitoring, texts).empty());
    ui.messages.clear();
    EXPECT_EQ(Next(monitoring), 0);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ravlin::test
