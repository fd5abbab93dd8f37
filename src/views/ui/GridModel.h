#pragma once
// A read-only table over the core's view of the record table. The model holds no copy
// of the cells: it asks the core for a cell's text when the cell is painted.

#include <QAbstractTableModel>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <string>

namespace ravlin {

class TGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using TCellFn = std::function<std::string(int row, int column)>;
    using TRedFn = std::function<bool(int row)>;

    // data() of this role is true in every cell of a red row.
    static constexpr int RedRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces headers and rows at once (one repaint). With the same headers and row count
    // only texts or the order changed: a layout change, which keeps the grid's selection,
    // current cell, scroll position and column widths; otherwise a reset.
    void SetContent(QStringList headers, int rows, TCellFn cell, TRedFn red);
    void Clear();

    QString CellText(int row, int column) const;
    bool IsRed(int row) const;
    const QStringList& Headers() const { return headers_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    QStringList headers_;
    int rows_ = 0;
    TCellFn cell_;
    TRedFn red_;
};

// Paints the cells of red rows in red also while they are selected, on a lighter highlight
// so that the red stays readable.
class TRedRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// A read-only grid of whole rows as the main window's pages show them: rows selected
// whole (several at once), no editing and no wrapping, fixed rows 20 pixels high without
// a row header, left-aligned column titles that do not light up.
QTableView* MakePageGrid(QAbstractTableModel* model, const char* name, QWidget* parent = nullptr);

}  // namespace ravlin
