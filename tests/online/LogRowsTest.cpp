// The History and Battery views as Find, the spreadsheet export and printing see them.

#include <gtest/gtest.h>

#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "online/LogRows.h"

namespace ravlin {
namespace {

using test::At;

TEST(LogRows, HistoryInListOrderWithTimeStampsAndTheVisibleUserFields) {
    const PopisType texts = test::LogTexts();
    test::TRecordingUi ui;
    THistory history("/nonexistent/History.dat", texts, ui);
    THistoryRec a;
    a.Serial = "0012345";
    a.Button = "1";
    a.LowBatt = true;
    a.Time = At(2008, 2, 1, 13, 45, 10);
    a.UserNumber = 7;
    a.User = {"Office", "Flat 3", "", ""};
    THistoryRec b;
    b.Serial = "0054321";
    b.Button = "2";
    b.TimeText = "yesterday";  // a time that could not be read
    history.EditItems() = {a, b};

    const TUserFieldTitles titles = {"ID", "Name", "U2", "U3", "U4"};
    const TTextRows rows = HistoryRows(history, {true, true, false, false, false}, texts, titles);
    EXPECT_EQ(rows.Page(), TViewPage::History);
    EXPECT_EQ(rows.headers, (std::vector<std::string>{"T28", "T29", "T216", "T169", "ID", "Name"}));
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_EQ(rows.rows[0], (std::vector<std::string>{"0012345", "1", "01.02.2008 13:45:10", "Low",
                                                      "7", "Office"}));
    EXPECT_EQ(rows.Cell(2, 2), "yesterday");
    EXPECT_EQ(rows.ExportAs(2), TExportAs::DateTime);
    EXPECT_EQ(rows.DateTimeValue(1, 2), SerialDateTime(2008, 2, 1, 13, 45, 10));
    EXPECT_FALSE(rows.DateTimeValue(2, 2).has_value());
}

TEST(LogRows, BatteryWithStatesAndTimes) {
    const PopisType texts = test::LogTexts();
    test::TRecordingUi ui;
    TBatt batt("/nonexistent/LowBatt.dat", texts, ui);
    TLowBatt e;
    e.Serial = "0012345";
    e.State = TLowBatt::Changed;
    e.Time = At(2024, 5, 6);
    batt.Items = {e};
    const TTextRows rows = BatteryRows(batt, kAllUserFields, texts, {"a", "b", "c", "d", "e"});
    EXPECT_EQ(rows.Page(), TViewPage::Battery);
    EXPECT_EQ(rows.ColumnCount(), 8);
    EXPECT_EQ(rows.Cell(1, 1), "Changed");
    EXPECT_EQ(rows.Cell(1, 2), "06.05.2024");  // midnight: the date alone
    EXPECT_EQ(rows.DateTimeValue(1, 2), SerialDateTime(2024, 5, 6, 0, 0, 0));
}

}  // namespace
}  // namespace ravlin
