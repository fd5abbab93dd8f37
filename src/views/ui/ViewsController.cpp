#include "views/ui/ViewsController.h"

#include <QApplication>
#include <QHeaderView>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "base/ui/InfoForm.h"
#include "base/ui/Notifications.h"
#include "base/ui/Text.h"
#include "views/ColumnConfig.h"
#include "views/ViewPages.h"
#include "views/ui/GridModel.h"

namespace ravlin {

namespace {

QTableView* MakeGrid(TGridModel* model, const char* name) {
    QTableView* grid = MakePageGrid(model, name);
    grid->setTextElideMode(Qt::ElideRight);
    grid->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    grid->setItemDelegate(new TRedRowDelegate(grid));
    grid->setAlternatingRowColors(false);
    grid->setShowGrid(true);
    grid->hide();
    return grid;
}

// Columns sized to their content stay within these (a long comment must not push every
// other column out of the window).
constexpr int kFitMin = 40;
constexpr int kFitMax = 320;

// The grid's scroll position and current column, kept over a rebuild of its rows.
struct TGridPlace {
    int vertical = 0;
    int horizontal = 0;
    int column = 0;

    explicit TGridPlace(QTableView* grid)
        : vertical(grid->verticalScrollBar()->value()),
          horizontal(grid->horizontalScrollBar()->value()),
          column(std::max(grid->currentIndex().column(), 0)) {}

    // Back to the same place, `row` (0-based, -1 none) selected in the same column.
    void Restore(QTableView* grid, int row) const {
        // The scroll ranges follow the new rows only once the items are laid out.
        grid->doItemsLayout();
        grid->verticalScrollBar()->setValue(vertical);
        grid->horizontalScrollBar()->setValue(horizontal);
        if (row < 0) return;
        const QModelIndex index =
            grid->model()->index(row, std::min(column, grid->model()->columnCount() - 1));
        grid->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        grid->scrollTo(index);  // only when it is out of sight
    }
};

}  // namespace

void SelectGridRow(QTableView* grid, int row) {
    if (!grid || !grid->model() || row < 0 || row >= grid->model()->rowCount()) return;
    const int column =
        std::clamp(grid->currentIndex().column(), 0, std::max(grid->model()->columnCount() - 1, 0));
    const QModelIndex index = grid->model()->index(row, column);
    grid->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid->scrollTo(index);
}

namespace {

// The Memory and File views as pages for Find, Export and Print.
class TMemoryPageRows : public TPageRows {
  public:
    TMemoryPageRows(QTableView* grid, const TMemoryViewContent& view, const TTextTable& texts)
        : grid_(grid), rows_(view, texts) {}
    const TViewRows* Rows() override { return grid_->isHidden() ? nullptr : &rows_; }
    void SelectRow(int row) override { SelectGridRow(grid_, row - 1); }

  private:
    QTableView* grid_;
    TMemoryViewRows rows_;
};

class TFilePageRows : public TPageRows {
  public:
    TFilePageRows(QTableView* grid, const TFileView& view, const TRecordTable& table,
                  const TTextTable& texts, const TUserTitles& titles)
        : grid_(grid), rows_(view, table, texts, titles) {}
    const TViewRows* Rows() override { return grid_->isHidden() ? nullptr : &rows_; }
    void SelectRow(int row) override { SelectGridRow(grid_, row - 1); }

