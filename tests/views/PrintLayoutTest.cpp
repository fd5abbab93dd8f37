#include <gtest/gtest.h>

#include <set>

#include "ViewsTestSupport.h"
#include "views/PrintLayout.h"
#include "views/ViewPages.h"

namespace ravlin::test {
namespace {

// A printer whose characters are 20 pixels wide in bold and 18 in normal type, rows 50
// pixels high; it records what is drawn on which sheet.
class TRecordingCanvas : public TPrintCanvas {
  public:
    struct TText {
        int sheet, x, y, width, height;
        bool bold;
        std::string text;
    };
    // At `dpi` the characters and rows are as much wider and higher than at 300 dpi.
    TRecordingCanvas(int width, int height, int dpi = 300)
        : area_{0, 0, width, height}, width_(width), height_(height), dpi_(dpi) {}

    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }
    int Resolution() const override { return dpi_; }
    TPrintArea PrintableArea() const override { return area_; }
    void SetBold(bool bold) override { bold_ = bold; }
    int TextWidth(const std::string& text) override {
        return static_cast<int>(text.size()) * Scaled(bold_ ? 20 : 18);
    }
    int TextHeight(const std::string&) override { return Scaled(bold_ ? 50 : 48); }
    int Scaled(int v) const { return v * dpi_ / 300; }
    void DrawText(int x, int y, int width, int height, const std::string& text) override {
        texts.push_back({sheet, x, y, width, height, bold_, text});
    }
    bool NewPage() override {
        ++sheet;
        return !failOnNewPage;
    }

    std::vector<TText> texts;
    int sheet = 1;
    bool failOnNewPage = false;

    std::vector<TText> OnSheet(int s) const {
        std::vector<TText> out;
        for (const auto& t : texts)
            if (t.sheet == s) out.push_back(t);
        return out;
    }

    TPrintArea area_;

