#include "views/Find.h"

#include <algorithm>

namespace ravlin {

namespace {

bool Searchable(TViewPage page) {
    const int p = static_cast<int>(page);
    return p >= 0 && p < kSearchablePages;
}

}  // namespace

std::vector<std::string> TFindState::ChoiceItems(const TViewRows& rows, const TTextTable& texts) {
    if (!Searchable(rows.Page())) return {};
    std::vector<std::string> items = {TextAt(texts, Text::FindAll)};
    for (auto& c : rows.FindChoices()) items.push_back(std::move(c));
    return items;
}

const TFindState::TPosition& TFindState::Position(TViewPage page) const {
    static const TPosition top;
    return Searchable(page) ? positions_[static_cast<int>(page)] : top;
}

bool TFindState::Confirm(const std::string& text, int choice) {
    if (text.empty()) return false;
    searchText_ = text;
    history_.push_back(text);
    columnChoice_ = choice < 0 ? 0 : choice;
    return true;
}

void TFindState::ResetPositions() {
    positions_.fill(TPosition{});
}

void TFindState::ResetPosition(TViewPage page) {
    if (Searchable(page)) positions_[static_cast<int>(page)] = TPosition{};
}

int TFindState::SearchNext(const TViewRows& rows, TUserInterface& ui, const TTextTable& texts) {
    if (!Searchable(rows.Page()) || searchText_.empty()) return 0;
    TPosition& position = positions_[static_cast<int>(rows.Page())];
    const int last = rows.RowCount();
    const int columns = rows.ColumnCount();
    // A choice whose column the page does not have (a layout without that kind) finds
    // nothing rather than searching some other column.
    const int chosen = columnChoice_ > 0 ? rows.FindColumn(columnChoice_) : -1;
    if (columnChoice_ == 0 || chosen >= 0) {
        for (int r = std::max(position.nextRow, 1); r <= last; ++r) {
            int found = -1;
            if (columnChoice_ == 0) {
                for (int c = 0; c < columns && found < 0; ++c)
                    if (rows.Cell(r, c).find(searchText_) != std::string::npos) found = c;
            } else if (rows.Cell(r, chosen).find(searchText_) != std::string::npos) {
                found = chosen;
            }
            if (found >= 0) {
                position.column = found;
                position.nextRow = r + 1;
                return r;
            }
        }
    }
    ResetPositions();
    ui.Information(TMessage::Lang(texts, Text::NoFurtherMatch));
    return 0;
}

}  // namespace ravlin
