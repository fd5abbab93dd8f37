#include <gtest/gtest.h>

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
    TRecordingCanvas(int width, int height) : width_(width), height_(height) {}

    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }
    void SetBold(bool bold) override { bold_ = bold; }
    int TextWidth(const std::string& text) override {
        return static_cast<int>(text.size()) * (bold_ ? 20 : 18);
    }
    int TextHeight(const std::string&) override { return bold_ ? 50 : 48; }
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

  private:
    int width_, height_;
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
    EXPECT_EQ(Widths(columns), (std::vector<int>{60, 80, 60, 240, 40, 200, 120}));
    EXPECT_EQ(Xs(columns), (std::vector<int>{150, 250, 370, 470, 750, 830, 1070}));
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

// Function and time at least 200, the user number at most 250, User 1 to 4 flexible.
TEST_F(PrintFileView, FlexibleUserColumns) {
    const TFileView view = MakeFileView(table, texts, titles);
    const TFileViewRows rows(view, table, texts, titles);
    TRecordingCanvas canvas(4960, 7016);
    const auto columns = PrintColumns(rows, canvas);
    // Grid columns: 7 8 9 10 11 0 1 2 3 4 5 6 15.
    // Fixed: user number 250, then 7 x 120 ("TextNN"), function 200 (FunctionColumn: 140),
    // channels 140, time 200, "RS-232" 120.
    const int fixed = 250 + 4 * 120 + 200 + 140 + 200 + 120;
    const int flexible = std::min((4960 - 300 - fixed - 320) / 4, 600);
    EXPECT_EQ(Widths(columns), (std::vector<int>{250, flexible, flexible, flexible, flexible, 120,
                                                 120, 120, 120, 200, 140, 200, 120}));
    for (size_t c = 1; c < columns.size(); ++c)
        EXPECT_EQ(columns[c].x, columns[c - 1].x + columns[c - 1].width + 40);

    // A narrow page leaves the flexible columns no room: they print nothing.
    TRecordingCanvas narrow(1200, 7016);
    const auto cut = PrintColumns(rows, narrow);
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(cut[c].width, 0);
    EXPECT_EQ(cut[5].x, cut[0].x + 250 + 5 * 40);

    // All user texts hidden: no flexible column.
    const TFileView hidden =
        MakeFileView(table, texts, titles, "9,7,0,1,2,3,4,5,6,15,8,9,10,11,", 9);
    const TFileViewRows hiddenRows(hidden, table, texts, titles);
    TRecordingCanvas c2(4960, 7016);
    EXPECT_EQ(Widths(PrintColumns(hiddenRows, c2)),
              (std::vector<int>{250, 120, 120, 120, 120, 200, 140, 200, 120}));
}

// Rows continue over sheets; every sheet starts with the header row in bold at y = 100;
// data rows are in normal type 60 pixels apart; no sheet holds the header alone.
TEST_F(PrintFileView, SheetBreaksAndHeaderRepeat) {
    const TFileView view = MakeFileView(table, texts, titles, "3,0,8,1,7,9,10,11,", 3);
    const TFileViewRows rows(view, table, texts, titles);
    // 31 rows of 60 pixels; a row starts only while y <= height - 100: with height 640,
    // rows start at 100, 160, ..., 520 (8 rows, header included) on each sheet.
    TRecordingCanvas canvas(4960, 640);
    EXPECT_EQ(PrintView(rows, canvas), 5);  // 30 data rows: 7 + 7 + 7 + 7 + 2
    int expectedRow = 1;
    for (int sheet = 1; sheet <= 5; ++sheet) {
        const auto texts = canvas.OnSheet(sheet);
        ASSERT_GE(texts.size(), 3u) << sheet;
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
            EXPECT_LE(texts[i].y, 640 - 100);
            EXPECT_EQ(texts[i].text, std::to_string(expectedRow)) << sheet;
            EXPECT_EQ(texts[i + 1].text, "User number " + std::to_string(expectedRow));
            EXPECT_EQ(texts[i].x, 150);
            EXPECT_EQ(texts[i + 1].x, 150 + 120 + 40);
            ++expectedRow;
        }
    }
    EXPECT_EQ(expectedRow, 31);

    // Exactly 28 data rows fill four sheets: no fifth sheet with the header alone.
    table.resize(28);
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