  private:
    int width_, height_, dpi_;
    bool bold_ = false;
};

std::vector<int> Xs(const std::vector<TPrintColumn>& columns) {
    std::vector<int> xs;
    for (const auto& c : columns) xs.push_back(c.x);
    return xs;
}
std::vector<int> Widths(const std::vector<TPrintColumn>& columns) {
    std::vector<int> w;
    for (const auto& c : columns) w.push_back(c.width);
    return w;
}

TEST(PrintGeometry, MemoryViewColumns) {
    TMemoryViewContent memory;
    // Column 3 has a header wider than 200 (12 characters: 240), column 5 a short one.
    memory.headers = {"Pos", "Code", "Btn", "Function abc", "Ch", "Time", "RS-232"};
    memory.rows = {{0, {"1", "B2AAAAA", "1", "Pulse", "1", "5 s", ""}}};
    const TTextTable texts = NumberedTexts();
    const TMemoryViewRows rows(memory, texts);
    TRecordingCanvas canvas(4960, 7016);
    const auto columns = PrintColumns(rows, canvas);
    // As wide as the header or the widest text ("B2AAAAA": 7 x 18), columns 3 and 5 at
    // least 200.
    EXPECT_EQ(Widths(columns), (std::vector<int>{60, 126, 60, 240, 40, 200, 120}));
    EXPECT_EQ(Xs(columns), (std::vector<int>{150, 250, 416, 516, 796, 876, 1116}));
    EXPECT_EQ(columns[0].height, 50);
}

class PrintFileView : public ::testing::Test {
  protected:
    PrintFileView() {
        for (int i = 1; i <= 30; ++i)
            table.push_back(Record(i, "0000" + std::to_string(i % 10), "1", i,
                                   "User number " + std::to_string(i)));
    }
    TTextTable texts = NumberedTexts();  // headers "Text27" and so on: 6 characters
    TUserTitles titles = {"A very long user number title", "U1", "U2", "U3", "U4"};
    TRecordTable table;
};

// Function and time at least 200, the user number at most 250, User 1 to 4 flexible, the
// others as wide as their header or widest text.
TEST_F(PrintFileView, FlexibleUserColumns) {
    const TFileView view = MakeFileView(table, texts, titles);
    const TFileViewRows rows(view, table, texts, titles);
    TRecordingCanvas canvas(4960, 7016);
    const auto columns = PrintColumns(rows, canvas);
    // Grid columns: 7 8 9 10 11 0 1 2 3 4 5 6 15. The code "B20000n" (126) is wider than
    // its header (120), the function (140) and time (120) headers get 200.
    const int fixed = 250 + 120 + 126 + 120 + 120 + 200 + 140 + 200 + 120;
    const int flexible = std::min((4960 - 300 - fixed - 12 * 40) / 4, 600);
    EXPECT_EQ(Widths(columns), (std::vector<int>{250, flexible, flexible, flexible, flexible, 120,
                                                 126, 120, 120, 200, 140, 200, 120}));
    for (size_t c = 1; c < columns.size(); ++c)
        EXPECT_EQ(columns[c].x, columns[c - 1].x + columns[c - 1].width + 40);

    // A narrow page: the flexible columns keep 100 and the columns that do not fit continue
    // on further bands, each column whole within the margins.
    TRecordingCanvas narrow(1200, 7016);
    const TPrintLayout cut = LayOutPrint(rows, narrow);
    EXPECT_GT(cut.bands, 2);
    int band = 0;
    for (const TPrintColumn& c : cut.columns) {
        EXPECT_GE(c.width, 100);
        EXPECT_GE(c.x, 150);
        EXPECT_LE(c.x + c.width, 1200 - 150);
        EXPECT_TRUE(c.band == band || c.band == band + 1);
        band = c.band;
    }
    EXPECT_EQ(cut.columns[1].width, 100);
    EXPECT_EQ(band, cut.bands - 1);

    // All user texts hidden: no flexible column.
    const TFileView hidden =
        MakeFileView(table, texts, titles, "9,7,0,1,2,3,4,5,6,15,8,9,10,11,", 9);
    const TFileViewRows hiddenRows(hidden, table, texts, titles);
    TRecordingCanvas c2(4960, 7016);
    EXPECT_EQ(Widths(PrintColumns(hiddenRows, c2)),
              (std::vector<int>{250, 120, 126, 120, 120, 200, 140, 200, 120}));
}

// A text wider than its column ends in "..." where it is cut, the header as the cells.
TEST_F(PrintFileView, TextsTooWideAreShortenedWithAnEllipsis) {
    table[0].UserID = 123456789;
    table[0].UserID *= 10;  // 10 digits: 180 of the 250 the user number may have
    table[1].User1 = std::string(40, 'w');
    const TFileView view = MakeFileView(table, texts, titles, "3,7,8,0,", 3);
    const TFileViewRows rows(view, table, texts, titles);
    TRecordingCanvas canvas(1190, 7016);  // User 1 gets 1190 - 300 - 370 - 320 = 200
    ASSERT_EQ(PrintView(rows, canvas), 1);
    EXPECT_EQ(canvas.texts[0].text, "A very long\x85");  // 12 x 20 bold in 250
    EXPECT_EQ(canvas.texts[3].text, "1234567890");
    EXPECT_EQ(canvas.texts[7].text, std::string(10, 'w') + "\x85");  // 11 x 18 in 200
    for (const auto& t : canvas.texts)
        EXPECT_LE(static_cast<int>(t.text.size()) * (t.bold ? 20 : 18), t.width) << t.text;
    EXPECT_EQ(FitText("abc", 10, canvas), "");
    EXPECT_EQ(FitText("ab cd", 4 * 18, canvas), "ab\x85");  // no blank before the ellipsis
}

// Rows continue over sheets; every sheet starts with the header row in bold at y = 100;
// data rows are in normal type 60 pixels apart; a row goes on only while its bottom stays
// above the bottom margin; no sheet holds the header alone.
TEST_F(PrintFileView, SheetBreaksAndHeaderRepeat) {
    const TFileView view = MakeFileView(table, texts, titles, "3,0,8,1,7,9,10,11,", 3);
    const TFileViewRows rows(view, table, texts, titles);
    // Height 640: rows of 50 at 100, 160, ..., 460 end by 510, the next would end at 570,
    // past 640 - 100: six data rows a sheet.
    TRecordingCanvas canvas(4960, 640);
    EXPECT_EQ(PrintView(rows, canvas), 5);  // 30 data rows: 6 on each sheet
    int expectedRow = 1;
    for (int sheet = 1; sheet <= 5; ++sheet) {
        const auto texts = canvas.OnSheet(sheet);
        ASSERT_EQ(texts.size(), 3u * 7) << sheet;
        EXPECT_EQ(texts[0].text, "Text27");
        EXPECT_EQ(texts[1].text, "U1");
        EXPECT_EQ(texts[2].text, "Text28");
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(texts[i].bold);
            EXPECT_EQ(texts[i].y, 100);
            EXPECT_EQ(texts[i].height, 50);
        }
        for (size_t i = 3; i < texts.size(); i += 3) {
            const int line = static_cast<int>(i / 3);
            EXPECT_FALSE(texts[i].bold);
            EXPECT_EQ(texts[i].y, 100 + 60 * line);
            EXPECT_LE(texts[i].y + texts[i].height, 640 - 100);
            EXPECT_EQ(texts[i].text, std::to_string(expectedRow)) << sheet;
            EXPECT_EQ(texts[i + 1].text, "User number " + std::to_string(expectedRow));
            EXPECT_EQ(texts[i].x, 150);
            EXPECT_EQ(texts[i + 1].x, 150 + 120 + 40);
            ++expectedRow;
        }
    }
    EXPECT_EQ(expectedRow, 31);

