#pragma once
// A read-only table over the core's view of the record table. The model holds no copy
// of the cells: it asks the core for a cell's text when the cell is painted.

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <string>

namespace ravlin {

class TGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using TCellFn = std::function<std::string(int row, int column)>;
    using TRedFn = std::function<bool(int row)>;

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces headers and rows at once (one reset, one repaint).
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

}  // namespace ravlin
