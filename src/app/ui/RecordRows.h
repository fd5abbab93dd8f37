#pragma once
// The Memory and File views as the record commands see them (TRecordRows): their grids and
// which record each row shows, read from the views controller without its knowing.

#include "records/ui/RecordsController.h"

namespace ravlin {

class TViewsController;

class TViewsRecordRows : public TRecordRows {
  public:
    TViewsRecordRows(TViewsController& views, const TRecordTable& table)
        : views_(views), table_(table) {}

    QTableView* Grid(TPage page) const override;
    int PositionOfRow(TPage page, int row) const override;
    std::vector<int> RowsOfPositions(TPage page, const std::vector<int>& positions) const override;
    std::string RowsText(TPage page, const std::vector<int>& rows) const override;

  private:
    TViewsController& views_;
    const TRecordTable& table_;
};

}  // namespace ravlin
