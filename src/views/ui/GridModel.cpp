#include "views/ui/GridModel.h"

#include <QBrush>
#include <QColor>

#include "app/ui/Text.h"

namespace ravlin {

void TGridModel::SetContent(QStringList headers, std::vector<TGridRow> rows) {
    beginResetModel();
    headers_ = std::move(headers);
    rows_ = std::move(rows);
    endResetModel();
}

void TGridModel::Clear() { SetContent({}, {}); }

const TGridRow* TGridModel::Row(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[row] : nullptr;
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    const TGridRow* r = Row(index.row());
    if (!r) return {};
    if (role == Qt::DisplayRole) {
        const auto c = static_cast<size_t>(index.column());
        return c < r->cells.size() ? Q(r->cells[c]) : QString();
    }
    if (role == Qt::ForegroundRole && r->red) return QBrush(QColor(255, 0, 0));
    return {};
}

QVariant TGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section < headers_.size())
        return headers_[section];
    return {};
}

}  // namespace ravlin
