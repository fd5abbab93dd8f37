#include "records/ui/RecordsController.h"

#include <QAction>
#include <QEvent>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>

#include "base/ui/Notifications.h"
#include "records/ui/RecordActions.h"

namespace ravlin {

TRecordsController::TRecordsController(const TRecordsWindowContext& context, TRecordRows& rows,
                                       TWindowFrame& frame, QObject* parent)
    : QObject(parent), ctx_(context), rows_(rows), frame_(frame) {
    const std::pair<const char*, bool (TRecordsController::*)()> commands[] = {
        {"MenuAdd", &TRecordsController::MenuAddClick},
        {"MenuEdit", &TRecordsController::MenuEditClick},
        {"MenuDelete", &TRecordsController::MenuDeleteClick},
        {"MenuUndo", &TRecordsController::MenuUndoClick},
        {"MenuRedo", &TRecordsController::MenuRedoClick},
        {"MenuCut", &TRecordsController::MenuCutClick},
        {"MenuCopy", &TRecordsController::MenuCopyClick},
        {"MenuPaste", &TRecordsController::MenuPasteClick},
    };
    for (const auto& command : commands) {
        const auto slot = command.second;
        connect(frame_.Action(command.first), &QAction::triggered, this,
                [this, slot] { (this->*slot)(); });
    }
    // Redo has a second key, as in most programs.
    QAction* redo = frame_.Action("MenuRedo");
    redo->setShortcuts({redo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y)});

    contextMenu_ = new QMenu(frame_.Window());
    contextMenu_->setObjectName("RecordsMenu");
    for (const char* name : {"MenuAdd", "MenuEdit", "MenuDelete"})
        contextMenu_->addAction(frame_.Action(name));
    contextMenu_->addSeparator();
    for (const char* name : {"MenuCopy", "MenuPaste"}) contextMenu_->addAction(frame_.Action(name));

    for (TPage page : {TPage::Memory, TPage::File}) {
        QTableView* grid = rows_.Grid(page);
        grid->installEventFilter(this);
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, page](const QPoint& at) { ShowContextMenu(page, at); });
        connect(grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
            if (index.isValid()) MenuEditClick();
        });
        // Undo and Redo follow the page shown.
        frame_.Page(page)->installEventFilter(this);
    }
    connect(frame_.Action("MenuAdd"), &QAction::enabledChanged, this,
            &TRecordsController::UpdateActions);

    // Commands of the other controllers change the table without the history.
    TNotifications& n = ctx_.notifications;
    connect(&n, &TNotifications::tableCommitted, this, &TRecordsController::FollowTable);
    connect(&n, &TNotifications::userInfoChanged, this, &TRecordsController::FollowTable);
    connect(&n, &TNotifications::stateChanged, this, &TRecordsController::FollowTable);

    ctx_.history.Reset(ctx_.saved, !ctx_.memoryModified);
    stamp_ = Stamp();
    UpdateActions();
}

TRecordsController::~TRecordsController() = default;

// ---- what the commands work on ---------------------------------------------------------

TRecordContext TRecordsController::RecordContext() const {
    return TRecordContext{
        ctx_.language.Texts(), ctx_.ui,    ctx_.functionTable, ctx_.device, ctx_.table,
        ctx_.history,          ctx_.txDir, ctx_.titles};
}

bool TRecordsController::OnRecordPage(TPage& page) const {
    page = frame_.PageShown();
    if (page != TPage::Memory && page != TPage::File) return false;
    // The status rules: the Memory view needs a login, the File view a document.
    return frame_.Action("MenuAdd")->isEnabled() && rows_.Grid(page)->isVisible();
}

bool TRecordsController::LoadFunctions() {
    ctx_.functionTable.SetFileName(ctx_.language.FunctionTableFile());
    return ctx_.functionTable.LoadFunctionTable(ctx_.device.Name);
}

