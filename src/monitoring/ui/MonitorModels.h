#pragma once
// Table models over the monitor: the messages grid of the Monitoring page (seven columns,
// sortable, colour swatches), the Active and Deactive event grids of the message shown,
// and the message list of monitor mode (check marks, colours, blinking, row heights).
// The models hold no copies: cells come from the set-up when they are painted; Refresh()
// after the set-up or the alarm state changed.

#include <QAbstractTableModel>
#include <QFont>
#include <QStyledItemDelegate>
#include <vector>

#include "base/UserInterface.h"
#include "monitoring/Monitor.h"
#include "monitoring/MonitorView.h"

class QHeaderView;

namespace ravlin {

// Role of the swatch colour (a QColor) of the messages grid's colour column.
inline constexpr int kSwatchRole = Qt::UserRole + 1;

class TMessagesGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // `sort` is the settings' sort state (MonitorSortCol, MonitorSortUp); a header press
    // changes it.
    TMessagesGridModel(const TTextTable& texts, const TMonitor& monitor, TMonitorSort& sort,
                       QObject* parent = nullptr);

    void Refresh();
    // A press on a column title: sorts by it (or the other way round) and refreshes.
    void PressHeader(int column);
    // Shows the sort column and direction in a view's header.
    void ShowSortIndicator(QHeaderView* header) const;
    // The message a row shows, or -1 (the empty row of an empty set-up).
    int MessageAt(int row) const;
    // The row that shows a message, or -1.
    int RowOf(int message) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    const TTextTable& texts_;
    const TMonitor& monitor_;
    TMonitorSort& sort_;
    std::vector<int> order_;
};

class TEventGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // `active`: the Active list, else the Deactive list.
    TEventGridModel(const TTextTable& texts, const TMonitor& monitor, bool active,
                    QObject* parent = nullptr);

    // The user information columns visible for the receiver's layout.
    void SetUserColumns(std::vector<TUserColumn> columns);
    // Shows the events of a message (-1: none) afresh.
    void ShowMessage(int message);
    void Refresh() { ShowMessage(message_); }
    int Message() const { return message_; }
    // The event a row shows, or -1.
    int EventAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    const std::vector<TEvent>* Events() const;

    const TTextTable& texts_;
    const TMonitor& monitor_;
    bool active_;
    int message_ = -1;
    std::vector<TUserColumn> users_;
};

class TMessageListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    TMessageListModel(const TTextTable& texts, TMonitor& monitor, QString fontName,
                      QObject* parent = nullptr);

    void SetFontName(const QString& name);
    void Refresh();
    // Toggles the blink phase and repaints the rows.
    void Blink();
    // While the link is lost, row 0 is the trouble row and the alarms follow it.
    bool IsTroubleRow(int row) const;
    // The message a row shows, or -1 (the trouble row, an empty row).
    int MessageAt(int row) const;
    // The monitor's list row (1-based, TMonitor::MessageAtRow) of a row of this list.
    int MessageRow(int row) const;
    QFont FontOf(const TMonitorData& m) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  signals:
    // A check mark was toggled (which may have unchecked "Select All").
    void marksChanged();

  private:
    void RepaintAll();
    int Offset() const { return monitor_.Trouble() ? 1 : 0; }

    const TTextTable& texts_;
    TMonitor& monitor_;
    QString fontName_;
    int rows_ = 1;
};

// Paints the swatch of the messages grid's colour column: a rectangle 3 pixels inside the
// cell in the swatch colour, framed in black.
class TSwatchDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace ravlin