  private:
    QTableView* grid_;
    TFileViewRows rows_;
};

}  // namespace

TViewsController::TViewsController(const TViewsContext& context, TWindowFrame& frame,
                                   TInfoForm& info, TNotifications& notifications, QObject* parent)
    : QObject(parent), ctx_(context), frame_(frame), info_(info), notifications_(notifications) {
    memoryModel_ = new TGridModel(this);
    fileModel_ = new TGridModel(this);
    memoryGrid_ = MakeGrid(memoryModel_, "MemoryGrid");
    fileGrid_ = MakeGrid(fileModel_, "FileGrid");
    frame_.Page(TPage::Memory)->layout()->addWidget(memoryGrid_);
    frame_.Page(TPage::File)->layout()->addWidget(fileGrid_);
    QHeaderView* header = fileGrid_->horizontalHeader();
    header->setSectionsMovable(true);
    header->viewport()->installEventFilter(this);
    header->setSortIndicatorShown(true);
    // Header presses are the sort command here; the header must not flip its own mark.
    header->setSectionsClickable(false);
    // A dragged column changes the layout; the grid itself keeps visual = layout order.
    connect(header, &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
        QHeaderView* h = fileGrid_->horizontalHeader();
        {
            const QSignalBlocker block(h);
            h->moveSection(to, from);
        }
        // The extra column is no column of the layout: it stays last.
        const int own = static_cast<int>(fileView_.headers.size());
        if (from >= own || to >= own) return;
        SyncWidths(fileGrid_, fileWidths_);
        const TLayoutFamily family = fileView_.family;
        TSortState sort = ctx_.sorts.Of(family);
        if (!ColumnMoved(ctx_.ini, family, ctx_.functionTable.SingleRelay, fileView_.layout, sort,
                         from, to))
            return;
        SetSortState(family, sort);
        // The width goes along at once: the refresh takes the grid's widths as the user's.
        MoveWidth(from, to);
        ApplyWidths(fileGrid_, fileWidths_);
        RefreshLater();
    });
    // The user columns are shown and hidden from the header's menu.
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ShowUserColumnMenu(fileGrid_->horizontalHeader()->viewport()->mapToGlobal(at));
    });
    pages_[static_cast<int>(TPage::Memory)] =
        std::make_unique<TMemoryPageRows>(memoryGrid_, memory_, ctx_.language.Texts());
    pages_[static_cast<int>(TPage::File)] = std::make_unique<TFilePageRows>(
        fileGrid_, fileView_, ctx_.table, ctx_.language.Texts(), ctx_.titles);
    // A command committed a new table, type or login: the views follow.
    connect(&notifications_, &TNotifications::tableCommitted, this,
            &TViewsController::RefreshViews);
    // The application set-up changed titles, visible columns or sorting.
    connect(&notifications_, &TNotifications::settingsChanged, this,
            &TViewsController::RefreshViews);
}

TViewsController::~TViewsController() = default;

TLayoutFamily TViewsController::Family() const {
    return FamilyOf(ctx_.functionTable.SingleRelay);
}

void TViewsController::ShowFileView() {
    frame_.ShowPage(TPage::File);
}

void TViewsController::ShowMemoryView() {
    frame_.ShowPage(TPage::Memory);
}

