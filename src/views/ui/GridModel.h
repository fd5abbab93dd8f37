#pragma once
// A read-only table over rows that the core built from the record table. The model
// keeps the core's rows as they are (code page bytes) and converts a cell only when
// it is painted.

#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <vector>

namespace ravlin {

struct TGridRow {
    std::vector<std::string> cells;
    bool red = false;  // drawn in red (the button reads "0")
};

class TGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Replaces headers and rows at once (one reset, one repaint).
    void SetContent(QStringList headers, std::vector<TGridRow> rows);
    void Clear();

    const TGridRow* Row(int row) const;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    QStringList headers_;
    std::vector<TGridRow> rows_;
};

}  // namespace ravlin
