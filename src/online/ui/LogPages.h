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

// A log page's table model: the log's entries in the page's columns. With no entry it
// shows one empty row.
class TLogModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // New columns and their titles, and the list read afresh (one reset).
    void SetColumns(std::vector<TLogField> columns, QStringList titles);
    // The list changed (one reset).
    void Reset();
    const std::vector<TLogField>& Columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  protected:
    TLogModel(const TTextTable& texts, QObject* parent)
        : QAbstractTableModel(parent), texts_(texts) {}
    virtual size_t EntryCount() const = 0;
    virtual std::string CellText(size_t row, TLogField field) const = 0;
    virtual TCellColour CellColour(size_t row, TLogField field) const = 0;

    const TTextTable& texts_;

  private:
    std::vector<TLogField> columns_;
    QStringList titles_;
};

// The model of one log, with the log's cell texts and colours.
template <class Log>
class TLogModelOf : public TLogModel {
  public:
    using TEntry = typename Log::TEntry;
    using TCellOf = std::string (*)(const TEntry&, TLogField, const TTextTable&);
    using TColourOf = TCellColour (*)(const TEntry&, TLogField, const TTextTable&);

    TLogModelOf(const Log& log, const TTextTable& texts, TCellOf cellOf, TColourOf colourOf,
                QObject* parent)
        : TLogModel(texts, parent), log_(log), cellOf_(cellOf), colourOf_(colourOf) {}

  protected:
    size_t EntryCount() const override { return log_.Items().size(); }
    std::string CellText(size_t row, TLogField field) const override {
        return cellOf_(log_.Items()[row], field, texts_);
    }
    TCellColour CellColour(size_t row, TLogField field) const override {
        return colourOf_(log_.Items()[row], field, texts_);
    }

  private:
    const Log& log_;
    TCellOf cellOf_;
    TColourOf colourOf_;
};

// The history, newest first (or in the page's sort order); the battery column is red
// where it reads "low" (Text::BatteryLow).
class THistoryModel : public TLogModelOf<THistory> {
    Q_OBJECT
  public:
    THistoryModel(const THistory& history, const TTextTable& texts, QObject* parent = nullptr)
        : TLogModelOf(history, texts, HistoryCell, HistoryCellColour, parent) {}
};

// The battery log: the state column red while it reads "low" (Text::BatteryLow), green otherwise.
class TBatteryModel : public TLogModelOf<TBatteryLog> {
    Q_OBJECT
  public:
    TBatteryModel(const TBatteryLog& battery, const TTextTable& texts, QObject* parent = nullptr)
        : TLogModelOf(battery, texts, BatteryCell, BatteryCellColour, parent) {}
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
