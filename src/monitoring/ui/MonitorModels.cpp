#include "monitoring/ui/MonitorModels.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QPainter>
#include <QSize>

#include "base/ui/Text.h"

namespace ravlin {

namespace {

QColor ToColor(const TRgb& c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

// ---- messages grid --------------------------------------------------------------------------

TMessagesGridModel::TMessagesGridModel(const TTextTable& texts, const TMonitor& monitor,
                                       TMonitorSort& sort, QObject* parent)
    : QAbstractTableModel(parent), texts_(texts), monitor_(monitor), sort_(sort) {
    order_ = SortedMessages(monitor_.Messages, sort_);
}

void TMessagesGridModel::Refresh() {
    beginResetModel();
    order_ = SortedMessages(monitor_.Messages, sort_);
    endResetModel();
}

void TMessagesGridModel::PressHeader(int column) {
    if (column < 0 || column >= kMessagesGridColumns) return;
    sort_.Press(column);
    Refresh();
}

void TMessagesGridModel::ShowSortIndicator(QHeaderView* header) const {
    header->setSortIndicatorShown(true);
    // The mark is an upward triangle for ascending order, as in the File view; Qt's header
    // draws its ascending indicator pointing down, so the order given to it is the other one.
    header->setSortIndicator(sort_.column,
                             sort_.ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

int TMessagesGridModel::MessageAt(int row) const {
    return row >= 0 && row < static_cast<int>(order_.size()) ? order_[row] : -1;
}

int TMessagesGridModel::RowOf(int message) const {
    for (size_t r = 0; r < order_.size(); ++r)
        if (order_[r] == message) return static_cast<int>(r);
    return -1;
}

int TMessagesGridModel::rowCount(const QModelIndex& parent) const {
    // An empty set-up keeps one empty row.
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(order_.size()));
}

int TMessagesGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kMessagesGridColumns;
}

QVariant TMessagesGridModel::data(const QModelIndex& index, int role) const {
    const int i = MessageAt(index.row());
    if (i < 0 || i >= static_cast<int>(monitor_.Messages.size())) return {};
    const TMonitorData& m = monitor_.Messages[i];
    if (role == Qt::DisplayRole) return Q(MessagesGridCell(m, index.column(), texts_));
    if (role == kSwatchRole && index.column() == kMsgColor) return ToColor(SwatchColor(m.Color));
    return {};
}

QVariant TMessagesGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const auto titles = MessagesGridTitles(texts_);
    return section >= 0 && section < static_cast<int>(titles.size()) ? Q(titles[section])
                                                                     : QVariant();
}

// ---- event grids ----------------------------------------------------------------------------

TEventGridModel::TEventGridModel(const TTextTable& texts, const TMonitor& monitor, bool active,
                                 QObject* parent)
    : QAbstractTableModel(parent), texts_(texts), monitor_(monitor), active_(active) {}

void TEventGridModel::SetUserColumns(std::vector<TUserColumn> columns) {
    beginResetModel();
    users_ = std::move(columns);
    endResetModel();
}

void TEventGridModel::ShowMessage(int message) {
    beginResetModel();
    message_ = message;
    endResetModel();
}

const std::vector<TEvent>* TEventGridModel::Events() const {
    if (message_ < 0 || message_ >= static_cast<int>(monitor_.Messages.size())) return nullptr;
    const TMonitorData& m = monitor_.Messages[message_];
    return active_ ? &m.ActiveEvents : &m.DeactiveEvents;
}

int TEventGridModel::EventAt(int row) const {
    const auto* events = Events();
    return events && row >= 0 && row < static_cast<int>(events->size()) ? row : -1;
}

int TEventGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    const auto* events = Events();
    return std::max<int>(1, events ? static_cast<int>(events->size()) : 0);
}

int TEventGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kEventFixedColumns + static_cast<int>(users_.size());
}

QVariant TEventGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || EventAt(index.row()) < 0) return {};
    return Q(EventGridCell((*Events())[index.row()], index.column(), users_));
}

