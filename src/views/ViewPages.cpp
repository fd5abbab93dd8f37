#include "views/ViewPages.h"

#include <algorithm>

namespace ravlin {

namespace {

constexpr int kWideMin = 200;  // texts that are often long
constexpr int kUserNumberMax = 250;

// Kinds behind the File view's find choices 1..7.
constexpr int kFileFindKinds[] = {kind::Position,  kind::Code,      kind::UserID, kind::User1,
                                  kind::User1 + 1, kind::User1 + 2, kind::User4};

}  // namespace

// ---- Memory view ----------------------------------------------------------------------

int TMemoryViewRows::RowCount() const {
    return std::max<int>(1, static_cast<int>(view_.rows.size()));
}

std::string TMemoryViewRows::Header(int column) const {
    return column >= 0 && column < ColumnCount() ? view_.headers[column] : std::string();
}

std::string TMemoryViewRows::Cell(int row, int column) const {
    if (row < 1 || row > static_cast<int>(view_.rows.size()) || column < 0) return {};
    const auto& cells = view_.rows[row - 1].cells;
    return column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

std::vector<std::string> TMemoryViewRows::FindChoices() const {
    return {TextAt(texts_, Text::PositionColumn), TextAt(texts_, Text::SerialColumn)};
}

int TMemoryViewRows::FindColumn(int item) const {
    return item == 1 || item == 2 ? item - 1 : -1;
}

TExportAs TMemoryViewRows::ExportAs(int column) const {
    return column == 0 ? TExportAs::Number : TExportAs::Text;
}

TPrintRule TMemoryViewRows::PrintRule(int column) const {
    TPrintRule rule;
    if (column == 3 || column == 5) rule.minWidth = kWideMin;
    return rule;
}

// ---- File view --------------------------------------------------------------------------

int TFileViewRows::RowCount() const {
    return std::max(1, view_.RowCount());
}

std::string TFileViewRows::Header(int column) const {
    return column >= 0 && column < ColumnCount() ? view_.headers[column] : std::string();
}

std::string TFileViewRows::Cell(int row, int column) const {
    const int r = row - 1;
    if (r < 0 || r >= view_.RowCount() || column < 0 || column >= TColumnLayout::kMaxColumns ||
        static_cast<size_t>(view_.rows[r]) >= table_.size())
        return {};
    return CellText(view_.layout.KindAt(column), table_[view_.rows[r]], view_.cells);
}

std::vector<std::string> TFileViewRows::FindChoices() const {
    std::vector<std::string> items = {TextAt(texts_, Text::PositionColumn),
                                      TextAt(texts_, Text::SerialColumn)};
    items.insert(items.end(), titles_.begin(), titles_.end());
    return items;
}

int TFileViewRows::FindColumn(int item) const {
    if (item < 1 || item > static_cast<int>(std::size(kFileFindKinds))) return -1;
    // The last shown column that holds the kind: a hidden column is not searched, it would
    // select a row that shows nothing matching.
    for (int c = ColumnCount() - 1; c >= 0; --c)
        if (view_.layout.KindAt(c) == kFileFindKinds[item - 1]) return c;
    return -1;
}

TExportAs TFileViewRows::ExportAs(int column) const {
    const int k = view_.layout.KindAt(column);
    return k == kind::Position || k == kind::UserID ? TExportAs::Number : TExportAs::Text;
}

TPrintRule TFileViewRows::PrintRule(int column) const {
    const int k = view_.layout.KindAt(column);
    TPrintRule rule;
    if (k == kind::Function || k == kind::Time || k > kind::RelayFunction) rule.minWidth = kWideMin;
    if (k == kind::UserID) rule.maxWidth = kUserNumberMax;
    if (k >= kind::User1 && k <= kind::User4) rule.flexible = true;
    return rule;
}

}  // namespace ravlin
