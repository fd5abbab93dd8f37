#pragma once
// The History view and the Battery view: a table model over each log (no copy of the
// entries: a cell is read when it is painted) and the widgets of the two pages. The
// controller (OnlineController.h) decides what they show and runs their commands.
// Window thread only.

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QPushButton>
#include <QStringList>
#include <QTableView>
#include <QWidget>
#include <array>
#include <vector>

#include "base/UserInterface.h"
#include "online/Battery.h"
#include "online/History.h"

namespace ravlin {

// The history, newest first (or in the page's sort order). With no record it shows one
// empty row; the battery column is red where it reads "low" (Text::BatteryLow).
class THistoryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    THistoryModel(const THistory& history, const TTextTable& texts, QObject* parent = nullptr);

    // New columns and their titles, and the list read afresh (one reset).
    void SetColumns(std::vector<THistoryField> columns, QStringList titles);
    // The list changed (one reset).
    void Reset();
    const std::vector<THistoryField>& Columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    const THistory& history_;
    const TTextTable& texts_;
    std::vector<THistoryField> columns_;
    QStringList titles_;
};

// The battery log: the state column red while it reads "low" (BatteryLow), green otherwise.
class TBatteryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    TBatteryModel(const TBatteryLog& battery, const TTextTable& texts, QObject* parent = nullptr);

    void SetColumns(std::vector<TBatteryField> columns, QStringList titles);
    void Reset();
    const std::vector<TBatteryField>& Columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    const TBatteryLog& battery_;
    const TTextTable& texts_;
    std::vector<TBatteryField> columns_;
    QStringList titles_;
};

// A grid of a log page: whole rows, ranges of rows, resizable columns, header presses
// reported as sortRequested (the header does not sort by itself).
QTableView* MakeLogGrid(QAbstractTableModel* model, const char* name, QWidget* parent);
// The sort mark in the header: an upward triangle for ascending order, as the File view.
void ShowSortMark(QTableView* grid, int column, bool ascending);
// Column widths from the settings (one per column; missing ones the default). The time
// column, while it has the default width, is as wide as a time stamp.
inline constexpr int kDefaultColumnWidth = 64;
void ApplyColumnWidths(QTableView* grid, const std::vector<int>& widths, int timeColumn = -1);
// The data rows selected in a grid, ascending.
std::vector<int> SelectedRows(const QTableView* grid);

// The Battery view's page: the strip with the three clear boxes (at most one checked) and
// the Clear button, and the grid below it.
class TBatteryPage : public QWidget {
    Q_OBJECT
  public:
    TBatteryPage(TBatteryModel* model, QWidget* parent = nullptr);
    void ApplyTexts(const TTextTable& texts);

    QTableView* grid() const { return grid_; }
    QCheckBox* clearBox(int i) const { return boxes_[static_cast<size_t>(i)]; }
    QPushButton* clearButton() const { return clearButton_; }
    TClearBoxes Boxes() const;
    void UncheckBoxes();

  signals:
    void clearClicked();

  private:
    QTableView* grid_;
    std::array<QCheckBox*, 3> boxes_{};
    QPushButton* clearButton_;
};

}  // namespace ravlin
