#pragma once
// The grid of a main window page as Find, the spreadsheet export and printing see it:
// a header row, data rows of texts, and the few rules that differ from page to page
// (which column choices Find offers, which cells are written as numbers or date-times,
// which columns print at least, at most or flexibly wide).
//
// Rows are numbered as in the grid: row 0 is the header, data rows run from 1 to
// RowCount(). A view without records shows one empty data row.

#include <array>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "base/UserInterface.h"

namespace ravlin {

// The pages of the main window, in tab order.
enum class TViewPage { Memory = 0, File = 1, History = 2, Battery = 3, Monitoring = 4 };
inline constexpr int kSearchablePages = 4;  // Memory to Battery

// How a data cell goes into the spreadsheet.
enum class TExportAs { Text, Number, DateTime };

// Column width rule of the printout, in pixels at the printout's reference resolution
// (kPrintReferenceDpi, views/PrintLayout.h).
struct TPrintRule {
    int minWidth = 0;
    int maxWidth = INT_MAX;
    bool flexible = false;  // shares what the page leaves (User texts)
};

// Titles of the user number and User1..User4 columns (settings UserID, User1..User4).
using TUserTitles = std::array<std::string, 5>;

class TViewRows {
  public:
    virtual ~TViewRows() = default;
    virtual TViewPage Page() const = 0;
    // Shown columns.
    virtual int ColumnCount() const = 0;
    // Data rows, 1..RowCount().
    virtual int RowCount() const = 0;
    virtual std::string Header(int column) const = 0;
    // Text of data cell (row 1..RowCount(), column); empty outside.
    virtual std::string Cell(int row, int column) const = 0;

    // Find: texts of the column choices after "All" (items 1, 2, ...).
    virtual std::vector<std::string> FindChoices() const { return {}; }
    // Find: the grid column of choice `item` (1-based) now; -1 when the page has none.
    virtual int FindColumn(int item) const { return -1; }

    // Spreadsheet: how data cells of `column` are written.
    virtual TExportAs ExportAs(int column) const { return TExportAs::Text; }
    // Spreadsheet: the date-time behind a DateTime cell (days since 30.12.1899, the time
    // of day as the fraction); none for a row without a log entry.
    virtual std::optional<double> DateTimeValue(int row, int column) const { return {}; }

    // Printing: the width rule of a column.
    virtual TPrintRule PrintRule(int column) const { return {}; }
};

// A page given as texts: the History and Battery views, a view of any other source, and
// tests. The page's rules are set by MakeHistoryRows / MakeBatteryRows or by hand.
class TTextRows : public TViewRows {
  public:
    TViewPage page = TViewPage::Monitoring;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;  // rows[0] is data row 1
    // Date-time of each data row (the log entry's time stamp), for DateTime columns.
    std::vector<std::optional<double>> times;
    std::vector<std::string> findChoices;
    std::vector<int> findColumns;  // grid column of each find choice
    std::vector<TExportAs> exportAs;
    std::vector<TPrintRule> printRules;

    TViewPage Page() const override { return page; }
    int ColumnCount() const override { return static_cast<int>(headers.size()); }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string Header(int column) const override;
    std::string Cell(int row, int column) const override;
    std::vector<std::string> FindChoices() const override { return findChoices; }
    int FindColumn(int item) const override;
    TExportAs ExportAs(int column) const override;
    std::optional<double> DateTimeValue(int row, int column) const override;
    TPrintRule PrintRule(int column) const override;
};

// The rules of the History view (Find: time stamp, transmitter code and the user columns;
// the time stamp in column 2 as a date-time and column 4 as a number in the spreadsheet;
// print widths) around its headers and rows. `columns` is the number of grid columns.
void SetHistoryRules(TTextRows& rows, const TTextTable& texts, const TUserTitles& titles,
                     int columns);
// The same for the Battery view.
void SetBatteryRules(TTextRows& rows, const TTextTable& texts, const TUserTitles& titles,
                     int columns);

// Days since 30 December 1899 with the time of day as the fraction; nullopt for a date
// that does not exist.
std::optional<double> SerialDateTime(int year, int month, int day, int hour, int minute,
                                     int second);

// A decimal integer (optional sign, blanks around it), as cells written as numbers must
// hold; false for anything else.
bool ParseCellInteger(const std::string& text, long long& value);

}  // namespace ravlin
