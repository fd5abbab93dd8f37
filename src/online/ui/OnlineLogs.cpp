// TOnlineController: the history and battery logs and their pages.

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLayout>
#include <QTableView>
#include <algorithm>

#include "base/Sounds.h"
#include "base/ui/Icons.h"
#include "base/ui/Notifications.h"
#include "base/ui/QtSoundPlayer.h"
#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "base/ui/WindowThread.h"
#include "link/Link.h"
#include "online/LogRows.h"
#include "online/OnlineLog.h"
#include "online/ui/LogPages.h"
#include "online/ui/OnlineController.h"
#include "online/ui/OnlinePanel.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"
#include "receiver/ui/ReceiverForms.h"
#include "records/ui/RecordActions.h"
#include "views/ui/RecordViews.h"

namespace ravlin {

namespace {

// The grid column of a field, -1 when not shown.
template <typename F>
int ColumnOf(const std::vector<F>& columns, F field) {
    const auto at = std::find(columns.begin(), columns.end(), field);
    return at == columns.end() ? -1 : static_cast<int>(at - columns.begin());
}

}  // namespace

TUserVisibility TOnlineController::UserFields() const {
    return ShownUserFields(ctx_.ini, ctx_.state, FamilyOf(ctx_.functionTable.SingleRelay));
}

std::unique_ptr<TViewRows> TOnlineController::HistoryRows() const {
    return std::make_unique<THistoryRows>(ctx_.history.Items(), HistoryColumns(UserFields()),
                                          ctx_.language.Texts(), ctx_.titles);
}

std::unique_ptr<TViewRows> TOnlineController::BatteryRows() const {
    return std::make_unique<TBatteryRows>(ctx_.battery.Items(), BatteryColumns(UserFields()),
                                          ctx_.language.Texts(), ctx_.titles);
}

void TOnlineController::RefreshUserInfo() {
    ctx_.history.RefreshUserInfo(ctx_.table);
    PrepareBattery();
    ctx_.battery.RefreshUserInfo(ctx_.table);
    RefreshHistoryView(false);
    RefreshBatteryView();
}

void TOnlineController::RefreshHistoryView(bool sort) {
    const TTextTable& texts = ctx_.language.Texts();
    const std::vector<THistoryField> columns = HistoryColumns(UserFields());
    QStringList titles;
    for (THistoryField c : columns) titles << Q(HistoryTitle(c, texts, ctx_.titles));
    const QModelIndex current = historyGrid_->currentIndex();
    int follow = current.isValid() ? current.row() : -1;
    if (sort) follow = ctx_.history.Sort(historySort_, historyUp_, follow);
    applyingWidths_ = true;
    historyModel_->SetColumns(columns, titles);
    ApplyColumnWidths(historyGrid_, ctx_.settings.HistoryGrid,
                      ColumnOf(columns, THistoryField::Time));
    applyingWidths_ = false;
    const auto at = std::find(columns.begin(), columns.end(), historySort_);
    ShowSortMark(historyGrid_, at == columns.end() ? -1 : static_cast<int>(at - columns.begin()),
                 historyUp_);
    if (follow >= 0 && static_cast<size_t>(follow) < ctx_.history.Items().size())
        historyGrid_->selectRow(follow);
}

void TOnlineController::RefreshBatteryView() {
    const TTextTable& texts = ctx_.language.Texts();
    const std::vector<TBatteryField> columns = BatteryColumns(UserFields());
    QStringList titles;
    for (TBatteryField c : columns) titles << Q(BatteryTitle(c, texts, ctx_.titles));
    const QModelIndex current = batteryGrid_->currentIndex();
    applyingWidths_ = true;
    batteryModel_->SetColumns(columns, titles);
    ApplyColumnWidths(batteryGrid_, ctx_.settings.BatteryGrid,
                      ColumnOf(columns, TBatteryField::Time));
    applyingWidths_ = false;
    const int column = ctx_.settings.BatteryMonitorSortCol;
    ShowSortMark(batteryGrid_, column < static_cast<int>(columns.size()) ? column : -1,
                 ctx_.settings.BatteryMonitorSortUp);
    if (current.isValid() && static_cast<size_t>(current.row()) < ctx_.battery.Items().size())
        batteryGrid_->selectRow(current.row());
}

void TOnlineController::HistoryPageShown() {
    // As the page opens: read from the file, newest first.
    historySort_ = THistoryField::Time;
    historyUp_ = false;
    ctx_.history.Reload();
    RefreshHistoryView(true);
}

void TOnlineController::BatteryPageShown() {
    RefreshBatteryView();
}

void TOnlineController::ShowHistoryPage() {
    frame_.SetPageVisible(TPage::History, true);
    frame_.ShowPage(TPage::History);
}

void TOnlineController::ShowBatteryPage() {
    frame_.SetPageVisible(TPage::Battery, true);
    frame_.ShowPage(TPage::Battery);
}

void TOnlineController::HistoryHeaderClick(int column) {
    const auto& columns = historyModel_->Columns();
    if (column < 0 || static_cast<size_t>(column) >= columns.size()) return;
    const THistoryField field = columns[static_cast<size_t>(column)];
    if (field == historySort_) {
        historyUp_ = !historyUp_;
    } else {
        historySort_ = field;
        historyUp_ = true;
    }
    RefreshHistoryView(true);
}

void TOnlineController::BatteryHeaderClick(int column) {
    if (column < 0 || column >= batteryModel_->columnCount()) return;
    PrepareBattery();
    const QModelIndex current = batteryGrid_->currentIndex();
    int follow =
        current.isValid() && static_cast<size_t>(current.row()) < ctx_.battery.Items().size()
            ? current.row()
            : -1;
    ctx_.battery.PressHeader(column, &follow);
    ctx_.settings.BatteryMonitorSortCol = ctx_.battery.SortColumn;
    ctx_.settings.BatteryMonitorSortUp = ctx_.battery.SortUp;
    batteryGrid_->clearSelection();
    RefreshBatteryView();
    if (follow >= 0) batteryGrid_->selectRow(follow);
}

void TOnlineController::ClearButtonClick() {
    TClearBoxes boxes = batteryPage_->Boxes();
    std::vector<int> selected;
    for (int row : SelectedRows(batteryGrid_))
        if (static_cast<size_t>(row) < ctx_.battery.Items().size()) selected.push_back(row);
    ctx_.battery.ClearButton(boxes, selected);
    batteryPage_->UncheckBoxes();
    batteryGrid_->clearSelection();
    RefreshBatteryView();
}

void TOnlineController::BatteryGridDblClick() {
    const QModelIndex current = batteryGrid_->currentIndex();
    if (!current.isValid() || static_cast<size_t>(current.row()) >= ctx_.battery.Items().size())
        return;
    TPage page;
    if (ctx_.state.DocumentOpen)
        page = TPage::File;
    else if (ctx_.state.LoggedIn)
        page = TPage::Memory;
    else
        return;
    const std::string key =
        SerialKey(ctx_.battery.Items()[static_cast<size_t>(current.row())].Serial);
    frame_.ShowPage(page);
    const std::vector<int> rows = views_.RowRecords(page);
    for (size_t row = 0; row < rows.size(); ++row) {
        const size_t i = static_cast<size_t>(rows[row]);
        if (i < ctx_.table.size() && !ctx_.table[i].Empty && ctx_.table[i].Serial == key) {
            views_.SelectRow(page, static_cast<int>(row));
            return;
        }
    }
    ctx_.ui.Information(TMessage::Lang(ctx_.language.Texts(), Text::NoFurtherMatch));
    frame_.ShowPage(TPage::Battery);
}

void TOnlineController::SetLastHeardColumn(bool on) {
    ctx_.settings.LastHeardColumn = on;
    QAction* a = frame_.Action("MenuLastHeard");
    if (a->isChecked() != on) a->setChecked(on);
    if (on)
        views_.SetExtraFileColumn(kLastHeardTitle, [this](const TData& record) {
            return LastHeardText(ctx_.lastHeard, record);
        });
    else
        views_.SetExtraFileColumn({}, nullptr);
}

bool TOnlineController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (watched == frame_.Page(TPage::History)) HistoryPageShown();
        if (watched == frame_.Page(TPage::Battery)) BatteryPageShown();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ravlin
