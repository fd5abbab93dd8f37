// Copied rows as tab-separated text: the view's column order (a moved column included), the
// rows in the order given, and the Memory view's cells.

#include <gtest/gtest.h>

#include "views/CopyRows.h"

namespace ravlin {
namespace {

TData Rec(int position, std::string serial, std::string user1) {
    TData r;
    r.Position = position;
    r.Empty = false;
    r.Serial = std::move(serial);
    r.CodePrefix = "x0";
    r.User1 = std::move(user1);
    return r;
}

TEST(CopyRows, FileViewRowsInTheViewsColumnOrder) {
    const TRecordTable table = {Rec(1, "00001", "Gate\tA"), TData{}, Rec(3, "00003", "Door")};
    TCellTexts cells;
    TFileView view;
    // User 1, position, code: a layout whose user column was dragged to the front.
    view.layout = BuildColumnLayout({3, 8, 0, 1}, 3);
    view.sort = {1, true};  // by position
    view.Refresh(table, TTextTable(200, "h"), {"No.", "Name", "", "", ""}, cells);
    ASSERT_EQ(view.RowCount(), 2);
    EXPECT_EQ(FileViewRowsText(table, view, {1, 0, 7}),
              "Door\t3\tx000003\r\nGate A\t1\tx000001\r\n");
    EXPECT_EQ(FileViewRowsText(table, view, {0}, true).substr(0, 9), "Name\th\th\r");
}

TEST(CopyRows, MemoryViewRows) {
    TMemoryViewContent content;
    content.headers = {"Pos", "Code"};
    content.rows = {{0, {"1", "x000001"}, false}, {2, {"3", "x000003"}, false}};
    EXPECT_EQ(MemoryViewRowsText(content, {1}), "3\tx000003\r\n");
    EXPECT_EQ(MemoryViewRowsText(content, {0, 5}, true), "Pos\tCode\r\n1\tx000001\r\n");
}

}  // namespace
}  // namespace ravlin
