// The History and Battery views as Find, the spreadsheet export and printing see them,
// over the logs read from their files: cells, column choices, date-time and number cells,
// print widths, with all user fields shown and with some hidden.

#include <gtest/gtest.h>

#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "online/LogRows.h"
#include "views/Export.h"
#include "views/Find.h"

namespace ravlin {
namespace {

using test::WriteAll;

const TUserFieldTitles kTitles = {"No.", "Name", "Flat", "Note", "Phone"};

class LogRows : public ::testing::Test {
  protected:
    LogRows()
        : history(dir.File("History.dat"), texts, ui), battery(dir.File("LowBatt.dat"), texts, ui) {
        SetText(texts, Text::SerialColumn, "Serial No.");
        SetText(texts, Text::FindAll, "All");
        SetText(texts, Text::BatteryTimeColumn, "Reported");
        SetText(texts, Text::BatteryColumn, "Battery");
        SetText(texts, Text::HistoryTimeColumn, "Received");
        WriteAll(history.FileName(),
                 "1ABCDE0#5#15.03.2008 14:30:00#1#7#Anna M\xfcller#Flat 3###\r\n"
                 "0012345#3#not a time#0#12#Bert#Flat 12#x;y##\r\n");
        WriteAll(battery.FileName(),
                 "1ABCDE0#0#31.12.2023 23:59:59#7#Anna#Flat 3###\r\n"
                 "0054321#1#01.01.2024#0#####\r\n");
        EXPECT_TRUE(history.Load());
        EXPECT_TRUE(battery.Load());
    }
    test::TTempDir dir;
    TTextTable texts = test::LogTexts();
    test::TRecordingUi ui;
    THistory history;
    TBatteryLog battery;
};

TEST_F(LogRows, HistoryWithEveryUserField) {
    const THistoryRows rows(history.Items(), HistoryColumns(kAllUserFields), texts, kTitles);
    EXPECT_EQ(rows.Page(), TViewPage::History);
    ASSERT_EQ(rows.ColumnCount(), 9);
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_EQ(rows.Header(0), "Serial No.");
    EXPECT_EQ(rows.Header(2), "Received");
    EXPECT_EQ(rows.Header(4), "No.");
    EXPECT_EQ(rows.Header(8), "Phone");
    EXPECT_EQ(rows.Header(9), "");
    EXPECT_EQ(rows.Cell(1, 0), "1ABCDE0");
    EXPECT_EQ(rows.Cell(1, 2), "15.03.2008 14:30:00");
    EXPECT_EQ(rows.Cell(1, 3), "Low");
    EXPECT_EQ(rows.Cell(2, 5), "Bert");
    EXPECT_EQ(rows.Cell(3, 0), "");
    EXPECT_EQ(rows.Cell(0, 0), "");

    // Find: "All", the time stamp, the code, the five user fields, in the page's columns.
    EXPECT_EQ(TFindState::ChoiceItems(rows, texts),
              (std::vector<std::string>{"All", "Received", "Serial No.", "No.", "Name", "Flat",
                                        "Note", "Phone"}));
    const int expected[] = {2, 0, 4, 5, 6, 7, 8};
    for (int item = 1; item <= 7; ++item) EXPECT_EQ(rows.FindColumn(item), expected[item - 1]);
    EXPECT_EQ(rows.FindColumn(8), -1);

    // The time stamp is a date-time (15 March 2008 14:30 is day 39522 and 0.6042); a time
    // that could not be read is written as text.
    EXPECT_EQ(rows.ExportAs(2), TExportAs::DateTime);
    EXPECT_EQ(rows.ExportAs(4), TExportAs::Number);
    EXPECT_EQ(rows.ExportAs(5), TExportAs::Text);
    ASSERT_TRUE(rows.DateTimeValue(1, 2).has_value());
    EXPECT_DOUBLE_EQ(*rows.DateTimeValue(1, 2), 39522.0 + 14.5 / 24.0);
    EXPECT_FALSE(rows.DateTimeValue(2, 2).has_value());
    TFreeExcelS sheet("unused");
    WriteViewCells(rows, sheet);
    const std::string content = sheet.Content();
    EXPECT_NE(content.find("F;P27;FG0R;SM5;Y2;X3 \r\nC;Y2;X3;K3.95226041666667E+004\r\n"),
              std::string::npos);
    EXPECT_NE(content.find("C;Y3;X3;K\"not a time\""), std::string::npos);
    EXPECT_NE(content.find("C;Y2;X5;K7.00000000000000E+000"), std::string::npos);
    EXPECT_NE(content.find("C;Y3;X8;K\"x;;y\""), std::string::npos);

    // Printing: fixed widths for time, battery and user number, user texts flexible.
    EXPECT_EQ(rows.PrintRule(2).minWidth, 350);
    EXPECT_EQ(rows.PrintRule(3).minWidth, 300);
    EXPECT_EQ(rows.PrintRule(4).maxWidth, 250);
    EXPECT_FALSE(rows.PrintRule(4).flexible);
    for (int c = 5; c < 9; ++c) EXPECT_TRUE(rows.PrintRule(c).flexible) << c;
    EXPECT_FALSE(rows.PrintRule(0).flexible);
}

// With the user number and User 2 hidden the rules stay with their fields.
TEST_F(LogRows, HistoryWithHiddenUserFields) {
    const THistoryRows rows(history.Items(), HistoryColumns({false, true, false, true, true}),
                            texts, kTitles);
    ASSERT_EQ(rows.ColumnCount(), 7);
    EXPECT_EQ(rows.Header(4), "Name");
    EXPECT_EQ(rows.FindColumn(3), -1);  // the user number is not shown
    EXPECT_EQ(rows.FindColumn(4), 4);   // User 1
    EXPECT_EQ(rows.FindColumn(5), -1);
    EXPECT_EQ(rows.ExportAs(4), TExportAs::Text);  // a name, not a number
    EXPECT_TRUE(rows.PrintRule(4).flexible);

    // Find on User 1: "Flat" is in User 2 only, which is hidden.
    TFindState find;
    ASSERT_TRUE(find.Confirm("Bert", 4));
    EXPECT_EQ(find.SearchNext(rows, ui, texts), 2);
    ASSERT_TRUE(find.Confirm("Flat", 0));
    find.ResetPositions();
    EXPECT_EQ(find.SearchNext(rows, ui, texts), 0);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(LogRows, BatteryLog) {
    const TBatteryRows rows(battery.Items(), BatteryColumns(kAllUserFields), texts, kTitles);
    EXPECT_EQ(rows.Page(), TViewPage::Battery);
    ASSERT_EQ(rows.ColumnCount(), 8);
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_EQ(rows.Header(1), "Battery");
    EXPECT_EQ(rows.Header(2), "Reported");
    EXPECT_EQ(rows.Cell(1, 1), "Low");
    EXPECT_EQ(rows.Cell(2, 1), "Changed");
    EXPECT_EQ(rows.Cell(2, 2), "01.01.2024");
    const int expected[] = {2, 0, 3, 4, 5, 6, 7};
    for (int item = 1; item <= 7; ++item) EXPECT_EQ(rows.FindColumn(item), expected[item - 1]);
    EXPECT_EQ(rows.ExportAs(2), TExportAs::DateTime);
    EXPECT_EQ(rows.ExportAs(3), TExportAs::Number);
    ASSERT_TRUE(rows.DateTimeValue(2, 2).has_value());
    EXPECT_DOUBLE_EQ(*rows.DateTimeValue(2, 2), 45292.0);
    EXPECT_EQ(rows.PrintRule(1).minWidth, 300);
    EXPECT_EQ(rows.PrintRule(2).minWidth, 350);
    EXPECT_EQ(rows.PrintRule(3).maxWidth, 250);
    for (int c = 4; c < 8; ++c) EXPECT_TRUE(rows.PrintRule(c).flexible) << c;
}

// An empty log shows one empty row: Find finds nothing, the sheet has a header and one
// row of empty texts (no date-time behind it).
TEST_F(LogRows, EmptyLogs) {
    const THistoryList none;
    const THistoryRows rows(none, HistoryColumns(kAllUserFields), texts, kTitles);
    EXPECT_EQ(rows.RowCount(), 1);
    EXPECT_EQ(rows.Cell(1, 0), "");
    EXPECT_FALSE(rows.DateTimeValue(1, 2).has_value());
    TFreeExcelS sheet("unused");
    WriteViewCells(rows, sheet);
    EXPECT_NE(sheet.Content().find("C;Y2;X3;K\"\""), std::string::npos);
    EXPECT_EQ(sheet.Content().find("Y3;"), std::string::npos);
    const std::vector<TLowBatteryEntry> noEntries;
    const TBatteryRows battery(noEntries, BatteryColumns(kAllUserFields), texts, kTitles);
    EXPECT_EQ(battery.RowCount(), 1);
    EXPECT_EQ(battery.Cell(1, 1), "");
}

}  // namespace
}  // namespace ravlin
