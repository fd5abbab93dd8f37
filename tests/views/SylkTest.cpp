#include <gtest/gtest.h>
#include <sys/stat.h>

#include "RecordingUi.h"
#include "ViewsTestSupport.h"
#include "base/AtomicFile.h"
#include "base/CodePage.h"
#include "views/Export.h"
#include "views/FreeExcelSylk.h"
#include "views/ViewPages.h"

namespace ravlin::test {
namespace {

// The fixed header as the file format of the program's exports has it, record by record.
const std::string kHeader =
    "ID;PWXL;N;E\r\n"
    "P;PGeneral\r\n"
    "P;P0\r\n"
    "P;P0.00\r\n"
    "P;P#,##0\r\n"
    "P;P#,##0.00\r\n"
    "P;P#,##0\\ _K_\x1bNAe;;\\-#,##0\\ _K_\x1bNAe\r\n"
    "P;P#,##0\\ _K_\x1bNAe;;[Red]\\-#,##0\\ _K_\x1bNAe\r\n"
    "P;P#,##0.00\\ _K_\x1bNAe;;\\-#,##0.00\\ _K_\x1bNAe\r\n"
    "P;P#,##0.00\\ _K_\x1bNAe;;[Red]\\-#,##0.00\\ _K_\x1bNAe\r\n"
    "P;P#,##0\\ \"$\";;\\-#,##0\\ \"$\"\r\n"
    "P;P#,##0\\ \"$\";;[Red]\\-#,##0\\ \"$\"\r\n"
    "P;P#,##0.00\\ \"$\";;\\-#,##0.00\\ \"$\"\r\n"
    "P;P#,##0.00\\ \"$\";;[Red]\\-#,##0.00\\ \"$\"\r\n"
    "P;P0%\r\n"
    "P;P0.00%\r\n"
    "P;P0.00E+00\r\n"
    "P;P##0.0E+0\r\n"
    "P;P#\" \"?/?\r\n"
    "P;P#\" \"?\?/?\?\r\n"
    "P;Pd/m/yyyy\r\n"
    "P;Pd/mmm/yy\r\n"
    "P;Pd/mmm\r\n"
    "P;Pmmm/yy\r\n"
    "P;Ph:mm\\ dop./odp.\r\n"
    "P;Ph:mm:ss\\ dop./odp.\r\n"
    "P;Ph:mm\r\n"
    "P;Ph:mm:ss\r\n"
    "P;Pd/m/yyyy\\ h:mm\r\n"
    "P;Pmm:ss\r\n"
    "P;Pmm:ss.0\r\n"
    "P;P@\r\n"
    "P;P[h]:mm:ss\r\n"
    "P;P_-* #,##0\\ \"$\"_-;;\\-* #,##0\\ \"$\"_-;;_-* \"-\"\\ \"$\"_-;;_-@_-\r\n"
    "P;P_-* #,##0\\ _K_\x1bNAe_-;;\\-* #,##0\\ _K_\x1bNAe_-;;_-* \"-\"\\ _K_\x1bNAe_-;;_-@_-\r\n"
    "P;P_-* #,##0.00\\ \"$\"_-;;\\-* #,##0.00\\ \"$\"_-;;_-* \"-\"?\?\\ \"$\"_-;;_-@_-\r\n"
    "P;P_-* #,##0.00\\ _K_\x1bNAe_-;;\\-* #,##0.00\\ _K_\x1bNAe_-;;_-* \"-\"?\?\\ "
    "_K_\x1bNAe_-;;_-@_-\r\n"
    "P;FArial CE;M200\r\n"
    "P;FArial CE;M200\r\n"
    "P;FArial CE;M200\r\n"
    "P;FArial CE;M200\r\n";
const std::string kFontAndFixed =
    "P;ECourier New CE;M200;L9\r\n"
    "F;P0;DG0G8;M255\r\n"
    "B;Y1;X1;D0 0 0 0\r\n"
    "O;D;V0;K47;G100 0.001\r\n";

std::string TextCell(int y, int x, const std::string& text) {
    return "F;P0;FG0R;SM5;Y" + std::to_string(y) + ";X" + std::to_string(x) + " \r\nC;Y" +
           std::to_string(y) + ";X" + std::to_string(x) + ";K\"" + text + "\"\r\n";
}

std::string NumberCell(int y, int x, const std::string& number, int picture = 0) {
    return "F;P" + std::to_string(picture) + ";FG0R;SM5;Y" + std::to_string(y) + ";X" +
           std::to_string(x) + " \r\nC;Y" + std::to_string(y) + ";X" + std::to_string(x) + ";K" +
           number + "\r\n";
}

TEST(Sylk, FixedPartsAreExact) {
    ASSERT_EQ(kHeader.size(), 972u);
    EXPECT_EQ(TFreeExcelS::Header(), kHeader);
    EXPECT_EQ(kFontAndFixed.size() - 27, 58u);
    TFreeExcelS empty("unused");
    EXPECT_EQ(empty.Content(), kHeader + kFontAndFixed + "E\r\n");
}

TEST(Sylk, CellRecordsNumbersAndDates) {
    TFreeExcelS w("unused", TSylkEncoding::Windows1252);
    EXPECT_TRUE(w.WriteText(1, 1, "Position"));
    EXPECT_TRUE(w.WriteNumber(2, 1, 12));
    EXPECT_TRUE(w.WriteNumber(2, 2, 0));
    EXPECT_TRUE(w.WriteNumber(3, 1, -250));
    const double when = *SerialDateTime(2008, 3, 15, 14, 30, 0);
    EXPECT_TRUE(w.WriteDateTime(3, 2, when));
    EXPECT_FALSE(w.WriteText(0, 1, "x"));
    EXPECT_FALSE(w.WriteNumber(1, 0, 1));
    EXPECT_FALSE(w.WriteDateTime(-1, 1, 1));
    EXPECT_EQ(w.Content(), kHeader + kFontAndFixed + TextCell(1, 1, "Position") +
                               NumberCell(2, 1, "1.20000000000000E+001") +
                               NumberCell(2, 2, "0.00000000000000E+000") +
                               NumberCell(3, 1, "-2.50000000000000E+002") +
                               NumberCell(3, 2, "3.95226041666667E+004", 27) + "E\r\n");
}

TEST(Sylk, NumberForm) {
    EXPECT_EQ(SylkNumber(1), "1.00000000000000E+000");
    EXPECT_EQ(SylkNumber(99999), "9.99990000000000E+004");
    EXPECT_EQ(SylkNumber(0.001), "1.00000000000000E-003");
    EXPECT_EQ(SylkNumber(1e123), "1.00000000000000E+123");
    EXPECT_EQ(SylkNumber(-2147483648.0), "-2.14748364800000E+009");
}

TEST(Sylk, DateTimes) {
    EXPECT_EQ(*SerialDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(*SerialDateTime(1900, 3, 1, 0, 0, 0), 61.0);
    EXPECT_EQ(*SerialDateTime(2000, 2, 29, 12, 0, 0), 36585.5);
    EXPECT_NEAR(*SerialDateTime(2008, 3, 15, 14, 30, 0), 39522.0 + 14.5 / 24, 1e-9);
    EXPECT_FALSE(SerialDateTime(2001, 2, 29, 0, 0, 0));
    EXPECT_FALSE(SerialDateTime(2001, 13, 1, 0, 0, 0));
    EXPECT_FALSE(SerialDateTime(2001, 1, 1, 24, 0, 0));
}

TEST(Sylk, TextEscapes) {
    EXPECT_EQ(SylkText("a;b"), "a;;b");
    EXPECT_EQ(SylkText(";;"), ";;;;");
    EXPECT_EQ(SylkText("Gate   "), "Gate");
    EXPECT_EQ(SylkText("line1\r\nline2"), "line1\x1b :line2");
    EXPECT_EQ(SylkText("a\r\n\r\n"), "a");
    EXPECT_EQ(SylkText("a \r\n \r\n\t"), "a");
    // Lone line feeds and carriage returns are line breaks too; other control characters
    // become blanks, so no reader takes them for the end of the record or an escape.
    EXPECT_EQ(SylkText("A\nCD"), "A\x1b :CD");
    EXPECT_EQ(SylkText("Bar\rrier\r"), "Bar\x1b :rier");
    EXPECT_EQ(SylkText("\x1b[1mbold\x1b :"), " [1mbold  :");
    EXPECT_EQ(SylkText(std::string_view("a\tb\0c\x7f\x01", 8)), "a b c");
    EXPECT_EQ(SylkText("say \"hi\""), "say \"hi\"");
    EXPECT_EQ(SylkText("\xe9t\xe9"), "\xe9t\xe9");  // bytes above 127 stay
    EXPECT_EQ(SylkText("  "), "");
    EXPECT_EQ(SylkText(" x"), " x");
}

TEST(Sylk, EncodingOfTexts) {
    TFreeExcelS utf8("unused");
    utf8.WriteText(1, 1, "M\xfcller;");
    EXPECT_NE(utf8.Content().find("K\"M\xc3\xbcller;;\"\r\n"), std::string::npos);
    TFreeExcelS ansi("unused", TSylkEncoding::Windows1252);
    ansi.WriteText(1, 1, "M\xfcller;");
    EXPECT_NE(ansi.Content().find("K\"M\xfcller;;\"\r\n"), std::string::npos);

    EXPECT_EQ(ParseSylkEncoding("UTF-8"), TSylkEncoding::Utf8);
    EXPECT_EQ(ParseSylkEncoding("utf8"), TSylkEncoding::Utf8);
    EXPECT_EQ(ParseSylkEncoding("CP1252"), TSylkEncoding::Windows1252);
    EXPECT_EQ(ParseSylkEncoding("windows-1252"), TSylkEncoding::Windows1252);
    EXPECT_FALSE(ParseSylkEncoding("latin1"));
    TIniFile ini("");
    EXPECT_EQ(ReadExportEncoding(ini), TSylkEncoding::Utf8);
    WriteExportEncoding(ini, TSylkEncoding::Windows1252);
    EXPECT_EQ(ini.Content(), "[Setup]\r\nExportEncoding=Windows-1252\r\n");
    EXPECT_EQ(ReadExportEncoding(ini), TSylkEncoding::Windows1252);
    ini.LoadText("[Setup]\r\nExportEncoding=EBCDIC\r\n");
    EXPECT_EQ(ReadExportEncoding(ini), TSylkEncoding::Utf8);
}

// A File view of three records with five shown columns: 4 x 5 cells, position and user
// number as numbers, the header as texts, user texts escaped.
TEST(SylkExport, FileViewCells) {
    const TTextTable texts = NumberedTexts();
    const TUserTitles titles = {"No.", "Name", "Flat", "U3", "U4"};
    TRecordTable table = {Record(1, "0000A", "1", 7, "Smith; John"), TData{},
                          Record(3, "000FF", "0", 0, "Line\r\nTwo  "),
                          Record(4, "00100", "2", 12, "")};
    table[1].Position = 2;
    const TFileView view = MakeFileView(table, texts, titles, "5,0,7,8,1,3,2,9,10,11,", 5);
    const TFileViewRows rows(view, table, texts, titles);
    TFreeExcelS w("unused", TSylkEncoding::Windows1252);
    WriteViewCells(rows, w);
    std::string expected = kHeader + kFontAndFixed;
    const char* headers[] = {"Text27", "No.", "Name", "Text28", "Text29"};
    for (int x = 1; x <= 5; ++x) expected += TextCell(1, x, headers[x - 1]);
    expected += NumberCell(2, 1, "1.00000000000000E+000") +
                NumberCell(2, 2, "7.00000000000000E+000") + TextCell(2, 3, "Smith;; John") +
                TextCell(2, 4, "B20000A") + TextCell(2, 5, "1");
    expected += NumberCell(3, 1, "3.00000000000000E+000") +
                NumberCell(3, 2, "0.00000000000000E+000") + TextCell(3, 3, "Line\x1b :Two") +
                TextCell(3, 4, "B2000FF") + TextCell(3, 5, "0");
    expected += NumberCell(4, 1, "4.00000000000000E+000") +
                NumberCell(4, 2, "1.20000000000000E+001") + TextCell(4, 3, "") +
                TextCell(4, 4, "B200100") + TextCell(4, 5, "2");
    EXPECT_EQ(w.Content(), expected + "E\r\n");
}

// Number and date-time cells without a number or an entry are written as texts; a view
// without records writes its one empty row; the Monitoring page writes no cell.
TEST(SylkExport, FallbacksEmptyViewsAndMonitoring) {
    const TTextTable texts = NumberedTexts();
    const TUserTitles titles = {"No.", "U1", "U2", "U3", "U4"};
    TTextRows history;
    history.headers = {"Code", "Btn", "Time", "Pos", "No."};
    history.rows = {{"B2AAAAA", "1", "15.03.2008 14:30:00", "12", "x"}, {"", "", "", "", ""}};
    history.times = {SerialDateTime(2008, 3, 15, 14, 30, 0), std::nullopt};
    SetHistoryRules(history, texts, titles, 5);
    TFreeExcelS w("unused", TSylkEncoding::Windows1252);
    WriteViewCells(history, w);
    const std::string c = w.Content();
    EXPECT_NE(c.find(NumberCell(2, 3, "3.95226041666667E+004", 27)), std::string::npos);
    EXPECT_NE(c.find(TextCell(2, 4, "12")), std::string::npos);  // column 3 is text
    EXPECT_NE(c.find(TextCell(2, 5, "x")), std::string::npos);   // no integer in column 4
    EXPECT_NE(c.find(TextCell(3, 3, "")), std::string::npos);    // no entry behind the row
    EXPECT_NE(c.find(TextCell(3, 5, "")), std::string::npos);

    TRecordTable none(3);
    const TFileView empty = MakeFileView(none, texts, titles);
    TFreeExcelS e("unused", TSylkEncoding::Windows1252);
    WriteViewCells(TFileViewRows(empty, none, texts, titles), e);
    EXPECT_NE(e.Content().find(TextCell(2, 13, "")), std::string::npos);
    EXPECT_EQ(e.Content().find(";Y3;"), std::string::npos);

    TTextRows monitoring;
    monitoring.headers = {"A", "B"};
    monitoring.rows = {{"1", "2"}};
    TFreeExcelS m("unused");
    WriteViewCells(monitoring, m);
    EXPECT_EQ(m.Content(), kHeader + kFontAndFixed + "E\r\n");
}

// The final file replaces an old one only when complete; a failure keeps the old file,
// leaves no temporary file and tells the user why.
TEST(SylkExport, ReplacesOnlyWhenComplete) {
    TTempDir dir;
    const TTextTable texts = NumberedTexts();
    TTextRows rows;
    SetBatteryRules(rows, texts, {"a", "b", "c", "d", "e"}, 4);
    rows.headers = {"Code", "Time", "When", "Pos"};
    rows.rows = {{"B2AAAAA", "x", "y", "5"}};
    TRecordingUi ui;
    const std::string target = dir.File("list.xls");
    WriteFile(target, "old");
    WriteFile(dir.File("list.$$$"), "someone's file");
    ASSERT_TRUE(ExportView(rows, target, TSylkEncoding::Utf8, ui, texts));
    EXPECT_TRUE(ui.messages.empty());
    const std::string written = ReadFile(target);
    EXPECT_EQ(written.substr(0, 972), kHeader);
    EXPECT_NE(written.find(NumberCell(2, 4, "5.00000000000000E+000")), std::string::npos);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"list.$$$", "list.xls"}));
    EXPECT_EQ(ReadFile(dir.File("list.$$$")), "someone's file");

    // A folder that does not exist.
    EXPECT_FALSE(ExportView(rows, dir.File("missing/list.xls"), TSylkEncoding::Utf8, ui, texts));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, TRecorded::Error);
    EXPECT_EQ(ui.messages[0].message.textId, Text::CannotOpen);
    EXPECT_EQ(ui.messages[0].message.text,
              "Text80 - " + dir.File("missing/list.xls") + "\r\n" + SystemErrorText(ENOENT));

    // A folder the user may not write (root may write anywhere: nothing to check then).
    if (::geteuid() != 0) {
        ::chmod(dir.Path().c_str(), 0555);
        EXPECT_FALSE(ExportView(rows, target, TSylkEncoding::Utf8, ui, texts));
        ::chmod(dir.Path().c_str(), 0755);
        EXPECT_EQ(ReadFile(target), written);
    }
    // The target is a folder.
    std::filesystem::create_directory(dir.File("folder.xls"));
    EXPECT_FALSE(ExportView(rows, dir.File("folder.xls"), TSylkEncoding::Utf8, ui, texts));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder.xls", "list.$$$", "list.xls"}));
    EXPECT_EQ(ui.messages.back().message.textId, Text::CannotOpen);
}

}  // namespace
}  // namespace ravlin::test
