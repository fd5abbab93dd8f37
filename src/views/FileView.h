#pragma once
// The File view without its window: column kinds and layouts, headers, cell texts,
// red rows, the sort order of the rows and which row stays selected after a refresh.
// The desktop program's table model shows what this computes.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "records/Data.h"

namespace ravlin {

class TIniFile;
class TLanguage;
class TFunctionTable;
struct TDevice;

// Column kinds. A kind decides a column's header, its cells and its sort key.
namespace kind {
constexpr int Position = 0;
constexpr int Code = 1;
constexpr int TxType = 2;
constexpr int Button = 3;
constexpr int Function = 4;
constexpr int Channels = 5;
constexpr int Time = 6;
constexpr int UserID = 7;
constexpr int User1 = 8;  // User1..User4 are 8..11
constexpr int User4 = 11;
constexpr int Rs232 = 15;
constexpr int RelayFunction = 20;  // + relay 1..20
constexpr int RelayTime = 40;      // + relay 1..20
constexpr int Unknown = 99;        // a layout entry that was not a number
constexpr int None = 100;          // filler: no column
}  // namespace kind

// Single: one function, channel and time column (function table SingleRelay 0).
// Multi: a function and a time column per relay.
enum class TLayoutFamily { Single, Multi };

inline TLayoutFamily FamilyOf(int singleRelay) {
    return singleRelay == 0 ? TLayoutFamily::Single : TLayoutFamily::Multi;
}

// ---- column layout ------------------------------------------------------------------

// Element 0: number of columns shown; elements 1..60: kind of grid column 0..59.
struct TColumnLayout {
    static constexpr int kMaxColumns = 60;
    std::array<int, kMaxColumns + 1> items{};

    int Count() const { return items[0]; }
    // Kind of grid column `column`; kind::None outside 0..59.
    int KindAt(int column) const {
        return column >= 0 && column < kMaxColumns ? items[column + 1] : kind::None;
    }
    // First grid column of `k`, or -1.
    int IndexOf(int k) const;
    // Shown columns' kinds, in display order.
    std::vector<int> ShownKinds() const;
};

// The grid columns that hold a transmitter's code and its button; -1: none.
struct TTransmitterColumns {
    int code = -1;
    int button = -1;
    bool operator==(const TTransmitterColumns&) const = default;
};
// Where the File view keeps them among its shown columns; of a kind the layout repeats,
// the last column counts.
TTransmitterColumns TransmitterColumnsOf(const TColumnLayout& layout);

// Settings: section Grid_Config, keys User_Single / User_Multi.
inline constexpr const char* kGridConfigSection = "Grid_Config";
const char* LayoutKey(TLayoutFamily family);
const char* DefaultLayoutList(TLayoutFamily family);
// Section Setup: the five visibility flags of a family (kinds 7..11 in order).
std::array<const char*, 5> VisibilityKeys(TLayoutFamily family);

// "n,n,n," -> numbers; text that is no integer gives kind::Unknown; text after the
// last comma is ignored.
std::vector<int> ParseLayoutList(const std::string& text);
std::string FormatLayoutList(const TColumnLayout& layout);
// Shown column count: single 8 + V, multi 5 + 2 * singleRelay + V; at most 60.
int LayoutColumnCount(TLayoutFamily family, int singleRelay, int visibleUserColumns);
// Elements from the list (kind::None where it is shorter), element 0 := columnCount.
TColumnLayout BuildColumnLayout(const std::vector<int>& list, int columnCount);

// Visible user columns V of a family: the true flags among its five (default true).
int VisibleUserColumns(const TIniFile& ini, TLayoutFamily family);
// The family's layout from the settings (default list when the key is absent), its
// column count computed from the flags and `singleRelay`.
TColumnLayout LoadColumnLayout(const TIniFile& ini, TLayoutFamily family, int singleRelay);
// Writes the layout list of the family (all 61 elements).
void StoreColumnLayout(TIniFile& ini, TLayoutFamily family, const TColumnLayout& layout);

// ---- sort state ------------------------------------------------------------------

// Sort column is a grid column index (not a kind); -1 means no sort column (position
// order).
struct TSortState {
    int column = 0;
    bool ascending = true;
};

// The sort state of each layout family; the settings keep it (section Setup,
// SortColSingle / SortUpSingle, SortColMulti / SortUpMulti).
struct TFileViewSorts {
    TSortState single;
    TSortState multi;
    TSortState& Of(TLayoutFamily family) {
        return family == TLayoutFamily::Single ? single : multi;
    }
    const TSortState& Of(TLayoutFamily family) const {
        return family == TLayoutFamily::Single ? single : multi;
    }
};

// Header press on grid column `column` (-1: right of the last column): that column
// becomes the sort column ascending, or the direction flips when it already was.
void PressHeader(TSortState& state, int column);

// ---- headers, cells, keys ------------------------------------------------------------

// Titles of the user number and User1..User4 columns (settings UserID, User1..User4).
using TUserTitles = std::array<std::string, 5>;

// The texts a record shows; the receiver-specific ones come from the function table.
struct TCellTexts {
    std::function<std::string(const TData&)> function;            // combined mode
    std::function<std::string(const TData&)> channels;            //
    std::function<std::string(const TData&)> time;                // combined mode
    std::function<std::string(const TData&, int)> relayFunction;  // relay 1..n
    std::function<std::string(const TData&, int)> relayTime;      // relay 1..n
    std::function<std::string(const TData&)> extra;               // "RS-232" text
    int outputs = 0;                                              // relays of the receiver type
};

// The texts of the record descriptions for the current receiver type and its function
// table; both must outlive the result.
TCellTexts MakeCellTexts(const TFunctionTable& functionTable, const TDevice& device);

std::string HeaderText(int k, const TTextTable& texts, const TUserTitles& titles);
std::string CellText(int k, const TData& record, const TCellTexts& cells);
// Kinds whose key is a number: 0, 1, 6, 7.
bool IsNumberKind(int k);
// Up to 8 hex digits, either case; 0 for longer text or any other character.
int64_t HexKey(const std::string& text);

// A record's sort key for a kind: a number or a text (the other part stays unset).
struct TSortKey {
    int64_t number = 0;
    std::string text;
};
TSortKey SortKeyOf(int k, const TData& record, const TCellTexts& cells);

// ---- rows ---------------------------------------------------------------------------

// The File view's rows: indexes into the record table of the used records, in sort
// order. Records with equal keys keep their table order in both directions.
std::vector<int> SortedRows(const TRecordTable& table, int sortKind, bool ascending,
                            const TCellTexts& cells);

// Which data row (0-based) is selected after a refresh. `selectedRecord` is the
// Position of the record that was selected before (1 when no record was selected),
// `oldRow` the data row that was selected. -1 when there are no rows.
int KeepSelection(const TRecordTable& table, const std::vector<int>& rows, int selectedRecord,
                  int oldRow);

// Red rows: the button cell reads exactly "0".
inline bool IsRedRecord(const TData& record) {
    return record.Button == "0";
}

// Everything the File view shows, built in one go by Refresh().
class TFileView {
  public:
    TLayoutFamily family = TLayoutFamily::Single;
    TColumnLayout layout;
    TSortState sort;                   // of the family in use
    std::vector<int> rows;             // record table indexes in display order
    std::vector<int32_t> positions;    // Position each row showed at the last refresh
    std::vector<std::string> headers;  // per shown column
    int selectedRow = -1;              // 0-based data row, -1 none
    bool empty = true;                 // no record shown
    TCellTexts cells;                  // of the last refresh

