#include "views/ui/GridModel.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QPalette>

#include "base/ui/Text.h"

namespace ravlin {

void TGridModel::SetContent(QStringList headers, int rows, TCellFn cell, TRedFn red) {
    if (rows == rows_ && headers == headers_ && cell_ && cell) {
        emit layoutAboutToBeChanged();
        cell_ = std::move(cell);
        red_ = std::move(red);
        emit layoutChanged();
        return;
    }
    beginResetModel();
    headers_ = std::move(headers);
    rows_ = rows;
    cell_ = std::move(cell);
    red_ = std::move(red);
    endResetModel();
}

void TGridModel::Clear() {
    SetContent({}, 0, nullptr, nullptr);
}

QString TGridModel::CellText(int row, int column) const {
    if (!cell_ || row < 0 || row >= rows_ || column < 0 || column >= headers_.size()) return {};
    return Q(cell_(row, column));
}

bool TGridModel::IsRed(int row) const {
    return red_ && row >= 0 && row < rows_ && red_(row);
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DisplayRole) return CellText(index.row(), index.column());
    if (role == Qt::ForegroundRole && IsRed(index.row())) return QBrush(QColor(255, 0, 0));
    if (role == RedRole) return IsRed(index.row());
    return {};
}

QVariant TGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section < headers_.size())
        return headers_[section];
    return {};
}

void TRedRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!index.data(TGridModel::RedRole).toBool()) return;
    const QColor red(255, 0, 0);
    QPalette& palette = option->palette;
    palette.setColor(QPalette::Text, red);
    palette.setColor(QPalette::HighlightedText, red);
    // A third of the highlight over the window colour: still marked as selected, and red
    // text on it stays readable.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor h = palette.color(group, QPalette::Highlight);
        const QColor b = palette.color(group, QPalette::Base);
        palette.setColor(group, QPalette::Highlight,
                         QColor((h.red() + 2 * b.red()) / 3, (h.green() + 2 * b.green()) / 3,
                                (h.blue() + 2 * b.blue()) / 3));
    }
}

QTableView* MakePageGrid(QAbstractTableModel* model, const char* name, QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(20);
    QHeaderView* header = grid->horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    return grid;
}

}  // namespace ravlin