std::vector<int> TRecordsController::SelectedRows(TPage page) const {
    std::vector<int> rows;
    QTableView* grid = rows_.Grid(page);
    if (!grid || !grid->selectionModel() || !grid->model()) return rows;
    QItemSelectionModel* s = grid->selectionModel();
    // The grids select whole rows: their ranges give the rows at once. selectedRows() tests
    // every row against every range, which takes long for a thousand rows picked one by one.
    const int lastColumn = grid->model()->columnCount() - 1;
    bool wholeRows = true;
    for (const QItemSelectionRange& range : s->selection()) {
        if (range.left() > 0 || range.right() < lastColumn) {
            wholeRows = false;
            break;
        }
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    }
    if (!wholeRows) {
        rows.clear();
        for (const QModelIndex& index : s->selectedRows()) rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<int> TRecordsController::PositionsOf(TPage page, const std::vector<int>& rows) const {
    std::vector<int> positions;
    positions.reserve(rows.size());
    for (int row : rows) {
        const int position = rows_.PositionOfRow(page, row);
        // A row that shows no record ends the command there.
        if (position <= 0) break;
        positions.push_back(position);
    }
    return positions;
}

TRecordsController::TStamp TRecordsController::Stamp() const {
    return {ctx_.history.Revision(), TableDigest(ctx_.table, ctx_.device), ctx_.saved,
            ctx_.memoryModified};
}

// ---- the commands -----------------------------------------------------------------------

template <typename F>
bool TRecordsController::Run(F&& command) {
    FollowTable();
    TPage page;
    if (!OnRecordPage(page)) return false;
    TCommandResult result = TCommandResult::Unchanged;
    std::vector<int> select;
    int fallbackRow = -1;
    if (!ctx_.busy.Run([&] {
            result = command(page, select, fallbackRow);
            return true;
        }))
        return false;
    Finish(result, page, std::move(select), fallbackRow);
    return result == TCommandResult::Changed;
}

bool TRecordsController::MenuAddClick() {
    return Run([this](TPage page, std::vector<int>& select, int&) {
        if (!LoadFunctions()) return TCommandResult::Refused;
        // The record of the current row is the template; without one the record is cleared.
        const QModelIndex current = rows_.Grid(page)->currentIndex();
        const int position = current.isValid() ? rows_.PositionOfRow(page, current.row()) : 0;
        TRecordContext ctx = RecordContext();
        const TCommandResult result =
            AddRecordCommand(frame_.Window(), ctx, position > 0 ? position : kAddCleared);
        if (result == TCommandResult::Changed) select = ctx_.history.NextUndo()->Positions();
        return result;
    });
}

bool TRecordsController::MenuEditClick() {
    return Run([this](TPage page, std::vector<int>& select, int&) {
        const std::vector<int> positions = PositionsOf(page, SelectedRows(page));
        if (positions.empty()) return TCommandResult::Unchanged;
        if (!LoadFunctions()) return TCommandResult::Refused;
        TRecordContext ctx = RecordContext();
        select = positions;
        return EditRecordsCommand(frame_.Window(), ctx, positions);
    });
}

bool TRecordsController::MenuDeleteClick() {
    return Run([this](TPage page, std::vector<int>&, int& fallbackRow) {
        const std::vector<int> rows = SelectedRows(page);
        const std::vector<int> positions = PositionsOf(page, rows);
        if (positions.empty()) return TCommandResult::Unchanged;
        // The row below the deleted ones moves up into their place and is selected.
        fallbackRow = rows.front();
        TRecordContext ctx = RecordContext();
        return DeleteRecordsCommand(ctx, positions);
    });
}

bool TRecordsController::MenuUndoClick() {
    return Run([this](TPage, std::vector<int>& select, int&) {
        TRecordContext ctx = RecordContext();
        return UndoCommand(ctx, &select);
    });
}

bool TRecordsController::MenuRedoClick() {
    return Run([this](TPage, std::vector<int>& select, int&) {
        TRecordContext ctx = RecordContext();
        return RedoCommand(ctx, &select);
    });
}

bool TRecordsController::MenuCopyClick() {
    TPage page;
    if (!OnRecordPage(page)) return false;
    const std::vector<int> rows = SelectedRows(page);
    const std::vector<int> positions = PositionsOf(page, rows);
    if (positions.empty()) return false;
    const std::vector<int> copied(rows.begin(), rows.begin() + static_cast<long>(positions.size()));
    CopyRecordsToClipboard(RecordContext(), rows_.RowsText(page, copied), positions);
    return true;
}

bool TRecordsController::MenuCutClick() {
    return MenuCopyClick() && MenuDeleteClick();
}

bool TRecordsController::MenuPasteClick() {
    return Run([this](TPage, std::vector<int>& select, int&) {
        if (!RecordsOnClipboard()) return TCommandResult::Unchanged;
        if (!LoadFunctions()) return TCommandResult::Refused;
        TRecordContext ctx = RecordContext();
        const TCommandResult result = PasteFromClipboard(ctx);
        if (result == TCommandResult::Changed) select = ctx_.history.NextUndo()->Positions();
        return result;
    });
}

// ---- after a command ---------------------------------------------------------------------

void TRecordsController::Finish(TCommandResult result, TPage page, std::vector<int> select,
                                int fallbackRow) {
    notifying_ = true;
    if (result == TCommandResult::Changed) {
        ctx_.saved = ctx_.history.AtSaved();
        ctx_.memoryModified = !ctx_.history.AtReceiver();
        stamp_ = Stamp();
        emit ctx_.notifications.tableCommitted();
        Select(page, select, fallbackRow);
        emit ctx_.notifications.userInfoChanged();
    }
    emit ctx_.notifications.stateChanged();
    notifying_ = false;
    UpdateActions();
}

void TRecordsController::Select(TPage page, const std::vector<int>& positions, int fallbackRow) {
    QTableView* grid = rows_.Grid(page);
    QAbstractItemModel* model = grid ? grid->model() : nullptr;
    if (!model || !grid->selectionModel()) return;
    const int rowCount = model->rowCount();
    const int columns = std::max(model->columnCount(), 1);
    std::vector<int> rows;
    for (int row : rows_.RowsOfPositions(page, positions))
        if (row >= 0 && row < rowCount) rows.push_back(row);
    if (rows.empty() && fallbackRow >= 0 && rowCount > 0)
        rows.push_back(std::min(fallbackRow, rowCount - 1));
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (size_t i = 0; i < rows.size();) {
        // One range per run of neighbouring rows.
        size_t j = i + 1;
        while (j < rows.size() && rows[j] <= rows[j - 1] + 1) ++j;
        selection.select(model->index(rows[i], 0), model->index(rows[j - 1], columns - 1));
        i = j;
    }
    QItemSelectionModel* s = grid->selectionModel();
    s->setCurrentIndex(model->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    s->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid->scrollTo(model->index(rows.front(), 0));
}

void TRecordsController::UpdateActions() {
    TPage page;
    const bool records = OnRecordPage(page);
    frame_.Action("MenuUndo")->setEnabled(records && ctx_.history.CanUndo());
    frame_.Action("MenuRedo")->setEnabled(records && ctx_.history.CanRedo());
}

void TRecordsController::FollowTable() {
    if (notifying_ || ctx_.busy.Busy()) return;
    TStamp now = Stamp();
    if (now == stamp_) return;
    // Nobody went through the history, yet the table or the document's marks changed: the
    // steps no longer fit the table (a new table, or one renumbered by a save or upload).
    if (now.revision == stamp_.revision) {
        ctx_.history.Reset(ctx_.saved, !ctx_.memoryModified);
        now.revision = ctx_.history.Revision();
    }
    stamp_ = now;
    UpdateActions();
}

// ---- the grids ---------------------------------------------------------------------------

void TRecordsController::ShowContextMenu(TPage page, const QPoint& at) {
    QTableView* grid = rows_.Grid(page);
    UpdateActions();
    contextMenu_->popup(grid->viewport()->mapToGlobal(at));
}

bool TRecordsController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
        if (watched == frame_.Page(TPage::Memory) || watched == frame_.Page(TPage::File))
            UpdateActions();
        return QObject::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    if (watched != rows_.Grid(TPage::Memory) && watched != rows_.Grid(TPage::File))
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
    if (modifiers != Qt::NoModifier) return false;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            MenuEditClick();
            return true;
        case Qt::Key_Delete:
            MenuDeleteClick();
            return true;
        default:
            return false;
    }
}

}  // namespace ravlin