void TViewsController::RefreshViews() {
    // A function table that cannot be loaded leaves the views as they are.
    ctx_.functionTable.SetFileName(ctx_.language.FunctionTableFile());
    if (!ctx_.functionTable.LoadFunctionTable(ctx_.device.Name)) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (ctx_.state.DocumentOpen) {
        const bool working = !info_.isVisible();
        if (working) {
            info_.ShowText(L(ctx_.language.Texts(), Text::PreparingView));
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        BuildFileView();
        if (working) info_.hide();
    } else {
        if (!fileGrid_->isHidden()) StoreFileViewWidths();
        fileGrid_->hide();
        fileModel_->Clear();
        fileView_.empty = true;
        fileWidthsRestored_ = false;
    }
    if (ctx_.state.LoggedIn) {
        BuildMemoryView();
    } else {
        if (!memoryGrid_->isHidden()) StoreMemoryViewWidths();
        memoryWidthsRestored_ = false;
        memoryGrid_->hide();
        memoryModel_->Clear();
    }
    QApplication::restoreOverrideCursor();
    emit notifications_.stateChanged();
}

void TViewsController::BuildFileView() {
    QTableView* grid = fileGrid_;
    // The row selected in the grid is the one the refresh keeps.
    const QModelIndex current = grid->currentIndex();
    fileView_.selectedRow = current.isValid() ? current.row() : -1;
    const TGridPlace place(grid);
    if (widthsFamily_ != Family()) fileWidthsRestored_ = false;
    if (fileWidthsRestored_) SyncWidths(grid, fileWidths_);
    const TFileViewSource source{ctx_.table, ctx_.device, ctx_.functionTable, ctx_.language,
                                 ctx_.ini,   ctx_.sorts,  ctx_.titles};
    if (!RefreshFileView(source, fileView_)) return;
    widthsFamily_ = fileView_.family;

    QStringList headers;
    for (const auto& h : fileView_.headers) headers << Q(h);
    const int own = static_cast<int>(headers.size());
    if (extraText_) headers << Q(extraTitle_);
    const TRecordTable* table = &ctx_.table;
    TFileView* view = &fileView_;
    fileModel_->SetContent(
        headers, fileView_.RowCount(),
        [table, view, own, extra = extraText_](int r, int c) -> std::string {
            if (c < own) return view->Cell(*table, r, c);
            if (!extra || r < 0 || r >= view->RowCount() ||
                static_cast<size_t>(view->rows[r]) >= table->size())
                return {};
            return extra((*table)[view->rows[r]]);
        },
        [table, view](int r) { return view->IsRedRow(*table, r); });
    QHeaderView* header = grid->horizontalHeader();
    if (fileView_.sort.column >= 0 && fileView_.sort.column < headers.size())
        // The mark is an upward triangle for ascending order; Qt's header draws its
        // ascending indicator pointing down, so the order given to it is the other one.
        header->setSortIndicator(fileView_.sort.column, fileView_.sort.ascending
                                                            ? Qt::DescendingOrder
                                                            : Qt::AscendingOrder);
    else
        header->setSortIndicator(-1, Qt::AscendingOrder);
    if (fileWidthsRestored_)
        ApplyWidths(grid, fileWidths_);  // columns shown since take their kept widths
    else
        RestoreFileViewWidths();
    if (extraText_ && grid->columnWidth(own) < 130) grid->setColumnWidth(own, 130);
    place.Restore(grid, fileView_.selectedRow);
    grid->show();
}

void TViewsController::BuildMemoryView() {
    QTableView* grid = memoryGrid_;
    // The selected record stays selected and the grid where it was, as in the File view.
    const QModelIndex current = grid->currentIndex();
    const int oldRow = current.isValid() ? current.row() : -1;
    const int selectedRecord = oldRow >= 0 && oldRow < static_cast<int>(memoryPositions_.size())
                                   ? memoryPositions_[oldRow]
                                   : 1;
    const TGridPlace place(grid);
    if (memory_.family != Family()) memoryWidthsRestored_ = false;
    if (memoryWidthsRestored_) SyncWidths(grid, memoryWidths_);
    memory_ = ravlin::BuildMemoryView(ctx_.table, ctx_.device, ctx_.functionTable,
                                      ctx_.language.Texts(), ctx_.titles[1]);
    std::vector<int> records;
    memoryPositions_.clear();
    for (const auto& row : memory_.rows) {
        records.push_back(row.record);
        memoryPositions_.push_back(ctx_.table[static_cast<size_t>(row.record)].Position);
    }
    QStringList headers;
    for (const auto& h : memory_.headers) headers << Q(h);
    const TMemoryViewContent* m = &memory_;
    memoryModel_->SetContent(
        headers, static_cast<int>(memory_.rows.size()),
        [m](int r, int c) {
            const auto& cells = m->rows[r].cells;
            return c < static_cast<int>(cells.size()) ? cells[c] : std::string();
        },
        [m](int r) { return m->rows[r].red; });
    if (memoryWidthsRestored_)
        ApplyWidths(grid, memoryWidths_);
    else
        RestoreMemoryViewWidths();
    place.Restore(grid, KeepSelection(ctx_.table, records, selectedRecord, oldRow));
    grid->show();
}

void TViewsController::SyncWidths(QTableView* grid, std::vector<int>& widths) {
    const int n = std::min(grid->model()->columnCount(), static_cast<int>(widths.size()));
    for (int i = 0; i < n; ++i) widths[i] = grid->columnWidth(i);
}

void TViewsController::ApplyWidths(QTableView* grid, std::vector<int>& widths) {
    const int n = std::min(grid->model()->columnCount(), static_cast<int>(widths.size()));
    for (int i = 0; i < n; ++i) {
        if (widths[i] <= 0) {
            grid->resizeColumnToContents(i);
            widths[i] = std::clamp(grid->columnWidth(i), kFitMin, kFitMax);
        }
        if (grid->columnWidth(i) != widths[i]) grid->setColumnWidth(i, widths[i]);
    }
}

void TViewsController::MoveWidth(int from, int to) {
    const int n = static_cast<int>(fileWidths_.size());
    if (from < 0 || to < 0 || from >= n || to >= n || from == to) return;
    const int moved = fileWidths_[from];
    fileWidths_.erase(fileWidths_.begin() + from);
    fileWidths_.insert(fileWidths_.begin() + to, moved);
}

void TViewsController::StoreFileViewWidths() {
    if (fileModel_->columnCount() == 0 || !fileWidthsRestored_) return;
    SyncWidths(fileGrid_, fileWidths_);
    WriteColumnWidths(ctx_.ini, FileViewWidthKeys(Family()), fileWidths_);
}

void TViewsController::RestoreFileViewWidths() {
    fileWidths_ =
        ReadStoredColumnWidths(ctx_.ini, FileViewWidthKeys(Family()), kFileViewWidthColumns);
    ApplyWidths(fileGrid_, fileWidths_);
    fileWidthsRestored_ = true;
}

void TViewsController::StoreMemoryViewWidths() {
    if (memoryModel_->columnCount() == 0 || !memoryWidthsRestored_) return;
    SyncWidths(memoryGrid_, memoryWidths_);
    WriteColumnWidths(ctx_.ini, MemoryViewWidthKeys(Family()), memoryWidths_);
}

void TViewsController::RestoreMemoryViewWidths() {
    memoryWidths_ =
        ReadStoredColumnWidths(ctx_.ini, MemoryViewWidthKeys(Family()), kMemoryViewWidthColumns);
    ApplyWidths(memoryGrid_, memoryWidths_);
    memoryWidthsRestored_ = true;
}

void TViewsController::RefreshLater() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        RefreshViews();
    });
}

