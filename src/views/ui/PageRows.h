#pragma once
// The grid of a main window page as "Find ...", "Export ..." and "Print ..." reach it: its
// rows (the core's TViewRows) and the selection of the row Find found. The views give the
// Memory and File pages; the controller of another page (History, Battery) registers its
// own with TViewsController::RegisterPage. Window thread only.

#include <QTableView>
#include <functional>
#include <memory>

#include "views/ViewRows.h"

namespace ravlin {

class TPageRows {
  public:
    virtual ~TPageRows() = default;
    // The page's rows as shown now; valid until the page changes or Rows() is called again.
    // nullptr while the page shows no grid.
    virtual const TViewRows* Rows() = 0;
    // Find's match: data row `row` (1-based) becomes the grid's current row, the current
    // column stays, and the row is scrolled into view.
    virtual void SelectRow(int row) = 0;
};

// Data row `row` (0-based) of `grid` becomes the current and only selected row, in the
// current column; scrolled into view.
void SelectGridRow(QTableView* grid, int row);

// A page given by its grid and a function that makes its rows (a core TViewRows over the
// page's data, such as THistoryRows over the history).
class TGridPageRows : public TPageRows {
  public:
    using TMakeRows = std::function<std::unique_ptr<TViewRows>()>;
    TGridPageRows(QTableView* grid, TMakeRows make) : grid_(grid), make_(std::move(make)) {}

    const TViewRows* Rows() override {
        if (!grid_ || grid_->isHidden()) return nullptr;
        rows_ = make_();
        return rows_.get();
    }
    void SelectRow(int row) override { SelectGridRow(grid_, row - 1); }

  private:
    QTableView* grid_;
    TMakeRows make_;
    std::unique_ptr<TViewRows> rows_;
};

}  // namespace ravlin
