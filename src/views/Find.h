#pragma once
// Find in the grid of the page shown: the search text, the column choice, where the next
// search starts on each page, and the history of confirmed texts. The Find window keeps
// one TFindState for as long as the program runs.

#include <array>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "views/ViewRows.h"

namespace ravlin {

class TFindState {
  public:
    struct TPosition {
        int column = 0;   // column of the last match
        int nextRow = 1;  // where the next search starts
    };

    // The items of the column choice for a page: "All" (Text::FindAll), then the
    // page's choices. Empty on the Monitoring page.
    static std::vector<std::string> ChoiceItems(const TViewRows& rows, const TTextTable& texts);

    const std::string& SearchText() const { return searchText_; }
    bool HasSearchText() const { return !searchText_.empty(); }
    int ColumnChoice() const { return columnChoice_; }
    const std::vector<std::string>& History() const { return history_; }
    const TPosition& Position(TViewPage page) const;

    // The Find window was confirmed with `text` and column item `choice`. An empty text
    // counts as cancelled (false) and changes nothing; otherwise the text becomes the
    // search text and is appended to the history, duplicates included.
    bool Confirm(const std::string& text, int choice);
    // Every page starts again at the top (Find opened, no further match).
    void ResetPositions();
    // One page starts again at the top (a header click in the File view).
    void ResetPosition(TViewPage page);

    // Looks for the search text from the page's next row on, in every shown column
    // (choice 0) or in the chosen column. Returns the matching row (1..RowCount()), or 0:
    // then every page starts again at the top and Text::NoFurtherMatch is shown. The
    // Monitoring page finds nothing and shows nothing.
    int SearchNext(const TViewRows& rows, TUserInterface& ui, const TTextTable& texts);

  private:
    std::string searchText_;
    int columnChoice_ = 0;
    std::vector<std::string> history_;
    std::array<TPosition, kSearchablePages> positions_{};
};

}  // namespace ravlin
