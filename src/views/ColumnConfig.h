#pragma once
// Column configuration of the File view and the Memory view, kept in the settings file:
// the File view's column layout per layout family (section Grid_Config), which user
// columns are shown (section Setup), and the column widths of both views.
//
// A layout list from a hand-edited file is checked before use: a list the view cannot be
// built from gives the family's default list.

#include <string>
#include <vector>

#include "base/IniFile.h"
#include "views/FileView.h"

namespace ravlin {

// A layout list the File view can use: elements are kinds from 0 to 100 (a text that was
// not a number reads as kind 99, a column without header or cells), no kind with a header
// stands twice, and each user column (kinds 7 to 11) stands once, so that it can be shown
// and hidden.
bool IsValidLayoutList(const std::vector<int>& list);
// The family's layout from the settings, the default list in place of a missing or
// invalid one; the column count from the visibility flags and `singleRelay`.
TColumnLayout ReadColumnLayout(const TIniFile& ini, TLayoutFamily family, int singleRelay);

// Writes the family's layout list (all 61 elements) and all ten visibility flags of
// section Setup (their values as they stand, true where a flag is missing).
void StoreColumnLayoutAndFlags(TIniFile& ini, TLayoutFamily family, const TColumnLayout& layout);

// A column dragged from grid column `from` to `to`: the kinds between shift by one place
// and the sort column follows its column. False (nothing changes) for an index outside
// 0..59 or from == to.
bool MoveColumn(TColumnLayout& layout, TSortState& sort, int from, int to);
// The same as the File view does it: the move, the layout and the flags stored in the
// settings, and the column count computed again from the flags (also when from == to).
bool ColumnMoved(TIniFile& ini, TLayoutFamily family, int singleRelay, TColumnLayout& layout,
                 TSortState& sort, int from, int to);
// The column of user kind `k` (7..11) moves to the first hidden place and the column
// count grows by one; Hide moves it to the last shown place and the count shrinks. False
// when the layout has no such column or it already is shown (hidden).
bool ShowUserColumn(TIniFile& ini, TLayoutFamily family, int singleRelay, TColumnLayout& layout,
                    TSortState& sort, int k);
bool HideUserColumn(TIniFile& ini, TLayoutFamily family, int singleRelay, TColumnLayout& layout,
                    TSortState& sort, int k);
// The five flags of a family, in the order of kinds 7..11.
std::array<bool, 5> ReadUserColumnFlags(const TIniFile& ini, TLayoutFamily family);
void WriteUserColumnFlags(TIniFile& ini, TLayoutFamily family, const std::array<bool, 5>& flags);

// ---- column widths --------------------------------------------------------------------

// Widths are kept per grid column index; only the first `stored` columns have keys
// (Col1..), later ones always start with the default width.
struct TWidthKeys {
    const char* section;
    int stored;
};
inline constexpr int kDefaultColumnWidth = 64;
inline constexpr int kMinColumnWidth = 8;
inline constexpr int kMaxColumnWidth = 2000;
inline constexpr int kFileViewWidthColumns = 60;
inline constexpr int kMemoryViewWidthColumns = 30;

TWidthKeys FileViewWidthKeys(TLayoutFamily family);    // UserGrid_Single 13, UserGrid_Multi 25
TWidthKeys MemoryViewWidthKeys(TLayoutFamily family);  // MemGrid_Single 6, MemGrid_Multi 19

// `columns` widths: the stored ones (a value outside 8..2000 is brought into it), 64 for
// the rest.
std::vector<int> ReadColumnWidths(const TIniFile& ini, TWidthKeys keys, int columns);
// The same, but 0 for a column whose key is missing (the user never stored its width; the
// view sizes it to its content). Columns beyond the keys are always 0.
std::vector<int> ReadStoredColumnWidths(const TIniFile& ini, TWidthKeys keys, int columns);
// Writes the widths of the first `keys.stored` columns (fewer when fewer are given); a
// width of 0 (a column never shown, never sized) writes no key.
void WriteColumnWidths(TIniFile& ini, TWidthKeys keys, const std::vector<int>& widths);

}  // namespace ravlin