int TViewsController::SelectedFilePosition() const {
    const QModelIndex current = fileGrid_->currentIndex();
    if (!current.isValid() || current.row() >= static_cast<int>(fileView_.positions.size()))
        return 0;
    return fileView_.positions[current.row()];
}

std::vector<int> TViewsController::RowRecords(TPage page) const {
    std::vector<int> out;
    if (page == TPage::Memory && !memoryGrid_->isHidden()) {
        out.reserve(memory_.rows.size());
        for (const TMemoryRow& row : memory_.rows) out.push_back(row.record);
    } else if (page == TPage::File && !fileGrid_->isHidden()) {
        out = fileView_.rows;
    }
    return out;
}

void TViewsController::SelectRow(TPage page, int row) {
    QTableView* grid = page == TPage::Memory ? memoryGrid_
                       : page == TPage::File ? fileGrid_
                                             : nullptr;
    if (!grid || row < 0 || row >= grid->model()->rowCount()) return;
    grid->selectRow(row);
    grid->scrollTo(grid->model()->index(row, 0));
    if (page == TPage::File) fileView_.selectedRow = row;
}

void TViewsController::SetExtraFileColumn(const std::string& title,
                                          std::function<std::string(const TData&)> text) {
    extraTitle_ = title;
    extraText_ = std::move(text);
    RefreshLater();
}

void TViewsController::RepaintFileView() {
    if (extraText_) fileGrid_->viewport()->update();
}

QTableView* TViewsController::Grid(TPage page) const {
    if (page == TPage::Memory) return memoryGrid_;
    if (page == TPage::File) return fileGrid_;
    return nullptr;
}

int TViewsController::SelectedMemoryPosition() const {
    const QModelIndex current = memoryGrid_->currentIndex();
    if (!current.isValid() || current.row() >= static_cast<int>(memoryPositions_.size())) return 0;
    return memoryPositions_[current.row()];
}