    // Exactly 24 data rows fill four sheets: no fifth sheet with the header alone.
    table.resize(24);
    const TFileView full = MakeFileView(table, texts, titles, "3,0,8,1,7,9,10,11,", 3);
    TRecordingCanvas c2(4960, 640);
    EXPECT_EQ(PrintView(TFileViewRows(full, table, texts, titles), c2), 4);
    EXPECT_EQ(c2.sheet, 4);

    // A printer failing at a new sheet stops the printout.
    TRecordingCanvas failing(4960, 640);
    failing.failOnNewPage = true;
    EXPECT_EQ(PrintView(rows, failing), 0);
    EXPECT_TRUE(failing.OnSheet(2).empty());
}

// The lengths are those of a 300 dpi printer, scaled: at every resolution the same rows
// on the same sheets, every text inside the margins and its cell.
TEST_F(PrintFileView, LengthsScaleWithTheResolution) {
    for (int i = 31; i <= 200; ++i) table.push_back(Record(i, "1" + std::to_string(i), "2", i, ""));
    const TFileView view = MakeFileView(table, texts, titles);
    const TFileViewRows rows(view, table, texts, titles);
    std::vector<int> sheets;
    for (const int dpi : {72, 300, 600, 1200, 2400}) {
        SCOPED_TRACE(dpi);
        const int width = 2480 * dpi / 300, height = 3508 * dpi / 300;  // A4
        TRecordingCanvas canvas(width, height, dpi);
        sheets.push_back(PrintView(rows, canvas));
        const int margin = 150 * dpi / 300, top = 100 * dpi / 300;
        std::vector<int> seen(table.size() + 1, 0);
        for (const auto& t : canvas.texts) {
            EXPECT_GE(t.x, margin);
            EXPECT_LE(t.x + t.width, width - margin) << t.text;
            EXPECT_GE(t.y, top);
            EXPECT_LE(t.y + t.height, height - top);
            EXPECT_LE(static_cast<int>(t.text.size()) * canvas.Scaled(t.bold ? 20 : 18), t.width);
        }
        // Every row once: its position in the position column (the first on its band).
        const TPrintLayout layout = LayOutPrint(rows, canvas);
        const TPrintColumn& position = layout.columns[5];
        for (const auto& t : canvas.texts)
            if (!t.bold && t.x == position.x && t.width == position.width)
                ++seen[static_cast<size_t>(std::stoi(t.text))];
        EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), static_cast<long>(table.size()));
        EXPECT_EQ(layout.left, margin);
    }
    EXPECT_EQ(std::set<int>(sheets.begin(), sheets.end()).size(), 1u)
        << ::testing::PrintToString(sheets);
}

// Margins keep inside what the printer can print on.
TEST_F(PrintFileView, MarginsKeepInsideThePrintableArea) {
    const TFileView view = MakeFileView(table, texts, titles, "3,0,8,1,7,9,10,11,", 3);
    const TFileViewRows rows(view, table, texts, titles);
    TRecordingCanvas canvas(4960, 1000);
    canvas.area_ = {400, 300, 4960 - 400, 1000 - 250};
    PrintView(rows, canvas);
    for (const auto& t : canvas.texts) {
        EXPECT_GE(t.x, 400);
        EXPECT_GE(t.y, 300);
        EXPECT_LE(t.y + t.height, 750);
    }
    EXPECT_EQ(canvas.texts[0].y, 300);
    EXPECT_EQ(canvas.texts[0].x, 400);
}

TEST(PrintGeometry, HistoryAndBatteryRules) {
    const TTextTable texts = NumberedTexts();
    const TUserTitles titles = {"No.", "U1", "U2", "U3", "U4"};
    TTextRows history;
    history.headers = {"Code", "Btn", "Time", "Position", "User number title", "A", "B", "C", "D"};
    SetHistoryRules(history, texts, titles, 9);
    TRecordingCanvas canvas(4960, 7016);
    const auto h = PrintColumns(history, canvas);
    const int fixed = 80 + 60 + 350 + 300 + 250;
    const int flexible = std::min((4960 - 300 - fixed - 320) / 4, 600);
    EXPECT_EQ(Widths(h),
              (std::vector<int>{80, 60, 350, 300, 250, flexible, flexible, flexible, flexible}));

    TTextRows battery;
    battery.headers = {"Code", "Btn", "Time", "User number title", "A"};
    SetBatteryRules(battery, texts, titles, 5);
    TRecordingCanvas c2(2000, 7016);
    const auto b = PrintColumns(battery, c2);
    EXPECT_EQ(Widths(b),
              (std::vector<int>{80, 300, 350, 250, (2000 - 300 - (80 + 300 + 350 + 250) - 320)}));

    // The Monitoring page prints one empty sheet.
    TTextRows monitoring;
    monitoring.headers = {"A"};
    monitoring.rows = {{"x"}};
    TRecordingCanvas c3(4960, 7016);
    EXPECT_EQ(PrintView(monitoring, c3), 1);
    EXPECT_TRUE(c3.texts.empty());
}

}  // namespace
}  // namespace ravlin::test