    // Rebuilds headers and rows. The record selected before stays selected when it is
    // still shown.
    void Refresh(const TRecordTable& table, const TTextTable& texts, const TUserTitles& titles,
                 const TCellTexts& cells);
    // Text of a shown cell (data row, grid column); empty outside the rows.
    std::string Cell(const TRecordTable& table, int row, int column, const TCellTexts& cells) const;
    // The same with the cell texts of the last refresh.
    std::string Cell(const TRecordTable& table, int row, int column) const {
        return Cell(table, row, column, cells);
    }
    bool IsRedRow(const TRecordTable& table, int row) const;
    // No document: no rows, no selection.
    void Clear();
    int RowCount() const { return static_cast<int>(rows.size()); }
};

// What the File view part of RefreshViews reads: the program's record table and current
// receiver type, the function table it loads for that type, the settings file (column
// layouts) and the settings (sort states, user titles).
struct TFileViewSource {
    const TRecordTable& table;
    const TDevice& device;
    TFunctionTable& functionTable;
    const TLanguage& language;
    const TIniFile& ini;
    const TFileViewSorts& sorts;
    const TUserTitles& titles;
};

// Loads the function table of the current receiver type (false: nothing is refreshed),
// then the family, the layout from the settings file, the family's sort state, the user
// titles and the rows.
bool RefreshFileView(const TFileViewSource& source, TFileView& view);
// A header press in the File view (column -1: right of the last column); the sort state
// of the view's family is kept in `sorts`. The rows follow at the next refresh.
void PressFileViewHeader(TFileViewSorts& sorts, TFileView& view, int column);
// A File view column dragged from grid column `from` to `to`: the kinds between shift by
// one place, the sort column of the view's family follows its column, and the layout is
// stored in the settings file. The rows follow at the next refresh.
void MoveFileViewColumn(TIniFile& ini, TFileViewSorts& sorts, TFileView& view, int from, int to);

}  // namespace ravlin
