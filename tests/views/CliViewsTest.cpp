// ravlin-cli export and print over the delivered demonstration data file, and what
// LibreOffice Calc and a PDF reader make of the results (skipped where those programs are
// not installed).

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "RecordingUi.h"
#include "ViewsTestSupport.h"
#include "app/Settings.h"
#include "base/CodePage.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "document/DataFile.h"
#include "records/Codec.h"
#include "views/ColumnConfig.h"
#include "views/Export.h"
#include "views/ViewPages.h"

namespace ravlin::test {
namespace {

const std::string kCli = std::string(RAVLIN_BIN_DIR) + "/ravlin-cli";
const std::string kData = RAVLIN_TEST_DATA_DIR;
const std::string kDemo = kData + "/Demo.rvl";

class CliViews : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directory(dir.File("home")); }
    TRun Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", kData, "--home", dir.File("home")});
        return RunCommand(kCli, args, dir.Path());
    }
    void Settings(const std::string& content) {
        WriteFile(dir.File("home/RavlinProj.ini"), content);
    }

    // The File view of the demonstration file as the program builds it, in the layout of
    // the settings file.
    struct TDemo {
        TSilentUi ui;
        TLanguage language{kData, ui};
        TDevice device;
        TRecordTable table;
        std::string image;
        std::unique_ptr<TFunctionTable> functionTable;
        TUserTitles titles;
        TFileView file;
        TMemoryViewContent memory;
    };
    std::unique_ptr<TDemo> LoadDemo() {
        auto d = std::make_unique<TDemo>();
        EXPECT_TRUE(d->language.LoadLanguage("US"));
        const TDataFileEnv env{kData, d->language.Texts(), d->ui};
        EXPECT_TRUE(OpenData(kDemo, env, false, d->device, d->table, d->image));
        d->functionTable = std::make_unique<TFunctionTable>(kData, d->language.Texts(), d->ui);
        d->functionTable->SetFileName(d->language.FunctionTableFile());
        EXPECT_TRUE(d->functionTable->LoadFunctionTable(d->device.Name));
        TIniFile ini(dir.File("home/RavlinProj.ini"));
        ReadUserTitles(ini, d->language.Texts(), d->titles);
        TSettings settings;
        settings.Load(ini);
        d->file.family = FamilyOf(d->functionTable->SingleRelay);
        d->file.layout = ReadColumnLayout(ini, d->file.family, d->functionTable->SingleRelay);
        d->file.sort = settings.FileSorts.Of(d->file.family);
        d->file.Refresh(d->table, d->language.Texts(), d->titles,
                        MakeCellTexts(*d->functionTable, d->device));
        d->memory = BuildMemoryView(d->table, d->device, *d->functionTable, d->language.Texts(),
                                    d->titles[1]);
        return d;
    }

    TTempDir dir;
};

