#include "views/ui/ViewsController.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>

#include "app/Core.h"
#include "app/ui/MainForm.h"
#include "base/ui/Text.h"
#include "receiver/ui/ReceiverForms.h"
#include "records/Codec.h"
#include "views/MemoryView.h"
#include "views/ui/GridModel.h"

namespace ravlin {

TViewsController::TViewsController(TCore& core, TMainForm& form, TInfoForm& info, QObject* parent)
    : QObject(parent), core_(core), form_(form), info_(info) {
    form_.fileGrid()->horizontalHeader()->viewport()->installEventFilter(this);
    form_.fileGrid()->horizontalHeader()->setSortIndicatorShown(true);
    // Header presses are the sort command here; the header must not flip its own mark.
    form_.fileGrid()->horizontalHeader()->setSectionsClickable(false);
    // A dragged column changes the layout; the grid itself keeps visual = layout order.
    connect(form_.fileGrid()->horizontalHeader(), &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) {
                QHeaderView* h = form_.fileGrid()->horizontalHeader();
                const QSignalBlocker block(h);
                h->moveSection(to, from);
                MoveFileViewColumn(core_, fileView_, from, to);
                RefreshLater();
            });
}

TViewsController::~TViewsController() = default;

TLayoutFamily TViewsController::Family() const {
    return FamilyOf(core_.rxFnc.SingleRelay);
}

TSortState TViewsController::SortState(TLayoutFamily family) const {
    return SortStateOf(core_.settings, family);
}

void TViewsController::RefreshViews() {
    // A function table that cannot be loaded leaves the views as they are.
    if (!LoadFunctionTable(core_, core_.rx.Device.Name)) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (core_.state.DocumentOpen) {
        const bool working = !(suppressWorking && suppressWorking()) && !info_.isVisible();
        if (working) {
            info_.ShowText(L(core_.texts(), 48));
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        BuildFileView();
        if (working) info_.hide();
    } else {
        if (!form_.fileGrid()->isHidden()) StoreFileViewWidths();
        form_.fileGrid()->hide();
        form_.fileModel()->Clear();
        fileView_.empty = true;
        fileWidthsRestored_ = false;
    }
    if (core_.state.LoggedIn) {
        BuildMemoryView();
    } else {
        if (!form_.memoryGrid()->isHidden()) StoreMemoryViewWidths();
        memoryWidthsRestored_ = false;
        form_.memoryGrid()->hide();
        form_.memoryModel()->Clear();
        memoryEmpty_ = true;
    }
    QApplication::restoreOverrideCursor();
    if (onRefreshed) onRefreshed();
}

void TViewsController::BuildFileView() {
    QTableView* grid = form_.fileGrid();
    // The row selected in the grid is the one the refresh keeps.
    const QModelIndex current = grid->currentIndex();
    fileView_.selectedRow = current.isValid() ? current.row() : -1;
    if (widthsFamily_ != Family()) fileWidthsRestored_ = false;
    if (!RefreshFileView(core_, fileView_)) return;
    widthsFamily_ = fileView_.family;

    QStringList headers;
    for (const auto& h : fileView_.headers) headers << Q(h);
    const TRecordTable* table = &core_.table;
    TFileView* view = &fileView_;
    form_.fileModel()->SetContent(
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
        grid->scrollTo(form_.fileModel()->index(fileView_.selectedRow, 0));
    }
    if (!fileWidthsRestored_) RestoreFileViewWidths();
    grid->show();
}

void TViewsController::BuildMemoryView() {
    memory_ = ravlin::BuildMemoryView(core_.table, core_.rx.Device, core_.rxFnc, core_.texts(),
                                      core_.settings.UserTitles[1]);
    memoryEmpty_ = memory_.empty;
    QStringList headers;
    for (const auto& h : memory_.headers) headers << Q(h);
    const TMemoryViewContent* m = &memory_;
    form_.memoryModel()->SetContent(
        headers, static_cast<int>(memory_.rows.size()),
        [m](int r, int c) {
            const auto& cells = m->rows[r].cells;
            return c < static_cast<int>(cells.size()) ? cells[c] : std::string();
        },
        [m](int r) { return m->rows[r].red; });
    if (!memoryWidthsRestored_) RestoreMemoryViewWidths();
    form_.memoryGrid()->show();
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
    if (form_.fileModel()->columnCount() > 0)
        StoreWidths(core_.ini, form_.fileGrid(), FileWidthKeys(Family()));
}

void TViewsController::RestoreFileViewWidths() {
    RestoreWidths(core_.ini, form_.fileGrid(), FileWidthKeys(Family()));
    fileWidthsRestored_ = true;
}

void TViewsController::StoreMemoryViewWidths() {
    if (form_.memoryModel()->columnCount() > 0)
        StoreWidths(core_.ini, form_.memoryGrid(), MemoryWidthKeys(Family()));
}

void TViewsController::RestoreMemoryViewWidths() {
    RestoreWidths(core_.ini, form_.memoryGrid(), MemoryWidthKeys(Family()));
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
    const QModelIndex current = form_.fileGrid()->currentIndex();
    if (!current.isValid() || current.row() >= static_cast<int>(fileView_.positions.size()))
        return 0;
    return fileView_.positions[current.row()];
}

bool TViewsController::SelectFilePosition(int position) {
    for (size_t i = 0; i < fileView_.positions.size(); ++i)
        if (fileView_.positions[i] == position) {
            form_.fileGrid()->selectRow(static_cast<int>(i));
            return true;
        }
    return false;
}

bool TViewsController::eventFilter(QObject* watched, QEvent* event) {
    QHeaderView* header = form_.fileGrid()->horizontalHeader();
    if (watched != header->viewport()) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        // A press right of the last column leaves no sort column (position order).
        const int logical = header->logicalIndexAt(me->position().toPoint());
        PressFileViewHeader(core_, fileView_, logical);
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