TPageRows* TViewsController::PageRows(TPage page) {
    const int p = static_cast<int>(page);
    return p >= 0 && p < kPageCount ? pages_[p].get() : nullptr;
}

void TViewsController::RegisterPage(TPage page, std::unique_ptr<TPageRows> rows) {
    // The views' own pages stay theirs.
    if (page == TPage::Memory || page == TPage::File) return;
    pages_[static_cast<int>(page)] = std::move(rows);
}

void TViewsController::SetSortState(TLayoutFamily family, const TSortState& sort) {
    ctx_.sorts.Of(family) = sort;
    if (fileView_.family == family) fileView_.sort = sort;
}

bool TViewsController::UserColumnVisible(int k) const {
    if (k < kind::UserID || k > kind::User4) return false;
    return ReadUserColumnFlags(ctx_.ini, Family())[static_cast<size_t>(k - kind::UserID)];
}

void TViewsController::SetUserColumnVisible(int k, bool visible) {
    if (k < kind::UserID || k > kind::User4) return;
    const TLayoutFamily family = Family();
    const int singleRelay = ctx_.functionTable.SingleRelay;
    TColumnLayout layout = ReadColumnLayout(ctx_.ini, family, singleRelay);
    TSortState sort = ctx_.sorts.Of(family);
    if (fileWidthsRestored_ && widthsFamily_ == family) SyncWidths(fileGrid_, fileWidths_);
    const int from = layout.IndexOf(k);
    const bool moved = visible ? ShowUserColumn(ctx_.ini, family, singleRelay, layout, sort, k)
                               : HideUserColumn(ctx_.ini, family, singleRelay, layout, sort, k);
    if (moved && fileWidthsRestored_ && widthsFamily_ == family) MoveWidth(from, layout.IndexOf(k));
    // The flag follows also when the column already stood where it should (a hand-edited
    // file): the shown column count comes from the flags.
    auto flags = ReadUserColumnFlags(ctx_.ini, family);
    flags[static_cast<size_t>(k - kind::UserID)] = visible;
    WriteUserColumnFlags(ctx_.ini, family, flags);
    if (ctx_.state.DocumentOpen) StoreColumnLayoutAndFlags(ctx_.ini, family, layout);
    SetSortState(family, sort);
    if (fileView_.family == family) fileView_.layout = layout;
    RefreshViews();
}

void TViewsController::ShowUserColumnMenu(const QPoint& globalPos) {
    QMenu menu(fileGrid_);
    menu.setObjectName(QStringLiteral("UserColumnMenu"));
    for (int k = kind::UserID; k <= kind::User4; ++k) {
        QAction* a = menu.addAction(Q(ctx_.titles[static_cast<size_t>(k - kind::UserID)]));
        a->setCheckable(true);
        a->setChecked(UserColumnVisible(k));
        a->setData(k);
    }
    QAction* chosen = menu.exec(globalPos);
    if (chosen) SetUserColumnVisible(chosen->data().toInt(), chosen->isChecked());
}

bool TViewsController::eventFilter(QObject* watched, QEvent* event) {
    QHeaderView* header = fileGrid_->horizontalHeader();
    if (watched != header->viewport()) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        // The right button opens the menu of the user columns instead.
        if (me->button() == Qt::RightButton) return false;
        // A press right of the last column leaves no sort column (position order).
        const int logical = header->logicalIndexAt(me->position().toPoint());
        // The extra column does not sort.
        if (logical >= static_cast<int>(fileView_.headers.size())) return false;
        PressFileViewHeader(ctx_.sorts, fileView_, logical);
        headerPressed_ = true;
        emit fileHeaderPressed();
        return false;  // dragging a border or a column still works
    }
    if (event->type() == QEvent::MouseButtonRelease && headerPressed_) {
        headerPressed_ = false;
        auto* me = static_cast<QMouseEvent*>(event);
        // A release below the header changes the sort state without refreshing.
        // The header finishes its own handling of the release (a column drag) first.
        if (header->viewport()->rect().contains(me->position().toPoint())) RefreshLater();
        return false;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ravlin
