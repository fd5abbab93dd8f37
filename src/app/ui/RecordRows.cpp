#include "app/ui/RecordRows.h"

#include <algorithm>

#include "base/ui/Text.h"
#include "records/RecordClipboard.h"
#include "views/CopyRows.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

namespace ravlin {

namespace {

// The Memory view's first column: the position, a decimal number.
int PositionCell(const TGridModel& model, int row) {
    bool ok = false;
    const int position = model.CellText(row, 0).toInt(&ok);
    return ok && position > 0 ? position : 0;
}

}  // namespace

QTableView* TViewsRecordRows::Grid(TPage page) const {
    if (page == TPage::Memory) return views_.memoryGrid();
    if (page == TPage::File) return views_.fileGrid();
    return nullptr;
}

int TViewsRecordRows::PositionOfRow(TPage page, int row) const {
    if (page == TPage::Memory) return PositionCell(*views_.memoryModel(), row);
    if (page != TPage::File) return 0;
    const auto& positions = views_.fileView().positions;
    if (row < 0 || row >= static_cast<int>(positions.size())) return 0;
    return positions[static_cast<size_t>(row)];
}

std::vector<int> TViewsRecordRows::RowsOfPositions(TPage page,
                                                   const std::vector<int>& positions) const {
    std::vector<int> rows(positions.size(), -1);
    if (page == TPage::Memory) {
        // The Memory view lists the records in position order.
        const TGridModel& model = *views_.memoryModel();
        for (size_t i = 0; i < positions.size(); ++i) {
            int low = 0, high = model.rowCount() - 1;
            while (low <= high) {
                const int mid = (low + high) / 2;
                const int at = PositionCell(model, mid);
                if (at == positions[i]) {
                    rows[i] = mid;
                    break;
                }
                if (at < positions[i])
                    low = mid + 1;
                else
                    high = mid - 1;
            }
        }
    } else if (page == TPage::File) {
        const auto& shown = views_.fileView().positions;
        std::vector<int> rowOf;
        for (size_t row = 0; row < shown.size(); ++row) {
            const int p = shown[row];
            if (p < 1) continue;
            if (static_cast<size_t>(p) >= rowOf.size())
                rowOf.resize(static_cast<size_t>(p) + 1, -1);
            rowOf[static_cast<size_t>(p)] = static_cast<int>(row);
        }
        for (size_t i = 0; i < positions.size(); ++i) {
            const int p = positions[i];
            if (p > 0 && static_cast<size_t>(p) < rowOf.size())
                rows[i] = rowOf[static_cast<size_t>(p)];
        }
    }
    return rows;
}

std::string TViewsRecordRows::RowsText(TPage page, const std::vector<int>& rows) const {
    if (page == TPage::File) return FileViewRowsText(table_, views_.fileView(), rows);
    if (page != TPage::Memory) return {};
    const TGridModel& model = *views_.memoryModel();
    std::vector<std::vector<std::string>> lines;
    for (int row : rows) {
        if (row < 0 || row >= model.rowCount()) continue;
        std::vector<std::string> cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells.push_back(ToCoreLossy(model.CellText(row, c)));
        lines.push_back(std::move(cells));
    }
    return TabSeparated(lines);
}

}  // namespace ravlin