QVariant TEventGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const auto titles = EventGridTitles(texts_, users_);
    return section >= 0 && section < static_cast<int>(titles.size()) ? Q(titles[section])
                                                                     : QVariant();
}

// ---- message list ------------------------------------------------------------------------------

TMessageListModel::TMessageListModel(const TTextTable& texts, TMonitor& monitor, QString fontName,
                                     QObject* parent)
    : QAbstractTableModel(parent),
      texts_(texts),
      monitor_(monitor),
      fontName_(std::move(fontName)) {
    rows_ = std::max(1, monitor_.ActiveCount() + Offset());
}

void TMessageListModel::SetFontName(const QString& name) {
    fontName_ = name;
    RepaintAll();
}

void TMessageListModel::Refresh() {
    beginResetModel();
    rows_ = std::max(1, monitor_.ActiveCount() + Offset());
    endResetModel();
}

void TMessageListModel::Blink() {
    monitor_.ToggleBlink();
    RepaintAll();
}

void TMessageListModel::RepaintAll() {
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, kListColumns - 1));
}

bool TMessageListModel::IsTroubleRow(int row) const {
    return row == 0 && monitor_.Trouble();
}

int TMessageListModel::MessageAt(int row) const {
    return monitor_.MessageAtRow(MessageRow(row));
}

int TMessageListModel::MessageRow(int row) const {
    return row - Offset() + 1;
}

QFont TMessageListModel::FontOf(const TMonitorData& m) const {
    QFont f(fontName_);
    f.setPointSize(DisplayFontSize(m.Size));
    return f;
}

int TMessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TMessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumns;
}

QVariant TMessageListModel::data(const QModelIndex& index, int role) const {
    const bool trouble = IsTroubleRow(index.row());
    const int i = trouble ? -1 : MessageAt(index.row());
    if (!trouble && i < 0) return {};
    const TMonitorData troubleRow =
        trouble ? TroubleRow(monitor_.troubleColor, monitor_.TroubleSince()) : TMonitorData();
    const TMonitorData& m = trouble ? troubleRow : monitor_.Messages[i];
    const TMessageLook look = LookOf(m, monitor_.BlinkPhase());
    switch (role) {
        case Qt::DisplayRole:
            return index.column() == kListMark ? QVariant() : Q(MessageListCell(m, index.column()));
        case Qt::CheckStateRole:
            // The trouble ends when the link is back, not by hand.
            return index.column() == kListMark && !trouble
                       ? QVariant(static_cast<int>(m.Marked ? Qt::Checked : Qt::Unchecked))
                       : QVariant();
        case Qt::BackgroundRole:
            return QBrush(ToColor(look.background));
        case Qt::ForegroundRole:
            return QBrush(ToColor(look.text));
        case Qt::FontRole:
            return FontOf(m);
        case Qt::SizeHintRole:
            return QSize(-1, look.rowHeight);
        case Qt::TextAlignmentRole:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

bool TMessageListModel::setData(const QModelIndex& index, const QVariant&, int role) {
    if (role != Qt::CheckStateRole || index.column() != kListMark || MessageAt(index.row()) < 0)
        return false;
    monitor_.ToggleMark(MessageRow(index.row()));
    RepaintAll();
    emit marksChanged();
    return true;
}

Qt::ItemFlags TMessageListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kListMark && MessageAt(index.row()) >= 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TMessageListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const auto titles = MessageListTitles(texts_);
    return section >= 0 && section < static_cast<int>(titles.size()) ? Q(titles[section])
                                                                     : QVariant();
}

// ---- swatches ----------------------------------------------------------------------------------

void TSwatchDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const QVariant swatch = index.data(kSwatchRole);
    if (!swatch.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    o.text.clear();
    QStyledItemDelegate::paint(painter, o, index);  // background and selection
    painter->save();
    painter->setPen(Qt::black);
    painter->setBrush(swatch.value<QColor>());
    painter->drawRect(option.rect.adjusted(3, 3, -4, -4));
    painter->restore();
}

}  // namespace ravlin