// The command writes what the program writes, in the settings' column layout and
// encoding, or in the encoding asked for.
TEST_F(CliViews, ExportWritesTheProgramsSheet) {
    Settings(
        "[Setup]\r\nUser1=Holder\r\nSortColSingle=1\r\nSortUpSingle=0\r\n"
        "[Grid_Config]\r\nUser_Single=12,0,8,7,9,10,11,1,2,3,4,5,6,15,\r\n");
    const auto demo = LoadDemo();
    ASSERT_GT(demo->file.RowCount(), 3);
    const TFileViewRows fileRows(demo->file, demo->table, demo->language.Texts(), demo->titles);
    TFreeExcelS expected("unused");
    WriteViewCells(fileRows, expected);

    TRun r = Cli({"export", kDemo, "-o", dir.File("file.slk")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string written = ReadFile(dir.File("file.slk"));
    EXPECT_EQ(written, expected.Content());
    // Sorted by the User 1 column (grid column 1) descending, titled from the settings.
    EXPECT_NE(written.find("C;Y1;X2;K\"Holder\""), std::string::npos);
    EXPECT_EQ(demo->file.layout.KindAt(1), kind::User1);

    r = Cli({"export", "--view", "memory", kDemo, "--encoding", "cp1252", "-o",
             dir.File("memory.slk")});
    ASSERT_EQ(r.status, 0) << r.err;
    const TMemoryViewRows memoryRows(demo->memory, demo->language.Texts());
    TFreeExcelS memory("unused", TSylkEncoding::Windows1252);
    WriteViewCells(memoryRows, memory);
    EXPECT_EQ(ReadFile(dir.File("memory.slk")), memory.Content());

    Settings("[Setup]\r\nExportEncoding=Windows-1252\r\n");
    r = Cli({"export", kDemo, "-o", dir.File("ansi.slk")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFile(dir.File("ansi.slk")).find("Nov\xe1k"), std::string::npos);
    EXPECT_NE(ReadFile(dir.File("file.slk")).find("Nov\xc3\xa1k"), std::string::npos);
}

TEST_F(CliViews, UsageAndFailures) {
    EXPECT_EQ(Cli({"export"}).status, 2);
    EXPECT_EQ(Cli({"export", kDemo}).status, 2);  // no -o
    EXPECT_EQ(Cli({"export", kDemo, "-o", dir.File("a.slk"), "--view", "history"}).status, 2);
    EXPECT_EQ(Cli({"export", kDemo, "-o", dir.File("a.slk"), "--encoding", "latin2"}).status, 2);
    EXPECT_EQ(Cli({"export", kDemo, kDemo, "-o", dir.File("a.slk")}).status, 2);
    EXPECT_EQ(Cli({"print", kDemo}).status, 2);  // no --pdf
    EXPECT_EQ(Cli({"print", kDemo, "--pdf", dir.File("a.pdf"), "--dpi", "9"}).status, 2);

    // A missing data file and an unwritable target fail and leave nothing behind.
    TRun r = Cli({"export", dir.File("none.rvl"), "-o", dir.File("a.slk")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File cannot be opened or created"), std::string::npos);
    WriteFile(dir.File("keep.slk"), "old");
    r = Cli({"export", kDemo, "-o", dir.File("nofolder/a.slk")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nofolder/a.slk"), std::string::npos);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"home", "keep.slk"}));
    EXPECT_EQ(ReadFile(dir.File("keep.slk")), "old");
}

// `show --view file`: the File view's columns with the user number and texts, in the
// File view's column and sort order of the settings file, as a table or CSV; the Memory
// view stays the default.
TEST_F(CliViews, ShowPrintsTheFileViewWithItsUserInformation) {
    Settings(
        "[Setup]\r\nUser1=Holder\r\nSortColSingle=1\r\nSortUpSingle=0\r\n"
        "[Grid_Config]\r\nUser_Single=12,0,8,7,9,10,11,1,2,3,4,5,6,15,\r\n");
    const auto demo = LoadDemo();
    const TFileViewRows fileRows(demo->file, demo->table, demo->language.Texts(), demo->titles);
    ASSERT_GT(demo->file.RowCount(), 3);

    TRun r = Cli({"show", kDemo, "--view", "file", "--csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), static_cast<size_t>(demo->file.RowCount() + 1));
    EXPECT_EQ(lines[0].substr(0, 26), "Position,Holder,User ID,Us");
    // Rows sorted by User 1 descending; each line the File view's cells.
    for (int row = 1; row <= demo->file.RowCount(); ++row) {
        std::string expected;
        for (int c = 0; c < fileRows.ColumnCount(); ++c) {
            std::string cell = AnsiToUtf8(fileRows.Cell(row, c));
            if (cell.find_first_of(",\"") != std::string::npos) cell = "\"" + cell + "\"";
            expected += (c ? "," : "") + cell;
        }
        EXPECT_EQ(lines[row], expected) << row;
    }
    EXPECT_NE(r.out.find("Jan Nov\xc3\xa1k"), std::string::npos);

    // The aligned table has the same cells; the Memory view is the default and has no user
    // number column.
    r = Cli({"show", "--view", "file", kDemo});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 8), "Position");
    EXPECT_NE(r.out.find("Eva Svobodov\xc3\xa1"), std::string::npos);
    r = Cli({"show", kDemo, "--csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("User ID"), std::string::npos);
    EXPECT_EQ(r.out.find("Jan Nov"), std::string::npos);
    EXPECT_EQ(Cli({"show", kDemo, "--view", "memory", "--csv"}).out, r.out);
    EXPECT_EQ(Cli({"show", kDemo, "--view", "history"}).status, 2);
    EXPECT_EQ(Cli({"show", "--history"}).status, 2);
}

// The logs of on-line mode in place of a data file: the same sheet and printout the
// desktop program makes of the History and Battery pages.
TEST_F(CliViews, ExportAndPrintTheLogs) {
    WriteFile(dir.File("home/History.dat"),
              "1ABCDE0#5#15.03.2008 14:30:00#1#7#Anna M\xfcller#Flat 3###\r\n"
              "0012345#3#16.03.2008 08:00:00#0#12#Bert#Flat 12###\r\n");
    WriteFile(dir.File("home/LowBatt.dat"), "1ABCDE0#0#31.12.2023 23:59:59#7#Anna####\r\n");
    TRun r = Cli({"export", "--history", "-o", dir.File("history.slk")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string history = ReadFile(dir.File("history.slk"));
    EXPECT_EQ(history.substr(0, 972), TFreeExcelS::Header());
    EXPECT_NE(history.find("C;Y1;X3;K\"Time\""), std::string::npos) << history.substr(972, 600);
    EXPECT_NE(history.find("F;P27;FG0R;SM5;Y2;X3 \r\nC;Y2;X3;K3.95226041666667E+004"),
              std::string::npos);
    EXPECT_NE(history.find("C;Y2;X6;K\"Anna M\xc3\xbcller\""), std::string::npos);
    EXPECT_NE(history.find("C;Y3;X5;K1.20000000000000E+001"), std::string::npos);

    r = Cli({"export", "--battery", "--encoding", "cp1252", "-o", dir.File("battery.slk")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string battery = ReadFile(dir.File("battery.slk"));
    EXPECT_NE(battery.find("C;Y2;X1;K\"1ABCDE0\""), std::string::npos);
    EXPECT_NE(battery.find("F;P27;FG0R;SM5;Y2;X3 "), std::string::npos);

    EXPECT_EQ(Cli({"export", "--history", kDemo, "-o", dir.File("x.slk")}).status, 2);
    EXPECT_EQ(Cli({"export", "--history", "--battery", "-o", dir.File("x.slk")}).status, 2);
    EXPECT_EQ(Cli({"export", "--history", "--view", "file", "-o", dir.File("x.slk")}).status, 2);

    // Portrait: the user texts share what the other columns leave and are shortened with
    // an ellipsis; landscape pages have room for them.
    for (const bool landscape : {false, true}) {
        std::vector<std::string> args = {"print", "--history", "--pdf", dir.File("history.pdf")};
        if (landscape) args.push_back("--landscape");
        r = Cli(args);
        if (r.status == 1 && r.err.find("without printing support") != std::string::npos)
            GTEST_SKIP() << "ravlin-cli built without Qt";
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, landscape ? ""
                                   : "ravlin-cli print: the columns continue over 2 sheets "
                                     "across; with --landscape 1\n");
        if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
        ASSERT_EQ(RunCommand("pdftotext", {"-layout", dir.File("history.pdf"), dir.File("h.txt")},
                             dir.Path())
                      .status,
                  0);
        const std::string text = ReadFile(dir.File("h.txt"));
        EXPECT_NE(text.find("Time"), std::string::npos) << text;
        // The time column is as wide as the time stamp.
        EXPECT_NE(text.find("15.03.2008 14:30:00"), std::string::npos) << text;
        EXPECT_TRUE(std::regex_search(
            text, std::regex(landscape ? "Anna M\xc3\xbcller" : "Anna[^ ]*\xe2\x80\xa6")))
            << text;
        EXPECT_NE(text.find("Bert"), std::string::npos) << text;
    }
}

// ---- LibreOffice Calc ------------------------------------------------------------------

struct TCalcCell {
    std::string type;  // float, date, string, or empty
    std::string value;
    std::string text;
};
using TCalcSheet = std::vector<std::vector<TCalcCell>>;

std::string XmlAttribute(const std::string& element, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = element.find(key);
    if (at == std::string::npos) return {};
    const size_t start = at + key.size();
    return element.substr(start, element.find('"', start) - start);
}

// The paragraphs of a cell, one line each.
std::string XmlText(const std::string& cell) {
    std::string out;
    const std::regex paragraph("<text:p>([\\s\\S]*?)</text:p>");
    bool first = true;
    for (std::sregex_iterator i(cell.begin(), cell.end(), paragraph), e; i != e; ++i) {
        std::string s = (*i)[1].str();
        s = std::regex_replace(s, std::regex("<text:line-break/>"), "\n");
        std::smatch m;
        while (std::regex_search(s, m, std::regex("<text:s text:c=\"([0-9]+)\"/>")))
            s = m.prefix().str() + std::string(std::stoi(m[1].str()), ' ') + m.suffix().str();
        s = std::regex_replace(s, std::regex("<text:s/>"), " ");
        s = std::regex_replace(s, std::regex("<[^>]*>"), "");
        const std::pair<const char*, const char*> entities[] = {
            {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
        for (auto [from, to] : entities) s = std::regex_replace(s, std::regex(from), to);
        out += (first ? "" : "\n") + s;
        first = false;
    }
    return out;
}

// The first sheet of a flat OpenDocument spreadsheet: cell types, values and texts.
TCalcSheet ReadFods(const std::string& xml) {
    TCalcSheet sheet;
    size_t pos = xml.find("<table:table ");
    const size_t end = xml.find("</table:table>", pos);
    while ((pos = xml.find("<table:table-row", pos)) != std::string::npos && pos < end) {
        const size_t rowEnd = xml.find("</table:table-row>", pos);
        const std::string rowTag = xml.substr(pos, xml.find('>', pos) - pos);
        std::vector<TCalcCell> row;
        size_t c = pos;
        while ((c = xml.find("<table:table-cell", c)) != std::string::npos && c < rowEnd) {
            const size_t tagEnd = xml.find('>', c);
            const std::string tag = xml.substr(c, tagEnd - c + 1);
            TCalcCell cell;
            cell.type = XmlAttribute(tag, "office:value-type");
            cell.value =
                XmlAttribute(tag, cell.type == "date" ? "office:date-value" : "office:value");
            size_t next = tagEnd + 1;
            if (tag[tag.size() - 2] != '/') {
                next = xml.find("</table:table-cell>", tagEnd);
                cell.text = XmlText(xml.substr(tagEnd + 1, next - tagEnd - 1));
            }
            const std::string repeat = XmlAttribute(tag, "table:number-columns-repeated");
            const int times = repeat.empty() ? 1 : std::min(std::stoi(repeat), 64);
            for (int i = 0; i < times; ++i) row.push_back(cell);
            c = next;
        }
        while (!row.empty() && row.back().type.empty() && row.back().text.empty()) row.pop_back();
        const std::string repeat = XmlAttribute(rowTag, "table:number-rows-repeated");
        const int times = repeat.empty() ? 1 : std::min(std::stoi(repeat), 64);
        for (int i = 0; i < times; ++i) sheet.push_back(row);
        pos = rowEnd;
    }
    while (!sheet.empty() && sheet.back().empty()) sheet.pop_back();
    return sheet;
}

// Every page's export opens in LibreOffice Calc with each cell in its place: numbers as
// numbers, date-times as dates, texts with their non-ASCII letters, escaped characters
// and line breaks.
TEST_F(CliViews, LibreOfficeReadsEveryPage) {
    if (!HaveProgram("libreoffice")) GTEST_SKIP() << "LibreOffice is not installed";
    const auto demo = LoadDemo();
    const TTextTable& texts = demo->language.Texts();
    ASSERT_EQ(Cli({"export", kDemo, "-o", dir.File("file.slk")}).status, 0);
    ASSERT_EQ(Cli({"export", kDemo, "--view", "memory", "-o", dir.File("memory.xls")}).status, 0);

    TTextRows history;
    history.headers = {"Code", "Button", "Time", "Position", "User ID", "U1", "U2", "U3", "U4"};
    history.rows = {{"B2A2B3C", "1", "15.03.2008 14:30:00", "5", "101", "M\xfcller; Hans",
                     "Line 1\r\nLine 2", "say \"hi\"", "\xc5rhus"},
                    {"B2A2B3D", "2", "15.03.2008 14:31:00", "6", "102", "A\nCD", "Bar\rrier",
                     "Esc\x1b[1m", "Tab\there\x01\x7f."},
                    {"", "", "", "", "", "", "", "", ""}};
    history.times = {SerialDateTime(2008, 3, 15, 14, 30, 0), SerialDateTime(2008, 3, 15, 14, 31, 0),
                     std::nullopt};
    SetHistoryRules(history, texts, demo->titles, 9);
    TRecordingUi ui;
    ASSERT_TRUE(ExportView(history, dir.File("history.slk"), TSylkEncoding::Utf8, ui, texts));
    TTextRows battery;
    battery.headers = {"Code", "Button", "Time", "User ID", "U1"};
    battery.rows = {{"B2A2B3C", "1", "31.12.2023 23:59:59", "7", "\xe9t\xe9"}};
    battery.times = {SerialDateTime(2023, 12, 31, 23, 59, 59)};
    SetBatteryRules(battery, texts, demo->titles, 5);
    ASSERT_TRUE(ExportView(battery, dir.File("battery.slk"), TSylkEncoding::Utf8, ui, texts));

    // One LibreOffice run for all four, with a profile of its own, in a UTF-8 locale.
    const std::string profile = "file://" + dir.File("lo-profile");
    const std::string command =
        "cd '" + dir.Path() + "' && LANG=C.UTF-8 LC_ALL=C.UTF-8 timeout 180 libreoffice " +
        "-env:UserInstallation=" + profile +
        " --headless --convert-to fods --outdir out file.slk memory.xls history.slk battery.slk"
        " >lo.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(dir.File("lo.log"));

    // File view: every cell where the export put it.
    const TCalcSheet file = ReadFods(ReadFile(dir.File("out/file.fods")));
    const TFileViewRows fileRows(demo->file, demo->table, texts, demo->titles);
    ASSERT_EQ(file.size(), static_cast<size_t>(fileRows.RowCount() + 1));
    for (int r = 0; r <= fileRows.RowCount(); ++r) {
        ASSERT_LE(file[r].size(), static_cast<size_t>(fileRows.ColumnCount())) << r;
        for (int c = 0; c < fileRows.ColumnCount(); ++c) {
            const std::string expected =
                SylkText(r == 0 ? fileRows.Header(c) : fileRows.Cell(r, c));
            const TCalcCell cell = c < static_cast<int>(file[r].size()) ? file[r][c] : TCalcCell{};
            EXPECT_EQ(cell.text, AnsiToUtf8(expected)) << r << "," << c;
            if (r > 0 && fileRows.ExportAs(c) == TExportAs::Number) {
                EXPECT_EQ(cell.type, "float") << r << "," << c;
                EXPECT_EQ(cell.value, expected);
            } else if (!expected.empty()) {
                EXPECT_EQ(cell.type, "string") << r << "," << c;
            }
        }
    }
    const TCalcSheet memory = ReadFods(ReadFile(dir.File("out/memory.fods")));
    ASSERT_EQ(memory.size(), demo->memory.rows.size() + 1);
    EXPECT_EQ(memory[1][0].type, "float");
    EXPECT_EQ(memory[1][1].text, demo->memory.rows[0].cells[1]);

    const TCalcSheet h = ReadFods(ReadFile(dir.File("out/history.fods")));
    ASSERT_GE(h.size(), 2u);
    ASSERT_EQ(h[1].size(), 9u);
    EXPECT_EQ(h[1][2].type, "date");
    EXPECT_EQ(h[1][2].value, "2008-03-15T14:30:00");
    EXPECT_EQ(h[1][3].type, "string");
    EXPECT_EQ(h[1][4].type, "float");
    EXPECT_EQ(h[1][4].value, "101");
    EXPECT_EQ(h[1][5].text, "M\xc3\xbcller; Hans");
    EXPECT_EQ(h[1][6].text, "Line 1\nLine 2");
    EXPECT_EQ(h[1][7].text, "say \"hi\"");
    EXPECT_EQ(h[1][8].text, "\xc3\x85rhus");
    // Control characters: line breaks stay line breaks, the others are blanks.
    ASSERT_GE(h.size(), 3u);
    ASSERT_EQ(h[2].size(), 9u);
    EXPECT_EQ(h[2][5].text, "A\nCD");
    EXPECT_EQ(h[2][6].text, "Bar\nrier");
    EXPECT_EQ(h[2][7].text, "Esc [1m");
    EXPECT_EQ(h[2][8].text, "Tab here  .");
    const TCalcSheet b = ReadFods(ReadFile(dir.File("out/battery.fods")));
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[1][2].type, "date");
    EXPECT_EQ(b[1][2].value, "2023-12-31T23:59:59");
    EXPECT_EQ(b[1][3].type, "float");
    EXPECT_EQ(b[1][4].text, "\xc3\xa9t\xc3\xa9");
}

// ---- PDF --------------------------------------------------------------------------------

// A data file of `count` records: the demonstration file's records over and over, each
// with its own position, serial number and user text.
std::string MakeBigDataFile(const TTempDir& dir, int count) {
    TSilentUi ui;
    TLanguage language(kData, ui);
    EXPECT_TRUE(language.LoadLanguage("US"));
    const TDataFileEnv env{kData, language.Texts(), ui};
    TDevice device;
    TRecordTable table;
    std::string image;
    EXPECT_TRUE(OpenData(kDemo, env, false, device, table, image));
    std::vector<TData> used;
    for (const auto& r : table)
        if (!r.Empty) used.push_back(r);
    TRecordTable big(count);
    for (int i = 0; i < count; ++i) {
        big[i] = used[i % used.size()];
        big[i].Position = i + 1;
        char serial[16];
        std::snprintf(serial, sizeof serial, "%05X", 0x10000 + i);
        big[i].Serial = serial;
        big[i].User1 = "Holder " + std::to_string(i + 1);
    }
    device.RecordCount = count;
    const std::string path = dir.File("big.rvl");
    EXPECT_TRUE(SaveData(path, device, big, image, language.Texts(), ui));
    return path;
}

TEST_F(CliViews, PrintToPdfHeaderOnEveryPageAndEveryRecord) {
    const std::string big = MakeBigDataFile(dir, 300);
    // In landscape every column of the File view fits the width (in portrait the last ones
    // continue on further sheets: PrintedRowsAndColumnsAtEveryResolution).
    TRun r = Cli({"print", big, "--landscape", "--pdf", dir.File("list.pdf")});
    if (r.status == 1 && r.err.find("without printing support") != std::string::npos)
        GTEST_SKIP() << "ravlin-cli built without Qt";
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
    const std::string info = RunCommand("pdfinfo", {dir.File("list.pdf")}, dir.Path()).out;
    EXPECT_NE(info.find("Title:           RAVLIN"), std::string::npos) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    ASSERT_EQ(
        RunCommand("pdftotext", {"-layout", dir.File("list.pdf"), dir.File("list.txt")}, dir.Path())
            .status,
        0);
    const std::string text = ReadFile(dir.File("list.txt"));
    // Pages are separated by form feeds; each starts with the header row. A text cut at
    // its column's edge is still in the file whole, so it may run into the next column's.
    std::vector<std::string> pages;
    size_t start = 0;
    for (size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
        pages.push_back(text.substr(start, ff - start));
    if (start < text.size() && text.find_first_not_of("\n ", start) != std::string::npos)
        pages.push_back(text.substr(start));
    ASSERT_GE(pages.size(), 3u);
    std::map<std::string, int> seen;
    const std::regex serial("[0-9A-F]{2}1[0-9A-F]{4}\\b");
    for (size_t p = 0; p < pages.size(); ++p) {
        // The header's texts stand on the page's first line.
        std::istringstream lines(pages[p]);
        std::string line, head;
        for (int n = 0; n < 1 && std::getline(lines, line);)
            if (line.find_first_not_of(' ') != std::string::npos) head += line + "\n", ++n;
        EXPECT_NE(head.find("Position"), std::string::npos) << "page " << p + 1 << ": " << head;
        EXPECT_NE(head.find("Serial No."), std::string::npos) << "page " << p + 1;
        EXPECT_NE(head.find("User ID"), std::string::npos) << "page " << p + 1;
        EXPECT_EQ(head.find("Holder"), std::string::npos) << "page " << p + 1;
        for (std::sregex_iterator i(pages[p].begin(), pages[p].end(), serial), e; i != e; ++i)
            ++seen[i->str().substr(2)];
    }
    // Every record once, in position order by default.
    EXPECT_EQ(seen.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        char s[16];
        std::snprintf(s, sizeof s, "%05X", 0x10000 + i);
        EXPECT_EQ(seen[s], 1) << s;
    }

    // Letter in landscape: fewer, wider pages.
    r = Cli({"print", "--landscape", big, "--view", "memory", "--pdf", dir.File("memory.pdf"),
             "--page-size", "letter"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string letter = RunCommand("pdfinfo", {dir.File("memory.pdf")}, dir.Path()).out;
    EXPECT_NE(letter.find("792 x 612 pts (letter)"), std::string::npos) << letter;
    EXPECT_EQ(Cli({"print", big, "--pdf", dir.File("x.pdf"), "--page-size", "A9"}).status, 2);
}

// A KV3S data file of `count` records (sixteen File view columns, three relays with
// their times), each with its own code "24" + five hex digits.
std::string MakeRelayDataFile(const TTempDir& dir, int count) {
    TSilentUi ui;
    TLanguage language(kData, ui);
    EXPECT_TRUE(language.LoadLanguage("US"));
    TFunctionTable functionTable(kData, language.Texts(), ui);
    functionTable.SetFileName(language.FunctionTableFile());
    TDevice device;
    TRecordTable table;
    EXPECT_TRUE(
        MakeEmptyTable(kData, "KV3S", false, device, functionTable, table, language.Texts(), ui));
    for (int i = 0; i < count; ++i) {
        TData& r = table[static_cast<size_t>(i)];
        r.Empty = false;
        r.CodePrefix = "24";
        char serial[16];
        std::snprintf(serial, sizeof serial, "%05X", 0x10000 + i);
        r.Serial = serial;
        r.Button = "8";
        r.Output = "03";
        r.Time = "003200640096";
        r.TxType = "TX4 Classic";
        r.UserID = 100 + i;
        r.User1 = "Holder " + std::to_string(i + 1);
    }
    const std::string path = dir.File("relays.rvl");
    std::string image;
    EXPECT_TRUE(SaveData(path, device, table, image, language.Texts(), ui));
    return path;
}

struct TPdfWord {
    double xMin, yMin, xMax, yMax;
    std::string text;
};
struct TPdfPage {
    double width = 0, height = 0;
    std::vector<TPdfWord> words;
    // The words of the top line (the header row), joined by blanks.
    std::string TopLine() const {
        double top = 1e9;
        for (const auto& w : words) top = std::min(top, w.yMin);
        std::string line;
        for (const auto& w : words)
            if (w.yMin < top + 2) line += (line.empty() ? "" : " ") + w.text;
        return line;
    }
};

// The words of every page with their boxes, as pdftotext -bbox gives them (points).
std::vector<TPdfPage> ReadPdfWords(const std::string& html) {
    std::vector<TPdfPage> pages;
    const std::regex page("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">");
    const std::regex word(
        "<word xMin=\"([0-9.-]+)\" yMin=\"([0-9.-]+)\" xMax=\"([0-9.-]+)\" yMax=\"([0-9.-]+)\">"
        "([^<]*)</word>");
    std::istringstream in(html);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_search(line, m, page)) {
            pages.push_back({std::stod(m[1]), std::stod(m[2]), {}});
        } else if (std::regex_search(line, m, word) && !pages.empty()) {
            pages.back().words.push_back(
                {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
        }
    }
    return pages;
}

// A 250-record File view of sixteen columns printed at every resolution: every record
// once, every column header on the top line of the sheets of its band, every word on the
// paper inside the margins.
TEST_F(CliViews, PrintedRowsAndColumnsAtEveryResolution) {
    if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
    const std::string file = MakeRelayDataFile(dir, 250);
    const TRun shown = Cli({"show", file, "--view", "file", "--csv"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    std::vector<std::string> headers;
    {
        const std::string first = shown.out.substr(0, shown.out.find('\n'));
        std::stringstream fields(first);
        for (std::string h; std::getline(fields, h, ',');) headers.push_back(h);
    }
    ASSERT_EQ(headers.size(), 16u) << shown.out.substr(0, 200);
    for (const char* dpi : {"72", "300", "600", "1200", "2400"}) {
        SCOPED_TRACE(std::string(dpi) + " dpi");
        const std::string pdf = dir.File(std::string("relays-") + dpi + ".pdf");
        const TRun r = Cli({"print", file, "--view", "file", "--dpi", dpi, "--pdf", pdf});
        if (r.status == 1 && r.err.find("without printing support") != std::string::npos)
            GTEST_SKIP() << "ravlin-cli built without Qt";
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(RunCommand("pdftotext", {"-bbox", pdf, pdf + ".html"}, dir.Path()).status, 0);
        const std::vector<TPdfPage> pages = ReadPdfWords(ReadFile(pdf + ".html"));
        ASSERT_FALSE(pages.empty());
        std::map<std::string, int> codes;
        std::map<std::string, int> headerCount;
        for (const TPdfPage& page : pages) {
            // 150 and 100 pixels at 300 dpi: half an inch beside, a third above and below.
            for (const TPdfWord& w : page.words) {
                EXPECT_GE(w.xMin, 36 - 1) << w.text;
                EXPECT_LE(w.xMax, page.width - 36 + 1) << w.text;
                EXPECT_GE(w.yMin, 24 - 1) << w.text;
                EXPECT_LE(w.yMax, page.height - 24 + 1) << w.text;
                if (std::regex_match(w.text, std::regex("241[0-9A-F]{4}"))) ++codes[w.text];
            }
            const std::string top = " " + page.TopLine() + " ";
            for (const std::string& h : headers)
                if (top.find(" " + h + " ") != std::string::npos) ++headerCount[h];
        }
        EXPECT_EQ(codes.size(), 250u);
        for (const auto& [code, n] : codes) EXPECT_EQ(n, 1) << code;
        // Each header on every sheet of rows once: the same count for all sixteen.
        ASSERT_EQ(headerCount.size(), headers.size());
        const int sheetsOfRows = headerCount.begin()->second;
        for (const auto& [h, n] : headerCount) EXPECT_EQ(n, sheetsOfRows) << h;
        EXPECT_EQ(pages.size() % static_cast<size_t>(sheetsOfRows), 0u);
    }
}

}  // namespace
}  // namespace ravlin::test
