#include "views/ui/ViewsController.h"

#include <QApplication>
#include <QHeaderView>
#include <QLayout>
#include <QMouseEvent>
#include <QTimer>

#include "base/ui/InfoForm.h"
#include "base/ui/Notifications.h"
#include "base/ui/Text.h"
#include "views/ui/GridModel.h"

namespace ravlin {

namespace {

QTableView* MakeGrid(TGridModel* model, const char* name) {
    auto* grid = new QTableView;
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideRight);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->setAlternatingRowColors(false);
    grid->setShowGrid(true);
    grid->hide();
    return grid;
}

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
        const QSignalBlocker block(h);
        h->moveSection(to, from);
        MoveFileViewColumn(ctx_.ini, ctx_.sorts, fileView_, from, to);
        RefreshLater();
    });
    // A command committed a new table, type or login: the views follow.
    connect(&notifications_, &TNotifications::tableCommitted, this,
            &TViewsController::RefreshViews);
    // The application set-up changed titles, visible columns or sorting.
    connect(&notifications_, &TNotifications::settingsChanged, this,
            &TViewsController::RefreshViews);
}

TViewsController::~TViewsController() = default;

TLayoutFamily TViewsController::Family() const {
    return FamilyOf(ctx_.fnc.SingleRelay);
}

void TViewsController::ShowFileView() {
    frame_.ShowPage(TPage::File);
}

void TViewsController::ShowMemoryView() {
    frame_.ShowPage(TPage::Memory);
}

void TViewsController::RefreshViews() {
    // A function table that cannot be loaded leaves the views as they are.
    ctx_.fnc.SetFileName(ctx_.language.FunctionTableFile());
    if (!ctx_.fnc.LoadFunctionTable(ctx_.device.Name)) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (ctx_.state.DocumentOpen) {
        const bool working = !info_.isVisible();
        if (working) {
            info_.ShowText(L(ctx_.language.Texts(), 48));
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
    if (widthsFamily_ != Family()) fileWidthsRestored_ = false;
    const TFileViewSource source{ctx_.table, ctx_.device, ctx_.fnc,   ctx_.language,
                                 ctx_.ini,   ctx_.sorts,  ctx_.titles};
    if (!RefreshFileView(source, fileView_)) return;
    widthsFamily_ = fileView_.family;

    QStringList headers;
    for (const auto& h : fileView_.headers) headers << Q(h);
    const TRecordTable* table = &ctx_.table;
    TFileView* view = &fileView_;
    fileModel_->SetContent(
        headers, fileView_.RowCount(),
        [table, view](int r, int c) { return view->Cell(*table, r, c); },
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
    if (fileView_.selectedRow >= 0) {
        grid->selectRow(fileView_.selectedRow);
        grid->scrollTo(fileModel_->index(fileView_.selectedRow, 0));
    }
    if (!fileWidthsRestored_) RestoreFileViewWidths();
    grid->show();
}

void TViewsController::BuildMemoryView() {
    memory_ = ravlin::BuildMemoryView(ctx_.table, ctx_.device, ctx_.fnc, ctx_.language.Texts(),
                                      ctx_.titles[1]);
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
    if (!memoryWidthsRestored_) RestoreMemoryViewWidths();
    memoryGrid_->show();
}

namespace {

// Widths are kept per grid column index; only the first `stored` columns have keys.
struct TWidthKeys {
    const char* section;
    int stored;
};

TWidthKeys FileWidthKeys(TLayoutFamily f) {
    return f == TLayoutFamily::Single ? TWidthKeys{"UserGrid_Single", 13}
                                      : TWidthKeys{"UserGrid_Multi", 25};
}

TWidthKeys MemoryWidthKeys(TLayoutFamily f) {
    return f == TLayoutFamily::Single ? TWidthKeys{"MemGrid_Single", 6}
                                      : TWidthKeys{"MemGrid_Multi", 19};
}

void StoreWidths(TIniFile& ini, QTableView* grid, TWidthKeys keys) {
    const int n = std::min(keys.stored, grid->model()->columnCount());
    for (int i = 0; i < n; ++i)
        ini.WriteInteger(keys.section, "Col" + std::to_string(i + 1), grid->columnWidth(i));
}

void RestoreWidths(const TIniFile& ini, QTableView* grid, TWidthKeys keys) {
    const int n = grid->model()->columnCount();
    for (int i = 0; i < n; ++i) {
        int w =
            i < keys.stored ? ini.ReadInteger(keys.section, "Col" + std::to_string(i + 1), 64) : 64;
        grid->setColumnWidth(i, std::clamp(w, 8, 2000));
    }
}

}  // namespace

void TViewsController::StoreFileViewWidths() {
    if (fileModel_->columnCount() > 0) StoreWidths(ctx_.ini, fileGrid_, FileWidthKeys(Family()));
}

void TViewsController::RestoreFileViewWidths() {
    RestoreWidths(ctx_.ini, fileGrid_, FileWidthKeys(Family()));
    fileWidthsRestored_ = true;
}

void TViewsController::StoreMemoryViewWidths() {
    if (memoryModel_->columnCount() > 0)
        StoreWidths(ctx_.ini, memoryGrid_, MemoryWidthKeys(Family()));
}

void TViewsController::RestoreMemoryViewWidths() {
    RestoreWidths(ctx_.ini, memoryGrid_, MemoryWidthKeys(Family()));
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

bool TViewsController::eventFilter(QObject* watched, QEvent* event) {
    QHeaderView* header = fileGrid_->horizontalHeader();
    if (watched != header->viewport()) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        // A press right of the last column leaves no sort column (position order).
        const int logical = header->logicalIndexAt(me->position().toPoint());
        PressFileViewHeader(ctx_.sorts, fileView_, logical);
        headerPressed_ = true;
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
