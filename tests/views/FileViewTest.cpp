#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "RecordingUi.h"
#include "base/IniFile.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "document/DataFile.h"
#include "views/FileView.h"

namespace ravlin {
namespace {

TData Rec(int position, std::string serial, std::string button = "1", int userId = 0,
          std::string user1 = "", std::string time = "0000") {
    TData r;
    r.Position = position;
    r.Empty = false;
    r.Serial = std::move(serial);
    r.Button = std::move(button);
    r.UserID = userId;
    r.User1 = std::move(user1);
    r.Time = std::move(time);
    return r;
}

TData EmptyRec(int position) {
    TData r;
    r.Position = position;
    return r;
}

TCellTexts FakeCells(int outputs = 3) {
    TCellTexts c;
    c.function = [](const TData& r) { return "F" + r.Output; };
    c.channels = [](const TData& r) { return "K" + r.Channels; };
    c.time = [](const TData& r) { return "T" + r.Time; };
    c.relayFunction = [](const TData& r, int j) { return "R" + std::to_string(j) + r.Output; };
    c.relayTime = [](const TData& r, int j) {
        size_t at = static_cast<size_t>(4 * (j - 1));
        return at < r.Time.size() ? r.Time.substr(at, 4) : std::string("-");
    };
    c.extra = [](const TData&) { return std::string("cmd"); };
    c.outputs = outputs;
    return c;
}

// The selection-by-passes fill, written out step by step: the reference the stable sort
// must match.
std::vector<int> ReferenceRows(TRecordTable table, int k, bool ascending, const TCellTexts& c) {
    auto better = [&](const TSortKey& a, const TSortKey& b) {
        if (IsNumberKind(k)) return ascending ? a.number < b.number : a.number > b.number;
        return ascending ? a.text < b.text : a.text > b.text;
    };
    auto equal = [&](const TSortKey& a, const TSortKey& b) {
        return IsNumberKind(k) ? a.number == b.number : a.text == b.text;
    };
    std::vector<int> out;
    int candidate = -1;
    for (size_t i = 0; i < table.size(); ++i) {
        table[i].SortMark = table[i].Empty ? 0 : 1;
        if (!table[i].SortMark) continue;
        if (candidate < 0 || better(SortKeyOf(k, table[i], c), SortKeyOf(k, table[candidate], c)))
            candidate = static_cast<int>(i);
    }
    bool wrote = true;
    for (size_t pass = 1; wrote && pass <= table.size() + 1; ++pass) {
        wrote = false;
        if (candidate < 0) break;
        TSortKey target = SortKeyOf(k, table[candidate], c);
        candidate = -1;
        for (size_t i = 0; i < table.size(); ++i) {
            if (!table[i].SortMark) continue;
            TSortKey key = SortKeyOf(k, table[i], c);
            if (equal(key, target)) {
                out.push_back(static_cast<int>(i));
                table[i].SortMark = 0;
                wrote = true;
            } else if (candidate < 0 || better(key, SortKeyOf(k, table[candidate], c))) {
                candidate = static_cast<int>(i);
            }
        }
    }
    return out;
}

TEST(FileViewSort, MatchesReferenceOnRandomTables) {
    std::mt19937 rng(7);
    const std::vector<int> kinds = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,
                                    15, 21, 23, 24, 41, 42, 12, 99, 100};
    auto pick = [&](std::initializer_list<const char*> v) {
        return std::string(*(v.begin() + rng() % v.size()));
    };
    for (int round = 0; round < 200; ++round) {
        TRecordTable table;
        int n = 1 + static_cast<int>(rng() % 40);
        for (int p = 1; p <= n; ++p) {
            if (rng() % 5 == 0) {
                table.push_back(EmptyRec(p));
                continue;
            }
            TData r = Rec(p, pick({"000FF", "0000A", "0000a", "ZZ", "123456789", "", "0000A"}),
                          pick({"0", "1", "A", "a", "\xE9"}), static_cast<int>(rng() % 3),
                          pick({"", "Gate", "gate", "\xC4x", "Gate"}),
                          pick({"0001", "00010002", "FFFF", "x", "0001"}));
            r.Output = pick({"E0", "0E", "66", "e0"});
            r.TxType = pick({"-", "B", "b", "-"});
            table.push_back(r);
        }
        for (int k : kinds)
            for (bool asc : {true, false})
                ASSERT_EQ(SortedRows(table, k, asc, FakeCells()),
                          ReferenceRows(table, k, asc, FakeCells()))
                    << "kind " << k << (asc ? " asc" : " desc") << " round " << round;
    }
}

TEST(FileViewSort, KeysAsTheUserExpects) {
    TRecordTable t = {Rec(1, "0000A"), EmptyRec(2), Rec(3, "000FF"), Rec(4, "1234G"),
                      Rec(5, "0000b")};
    // Descending by code: 000FF before 0000A, a bad serial counts as 0, empty records absent.
    EXPECT_EQ(SortedRows(t, kind::Code, false, FakeCells()), (std::vector<int>{2, 4, 0, 3}));
    EXPECT_EQ(SortedRows(t, kind::Code, true, FakeCells()), (std::vector<int>{3, 0, 4, 2}));
    t[0].CodePrefix = "ZZ";  // the prefix is not part of the key
    EXPECT_EQ(SortedRows(t, kind::Code, false, FakeCells()), (std::vector<int>{2, 4, 0, 3}));

    // Several zero user numbers stay in position order in both directions.
    TRecordTable u = {Rec(1, "1", "1", 0), Rec(2, "1", "1", 5), Rec(3, "1", "1", 0),
                      Rec(4, "1", "1", 0)};
    EXPECT_EQ(SortedRows(u, kind::UserID, true, FakeCells()), (std::vector<int>{0, 2, 3, 1}));
    EXPECT_EQ(SortedRows(u, kind::UserID, false, FakeCells()), (std::vector<int>{1, 0, 2, 3}));

    // Text keys: bytes, upper case before lower case, high bytes last.
    TRecordTable v = {Rec(1, "1", "1", 0, "b"), Rec(2, "1", "1", 0, "\xC4"),
                      Rec(3, "1", "1", 0, "B"), Rec(4, "1", "1", 0, "")};
    EXPECT_EQ(SortedRows(v, kind::User1, true, FakeCells()), (std::vector<int>{3, 2, 0, 1}));

    // RS-232 and kinds without cells keep position order.
    for (int k : {int(kind::Rs232), 12, 99, 100})
        EXPECT_EQ(SortedRows(v, k, false, FakeCells()), (std::vector<int>{0, 1, 2, 3}));
    // Relay kinds beyond the receiver's outputs have no cells.
    TRecordTable w = {Rec(1, "1", "1", 0, "", "0002000100030004"),
                      Rec(2, "1", "1", 0, "", "0001000200040003")};
    EXPECT_EQ(SortedRows(w, kind::RelayTime + 2, false, FakeCells(3)), (std::vector<int>{1, 0}));
    EXPECT_EQ(SortedRows(w, kind::RelayTime + 4, true, FakeCells(3)), (std::vector<int>{0, 1}));
    EXPECT_EQ(SortedRows(w, kind::RelayTime + 4, true, FakeCells(4)), (std::vector<int>{1, 0}));
}

TEST(FileViewLayout, DefaultsAndParsing) {
    TColumnLayout single =
        BuildColumnLayout(ParseLayoutList(DefaultLayoutList(TLayoutFamily::Single)),
                          LayoutColumnCount(TLayoutFamily::Single, 0, 5));
    EXPECT_EQ(single.Count(), 13);
    EXPECT_EQ(single.ShownKinds(), (std::vector<int>{7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 15}));
    EXPECT_EQ(single.KindAt(13), kind::None);
    EXPECT_EQ(single.KindAt(-1), kind::None);

    // Visibility flags alone do not reorder: the first 12 of the list are shown.
    TColumnLayout eleven =
        BuildColumnLayout(ParseLayoutList(DefaultLayoutList(TLayoutFamily::Single)),
                          LayoutColumnCount(TLayoutFamily::Single, 0, 4));
    EXPECT_EQ(eleven.Count(), 12);
    EXPECT_EQ(eleven.ShownKinds().back(), kind::Time);

    TColumnLayout multi =
        BuildColumnLayout(ParseLayoutList(DefaultLayoutList(TLayoutFamily::Multi)),
                          LayoutColumnCount(TLayoutFamily::Multi, 3, 5));
    EXPECT_EQ(multi.ShownKinds(),
              (std::vector<int>{7, 8, 9, 10, 11, 0, 1, 2, 3, 15, 21, 41, 22, 42, 23, 43}));
    EXPECT_EQ(ParseLayoutList(DefaultLayoutList(TLayoutFamily::Multi)).size(), 49u);

    EXPECT_EQ(ParseLayoutList("3,x,7,,-1,9"), (std::vector<int>{3, 99, 7, 99, -1}));
    EXPECT_TRUE(ParseLayoutList("").empty());
    EXPECT_EQ(LayoutColumnCount(TLayoutFamily::Multi, 40, 5), 60);

    // A stored list reads back to the same layout.
    EXPECT_EQ(BuildColumnLayout(ParseLayoutList(FormatLayoutList(multi)), multi.Count()).items,
              multi.items);
}

TEST(FileViewLayout, TransmitterCodeAndButtonColumns) {
    // A stored list begins with its column count, which `shown` replaces.
    const auto layout = [](const char* list, int shown) {
        return BuildColumnLayout(ParseLayoutList(list), shown);
    };
    const struct {
        TColumnLayout layout;
        TTransmitterColumns at;
    } cases[] = {
        {layout(DefaultLayoutList(TLayoutFamily::Single), 13), {6, 8}},
        {layout("0,7,1,8,3,", 3), {1, -1}},   // the button column hidden
        {layout("0,1,3,0,1,3,", 5), {3, 4}},  // a repeated kind: the last counts
        {layout("0,0,2,", 2), {-1, -1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TransmitterColumnsOf(c.layout), c.at) << FormatLayoutList(c.layout);
}

TEST(FileViewSortState, HeaderPresses) {
    TSortState s;
    PressHeader(s, 3);
    EXPECT_EQ(s.column, 3);
    EXPECT_TRUE(s.ascending);
    PressHeader(s, 3);
    EXPECT_FALSE(s.ascending);
    PressHeader(s, 3);
    EXPECT_TRUE(s.ascending);
    PressHeader(s, 3);
    PressHeader(s, 5);
    EXPECT_EQ(s.column, 5);
    EXPECT_TRUE(s.ascending);
    PressHeader(s, -1);
    EXPECT_EQ(s.column, -1);
}

TTextTable Texts() {
    TTextTable t(200);
    for (size_t i = 0; i < t.size(); ++i) t[i] = "t" + std::to_string(i);
    return t;
}

TEST(FileViewCells, HeadersCellsAndRedRows) {
    TTextTable texts = Texts();
    TUserTitles titles = {"No.", "Name", "Flat", "Phone", "Note"};
    EXPECT_EQ(HeaderText(kind::Position, texts, titles), "t27");
    EXPECT_EQ(HeaderText(kind::TxType, texts, titles), "t54");
    EXPECT_EQ(HeaderText(kind::UserID, texts, titles), "No.");
    EXPECT_EQ(HeaderText(kind::User4, texts, titles), "Note");
    EXPECT_EQ(HeaderText(kind::Rs232, texts, titles), "RS-232");
    EXPECT_EQ(HeaderText(kind::RelayFunction + 12, texts, titles), "t3112");
    EXPECT_EQ(HeaderText(kind::RelayTime + 1, texts, titles), "t321");
    EXPECT_EQ(HeaderText(12, texts, titles), "");
    EXPECT_EQ(HeaderText(kind::None, texts, titles), "");

    TData r = Rec(7, "1A2B3", "0", 12, "Gate", "00320010");
    r.CodePrefix = "B2";
    TCellTexts c = FakeCells(2);
    EXPECT_EQ(CellText(kind::Code, r, c), "B21A2B3");
    EXPECT_EQ(CellText(kind::UserID, r, c), "12");
    EXPECT_EQ(CellText(kind::RelayTime + 2, r, c), "0010");
    EXPECT_EQ(CellText(kind::RelayTime + 3, r, c), "");
    EXPECT_EQ(CellText(kind::Rs232, r, c), "");  // Extra shorter than 99 digits
    r.Extra = std::string(99, '0');
    EXPECT_EQ(CellText(kind::Rs232, r, c), "cmd");

    TFileView view;
    view.layout = BuildColumnLayout({0, 7, 0, 8, 3}, 4);
    TRecordTable t = {r, Rec(8, "00001", "1")};
    view.sort = {1, true};
    view.Refresh(t, texts, titles, c);
    EXPECT_EQ(view.headers, (std::vector<std::string>{"No.", "t27", "Name", "t29"}));
    EXPECT_EQ(view.Cell(t, 0, 3, c), "0");
    EXPECT_TRUE(view.IsRedRow(t, 0));
    EXPECT_FALSE(view.IsRedRow(t, 1));
    EXPECT_EQ(view.Cell(t, 2, 0, c), "");
    // A table replaced by a smaller one before the next refresh: no cells, no crash.
    TRecordTable shorter = {t[0]};
    EXPECT_EQ(view.Cell(shorter, 1, 0, c), "");
    EXPECT_FALSE(view.IsRedRow(shorter, 1));
    // The button column hidden beyond the shown ones: no red rows.
    view.layout = BuildColumnLayout({0, 7, 0, 8, 3}, 3);
    view.Refresh(t, texts, titles, c);
    EXPECT_FALSE(view.IsRedRow(t, 0));
}

TEST(FileViewSelection, SelectedRecordFollowsItsRow) {
    TTextTable texts = Texts();
    TUserTitles titles;
    TCellTexts c = FakeCells();
    TFileView view;
    view.layout = BuildColumnLayout({0, 0, 1, 7}, 3);
    view.sort = {2, true};  // by user number
    TRecordTable t = {Rec(1, "1", "1", 10), Rec(2, "2", "1", 20), Rec(3, "3", "1", 30),
                      Rec(4, "4", "1", 40)};
    view.Refresh(t, texts, titles, c);
    EXPECT_EQ(view.selectedRow, 0);  // record 1 by default
    view.selectedRow = 1;            // record 2
    t[1].UserID = 99;                // edited: moves to the end
    view.Refresh(t, texts, titles, c);
    EXPECT_EQ(view.rows, (std::vector<int>{0, 2, 3, 1}));
    EXPECT_EQ(view.selectedRow, 3);
    // Deleted: the row above the old one.
    view.selectedRow = 2;  // record 4
    t[3].Empty = true;
    view.Refresh(t, texts, titles, c);
    EXPECT_EQ(view.selectedRow, 1);
    // Deleting the last record of the list: stays on the last row.
    view.selectedRow = 2;  // record 2
    t[1].Empty = true;
    view.Refresh(t, texts, titles, c);
    EXPECT_EQ(view.selectedRow, 1);
    // Nothing left.
    t[0].Empty = t[2].Empty = true;
    view.Refresh(t, texts, titles, c);
    EXPECT_EQ(view.selectedRow, -1);
    EXPECT_TRUE(view.empty);
    // A sort column beyond the shown ones sorts by the kind stored there.
    t = {Rec(1, "3"), Rec(2, "1"), Rec(3, "2")};
    view.layout = BuildColumnLayout({0, 0, 7, 1}, 2);
    view.sort = {2, false};
    view.Refresh(t, texts, titles, c);
    EXPECT_EQ(view.rows, (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(view.selectedRow, 0);
    EXPECT_FALSE(view.empty);
}

TEST(FileViewSettings, LayoutFlagsAndSortStateFromTheSettingsFile) {
    char tmpl[] = "/tmp/ravlin-fv-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string path = std::string(tmpl) + "/RavlinProj.ini";
    std::ofstream(path) << "[Setup]\r\nUserSingle3Visible=0\r\nUserMultiIDVisible=0\r\n"
                        << "UserMulti4Visible=0\r\n[Grid_Config]\r\nUser_Multi=9,0,x,1,\r\n";
    {
        TIniFile ini(path);
        EXPECT_EQ(VisibleUserColumns(ini, TLayoutFamily::Single), 4);
        TColumnLayout single = LoadColumnLayout(ini, TLayoutFamily::Single, 0);
        EXPECT_EQ(single.Count(), 12);
        EXPECT_EQ(single.KindAt(11), kind::Time);
        TColumnLayout multi = LoadColumnLayout(ini, TLayoutFamily::Multi, 2);
        EXPECT_EQ(multi.Count(), 12);  // 5 + 2 * 2 + 3
        EXPECT_EQ(multi.KindAt(0), 0);
        EXPECT_EQ(multi.KindAt(1), kind::Unknown);
        EXPECT_EQ(multi.KindAt(2), kind::Code);
        EXPECT_EQ(multi.KindAt(3), kind::None);
        multi.items[4] = kind::Rs232;
        StoreColumnLayout(ini, TLayoutFamily::Multi, multi);
        ini.UpdateFile();
    }
    TIniFile again(path);
    EXPECT_EQ(LoadColumnLayout(again, TLayoutFamily::Multi, 2).KindAt(3), kind::Rs232);

    std::filesystem::remove_all(tmpl);
}

TEST(FileViewCore, RefreshFromTheOpenDocument) {
    char tmpl[] = "/tmp/ravlin-fvc-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string dir = tmpl;
    test::TRecordingUi ui;
    TLanguage language(RAVLIN_TEST_DATA_DIR, ui);
    ASSERT_TRUE(language.LoadLanguage("US"));
    TIniFile ini(dir + "/RavlinProj.ini");
    TUserTitles titles;
    for (int i = 0; i < 5; ++i)
        titles[i] = TextAt(language.Texts(), TextInRun(Text::UserIdTitle, i));
    std::string file = dir + "/a.rvl";
    // Three KV2R records: serials 12345, (empty), 0000A with button 0 and function 03.
    std::ofstream(file, std::ios::binary)
        << "KV2R\r\n3\r\n0111234503000000" << std::string(16, '0') << "0300000A01001200\r\n"
        << "1   4#Gate####\r\nx0 -\r\n2   0#####\r\nx0 -\r\n3   0#####\r\nB1 Hand\r\n";
    TDevice device;
    TRecordTable table;
    std::string image;
    ASSERT_TRUE(OpenData(file, TDataFileEnv{RAVLIN_TEST_DATA_DIR, language.Texts(), ui}, false,
                         device, table, image));

    TFunctionTable functionTable(RAVLIN_TEST_DATA_DIR, language.Texts(), ui);
    TFileViewSorts sorts;
    const TFileViewSource source{table, device, functionTable, language, ini, sorts, titles};
    TFileView view;
    ASSERT_TRUE(RefreshFileView(source, view));
    EXPECT_EQ(view.family, TLayoutFamily::Single);
    ASSERT_EQ(view.headers.size(), 13u);
    EXPECT_EQ(view.headers[0], TextAt(language.Texts(), Text::UserIdTitle));
    EXPECT_EQ(view.headers[5], TextAt(language.Texts(), Text::PositionColumn));
    EXPECT_EQ(view.headers[12], "RS-232");
    // Sorted by grid column 0, the user number, ascending.
    EXPECT_EQ(view.rows, (std::vector<int>{2, 0}));
    EXPECT_EQ(view.Cell(table, 1, 1), "Gate");
    EXPECT_EQ(view.Cell(table, 0, 6), "B10000A");
    EXPECT_EQ(view.Cell(table, 0, 9), "Timer");
    EXPECT_EQ(view.Cell(table, 0, 11), functionTable.TimeText("0012"));
    EXPECT_NE(view.Cell(table, 0, 11), "-");
    EXPECT_EQ(view.Cell(table, 1, 11), "-");
    EXPECT_TRUE(view.IsRedRow(table, 0));
    EXPECT_FALSE(view.IsRedRow(table, 1));

    // Code column (grid column 6) pressed twice: descending, kept in the settings.
    PressFileViewHeader(sorts, view, 6);
    PressFileViewHeader(sorts, view, 6);
    EXPECT_EQ(sorts.single.column, 6);
    EXPECT_FALSE(sorts.single.ascending);
    EXPECT_TRUE(sorts.multi.ascending);  // the other family keeps its own
    ASSERT_TRUE(RefreshFileView(source, view));
    EXPECT_EQ(view.rows, (std::vector<int>{0, 2}));
    PressFileViewHeader(sorts, view, 6);
    ASSERT_TRUE(RefreshFileView(source, view));
    EXPECT_EQ(view.rows, (std::vector<int>{2, 0}));
    std::filesystem::remove_all(dir);
}

TEST(FileViewCore, ADraggedColumnMovesItsKindAndTheSortColumnFollows) {
    TIniFile ini("");  // in memory
    TFileViewSorts sorts;
    sorts.single.column = 2;
    TFileView view;
    view.layout = BuildColumnLayout({0, kind::UserID, kind::User1, kind::Code, kind::Button}, 4);
    MoveFileViewColumn(ini, sorts, view, 2, 0);
    EXPECT_EQ(view.layout.ShownKinds(),
              (std::vector<int>{kind::Code, kind::UserID, kind::User1, kind::Button}));
    EXPECT_EQ(sorts.single.column, 0);  // the sort column moved with its column
    EXPECT_EQ(view.sort.column, 0);
    EXPECT_EQ(ParseLayoutList(ini.ReadString(kGridConfigSection, "User_Single", ""))[1],
              kind::Code);

    // A column dragged across the sort column shifts it by one place.
    MoveFileViewColumn(ini, sorts, view, 3, 0);
    EXPECT_EQ(sorts.single.column, 1);
    EXPECT_EQ(sorts.multi.column, 0);             // the other family keeps its own
    MoveFileViewColumn(ini, sorts, view, 0, 60);  // outside the layout: nothing moves
    EXPECT_EQ(view.layout.KindAt(0), kind::Button);
}

}  // namespace
}  // namespace ravlin
