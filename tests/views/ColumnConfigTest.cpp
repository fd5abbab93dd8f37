#include <gtest/gtest.h>

#include "ViewsTestSupport.h"
#include "views/ColumnConfig.h"

namespace ravlin::test {
namespace {

std::string Fillers(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "100,";
    return s;
}

TEST(ColumnLayout, DefaultsAndHidingAUserColumn) {
    TIniFile ini("");
    TColumnLayout layout = ReadColumnLayout(ini, TLayoutFamily::Single, 0);
    EXPECT_EQ(layout.ShownKinds(), (std::vector<int>{7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 15}));
    TSortState sort{6, true};  // sorted by position (grid column 6)

    // The set-up dialog hides User 2: it moves behind the last shown column.
    ASSERT_TRUE(HideUserColumn(ini, TLayoutFamily::Single, 0, layout, sort, kind::User1 + 1));
    EXPECT_EQ(layout.ShownKinds(), (std::vector<int>{7, 8, 10, 11, 0, 1, 2, 3, 4, 5, 6, 15}));
    EXPECT_EQ(layout.KindAt(12), kind::User1 + 1);
    EXPECT_EQ(sort.column, 5);  // the position column moved one place left
    EXPECT_EQ(ini.Content(), "[Grid_Config]\r\nUser_Single=13,7,8,10,11,0,1,2,3,4,5,6,15,9," +
                                 Fillers(47) +
                                 "\r\n[Setup]\r\nUserSingleIDVisible=1\r\nUserMultiIDVisible=1\r\n"
                                 "UserSingle1Visible=1\r\nUserMulti1Visible=1\r\n"
                                 "UserSingle2Visible=1\r\nUserMulti2Visible=1\r\n"
                                 "UserSingle3Visible=1\r\nUserMulti3Visible=1\r\n"
                                 "UserSingle4Visible=1\r\nUserMulti4Visible=1\r\n");
    EXPECT_FALSE(HideUserColumn(ini, TLayoutFamily::Single, 0, layout, sort, kind::User1 + 1));
    auto flags = ReadUserColumnFlags(ini, TLayoutFamily::Single);
    flags[2] = false;
    WriteUserColumnFlags(ini, TLayoutFamily::Single, flags);
    StoreColumnLayout(ini, TLayoutFamily::Single, layout);
    EXPECT_EQ(ini.ReadString("Grid_Config", "User_Single", ""),
              "12,7,8,10,11,0,1,2,3,4,5,6,15,9," + Fillers(47));
    EXPECT_EQ(ini.ReadString("Setup", "UserSingle2Visible", ""), "0");

    // After a restart the same columns are shown.
    TIniFile again("");
    again.LoadText(ini.Content());
    EXPECT_EQ(ReadColumnLayout(again, TLayoutFamily::Single, 0).items, layout.items);

    // Showing it again puts it at the first hidden place, that is behind RS-232.
    ASSERT_TRUE(ShowUserColumn(ini, TLayoutFamily::Single, 0, layout, sort, kind::User1 + 1));
    EXPECT_EQ(layout.Count(), 13);
    EXPECT_EQ(layout.KindAt(12), kind::User1 + 1);
    EXPECT_FALSE(ShowUserColumn(ini, TLayoutFamily::Single, 0, layout, sort, kind::User1 + 1));
    EXPECT_FALSE(ShowUserColumn(ini, TLayoutFamily::Single, 0, layout, sort, kind::Position));
}

// Visibility works through the moves: a flag alone only shortens the shown list.
TEST(ColumnLayout, FlagsAloneCountColumns) {
    TIniFile ini("");
    ini.LoadText("[Setup]\r\nUserSingle3Visible=0\r\n");
    const TColumnLayout single = ReadColumnLayout(ini, TLayoutFamily::Single, 0);
    EXPECT_EQ(single.ShownKinds(), (std::vector<int>{7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6}));
    // Multi layout: 5 + 2 x SingleRelay + V.
    EXPECT_EQ(ReadColumnLayout(ini, TLayoutFamily::Multi, 3).Count(), 5 + 6 + 5);
    const TColumnLayout multi = ReadColumnLayout(ini, TLayoutFamily::Multi, 19);
    EXPECT_EQ(multi.Count(), 48);
    EXPECT_EQ(multi.KindAt(10), 21);
    EXPECT_EQ(multi.KindAt(47), 59);
    EXPECT_EQ(multi.KindAt(48), kind::None);
}

TEST(ColumnLayout, DraggingKeepsTheSortedColumnSorted) {
    TIniFile ini("");
    TColumnLayout layout = ReadColumnLayout(ini, TLayoutFamily::Single, 0);
    TSortState sort{6, false};  // transmitter code
    ASSERT_TRUE(ColumnMoved(ini, TLayoutFamily::Single, 0, layout, sort, 6, 0));
    EXPECT_EQ(sort.column, 0);
    EXPECT_EQ(layout.KindAt(0), kind::Code);
    EXPECT_FALSE(sort.ascending);
    // Another column dragged across it shifts its index.
    ASSERT_TRUE(ColumnMoved(ini, TLayoutFamily::Single, 0, layout, sort, 5, 0));
    EXPECT_EQ(sort.column, 1);
    EXPECT_EQ(layout.KindAt(sort.column), kind::Code);
    ASSERT_TRUE(ColumnMoved(ini, TLayoutFamily::Single, 0, layout, sort, 0, 12));
    EXPECT_EQ(sort.column, 0);
    EXPECT_EQ(layout.KindAt(sort.column), kind::Code);
    // Moves that do not touch it leave it.
    ASSERT_TRUE(ColumnMoved(ini, TLayoutFamily::Single, 0, layout, sort, 3, 9));
    EXPECT_EQ(sort.column, 0);
    // Indexes outside the layout change nothing.
    const auto before = layout.items;
    EXPECT_FALSE(ColumnMoved(ini, TLayoutFamily::Single, 0, layout, sort, -1, 3));
    EXPECT_FALSE(ColumnMoved(ini, TLayoutFamily::Single, 0, layout, sort, 3, 60));
    EXPECT_EQ(layout.items, before);
    EXPECT_EQ(ParseLayoutList(ini.ReadString("Grid_Config", "User_Single", "")).size(), 61u);
}

// Hand-edited lists: what the view can be built from is used, anything else gives the
// default; nothing crashes.
TEST(ColumnLayout, HandEditedLists) {
    const std::vector<int> single = ParseLayoutList(DefaultLayoutList(TLayoutFamily::Single));
    struct TCase {
        const char* value;
        bool valid;
    };
    const TCase cases[] = {
        {"12,7,8,9,10,11,x,1,2,3,4,5,6,15,", true},     // "x": a column without cells
        {"3,11,10,9,8,7,15,0,", true},                  // short: fillers follow
        {"12,8,7,9,10,11,0,1,2,3,4,5,6,15,77", true},   // text after the last comma ignored
        {"", false},                                    // empty value
        {"garbage", false},                             // no comma at all
        {"12,7,7,9,10,11,0,1,2,3,4,5,6,15,", false},    // a user column twice
        {"12,7,8,9,10,0,1,2,3,4,5,6,15,", false},       // User 4 missing
        {"12,7,8,9,10,11,0,0,2,3,4,5,6,15,", false},    // the position twice
        {"12,7,8,9,10,11,-1,1,2,3,4,5,6,15,", false},   // no kind below 0
        {"12,7,8,9,10,11,101,1,2,3,4,5,6,15,", false},  // nor above 100
        {"12,7,8,9,10,11,99999999999,1,", true},        // beyond int: kind 99
    };
    for (const auto& c : cases) {
        TIniFile ini("");
        ini.WriteString("Grid_Config", "User_Single", c.value);
        const TColumnLayout layout = ReadColumnLayout(ini, TLayoutFamily::Single, 0);
        EXPECT_EQ(layout.Count(), 13) << c.value;
        const bool isDefault =
            std::equal(single.begin() + 1, single.end(), layout.items.begin() + 1);
        EXPECT_EQ(isDefault, !c.valid) << c.value;
        EXPECT_EQ(IsValidLayoutList(ParseLayoutList(c.value)), c.valid) << c.value;
    }
    TIniFile ini("");
    ini.WriteString("Grid_Config", "User_Single", "12,7,8,9,10,11,x,1,2,3,4,5,6,15,");
    EXPECT_EQ(ReadColumnLayout(ini, TLayoutFamily::Single, 0).KindAt(5), kind::Unknown);
}

TEST(ColumnWidths, KeysDefaultsAndRange) {
    TIniFile ini("");
    ini.LoadText(
        "[UserGrid_Single]\r\nCol1=120\r\nCol3=-5\r\nCol4=abc\r\nCol13=99999\r\n"
        "Col14=300\r\n");
    const auto widths = ReadColumnWidths(ini, FileViewWidthKeys(TLayoutFamily::Single), 60);
    ASSERT_EQ(widths.size(), 60u);
    EXPECT_EQ(widths[0], 120);
    EXPECT_EQ(widths[1], 64);
    EXPECT_EQ(widths[2], 8);
    EXPECT_EQ(widths[3], 64);
    EXPECT_EQ(widths[12], 2000);
    EXPECT_EQ(widths[13], 64);  // Col14 is never read

    // The 26th and later multi File view columns and the 7th single Memory view column
    // are never stored.
    TIniFile out("");
    std::vector<int> thirty(30);
    for (int i = 0; i < 30; ++i) thirty[i] = 100 + i;
    WriteColumnWidths(out, FileViewWidthKeys(TLayoutFamily::Multi), thirty);
    EXPECT_EQ(out.ReadSectionKeys("UserGrid_Multi").size(), 25u);
    EXPECT_EQ(out.ReadInteger("UserGrid_Multi", "Col25", 0), 124);
    WriteColumnWidths(out, MemoryViewWidthKeys(TLayoutFamily::Single),
                      {70, 71, 72, 73, 74, 75, 76});
    EXPECT_EQ(out.ReadSectionKeys("MemGrid_Single"),
              (std::vector<std::string>{"Col1", "Col2", "Col3", "Col4", "Col5", "Col6"}));
    WriteColumnWidths(out, MemoryViewWidthKeys(TLayoutFamily::Multi), thirty);
    EXPECT_EQ(out.ReadSectionKeys("MemGrid_Multi").size(), 19u);
    const auto memory = ReadColumnWidths(out, MemoryViewWidthKeys(TLayoutFamily::Single), 30);
    EXPECT_EQ(memory[5], 75);
    EXPECT_EQ(memory[6], 64);
    EXPECT_EQ(out.Content().substr(0, 40), "[UserGrid_Multi]\r\nCol1=100\r\nCol2=101\r\nCo");
}

// Which widths the user stored: a column without a key is sized to its content by the
// view (0 here), also beyond the keys; a column never sized writes no key, so that it is
// sized to its content when it is shown one day.
TEST(ColumnWidths, StoredOnesAndColumnsNeverSized) {
    TIniFile ini("");
    ini.LoadText("[MemGrid_Single]\r\nCol1=120\r\nCol3=x\r\nCol6=5\r\n");
    EXPECT_EQ(ReadStoredColumnWidths(ini, MemoryViewWidthKeys(TLayoutFamily::Single), 8),
              (std::vector<int>{120, 0, 64, 0, 0, 8, 0, 0}));
    EXPECT_EQ(ReadStoredColumnWidths(ini, FileViewWidthKeys(TLayoutFamily::Single), 3),
              (std::vector<int>{0, 0, 0}));

    TIniFile out("");
    WriteColumnWidths(out, FileViewWidthKeys(TLayoutFamily::Single), {90, 0, 70, 0});
    EXPECT_EQ(out.Content(), "[UserGrid_Single]\r\nCol1=90\r\nCol3=70\r\n");
    EXPECT_EQ(ReadStoredColumnWidths(out, FileViewWidthKeys(TLayoutFamily::Single), 4),
              (std::vector<int>{90, 0, 70, 0}));
}

}  // namespace
}  // namespace ravlin::test
