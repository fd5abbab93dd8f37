#include "monitoring/ui/MonitoringPage.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "base/ui/WindowFrame.h"
#include "monitoring/ui/MonitorEditForm.h"
#include "monitoring/ui/MonitorEventEditForm.h"
#include "monitoring/ui/MonitorModels.h"
#include "monitoring/ui/QtMonitorEditors.h"
#include "online/OnlineLog.h"
#include "online/ui/OnlineController.h"
#include "online/ui/OnlinePanel.h"
#include "views/ui/RecordViews.h"

namespace ravlin {

namespace {

// The captions of the Add, Edit and Remove buttons (messages, and each event list), and of
// the Add button's menu items in their order.
constexpr Text kListButtonTexts[] = {Text::AddButton, Text::EditButton, Text::RemoveButton};
constexpr Text kAddMenuTexts[] = {Text::AddBySerial, Text::AddFromMemoryView, Text::AddFromFileView,
                                  Text::AddFromHistory};

}  // namespace

TMonitoringPage::TMonitoringPage(const TMonitorContext& context, TMonitor& monitor,
                                 TSoundPlayer& sounds, TFileChooser& files, TWindowFrame& frame,
                                 TOnlineController& online, TRecordViews& views, QObject* parent)
    : QObject(parent),
      ctx_(context),
      monitor_(monitor),
      frame_(frame),
      online_(online),
      views_(views) {
    messageForm_ =
        std::make_unique<TMonitorEditForm>(ctx_.texts, ctx_.ui, sounds, files, frame_.Window());
    eventForm_ = std::make_unique<TMonitorEventEditForm>(ctx_.texts, ctx_.ui, ctx_.folders.dataDir,
                                                         "Tx.def", frame_.Window());
    editors_ = std::make_unique<TQtMonitorEditors>(*messageForm_, *eventForm_);
    monitor_.editors = editors_.get();
    Build();

    // On the Monitoring page the record commands (F5, F6, F7) act on messages.
    const std::pair<const char*, void (TMonitoringPage::*)()> recordCommands[] = {
        {"MenuAdd", &TMonitoringPage::AddMessageClick},
        {"MenuEdit", &TMonitoringPage::EditMessagesClick},
        {"MenuDelete", &TMonitoringPage::RemoveMessagesClick}};
    for (const auto& [name, fn] : recordCommands)
        if (QAction* a = frame_.Action(name))
            connect(a, &QAction::triggered, this, [this, fn = fn] {
                if (frame_.PageShown() == TPage::Monitoring) (this->*fn)();
            });
    if (QAction* a = frame_.Action("MenuMonitorView"))
        connect(a, &QAction::triggered, this, &TMonitoringPage::ShowPage);
}

TMonitoringPage::~TMonitoringPage() {
    if (addForm_) {
        disconnect(addForm_, nullptr, this, nullptr);
        delete addForm_.data();
    }
    for (auto& [page, grid] : sources_)
        if (grid) grid->viewport()->removeEventFilter(this);
    for (int p = 0; p < kPageCount; ++p)
        if (QWidget* w = frame_.Page(static_cast<TPage>(p))) w->removeEventFilter(this);
    monitor_.editors = nullptr;
}

void TMonitoringPage::Build() {
    QWidget* page = frame_.Page(TPage::Monitoring);
    QLayout* layout = page->layout();
    if (!layout) layout = new QVBoxLayout(page);
    auto* box = new QWidget(page);
    auto* v = new QVBoxLayout(box);
    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, void (TMonitoringPage::*fn)()) {
        auto* b = new QPushButton(caption, box);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, fn);
        buttons->addWidget(b);
        messageButtons_.push_back(b);
    };
    button("MonitorAddButton", "Add", &TMonitoringPage::AddMessageClick);
    button("MonitorEditButton", "Edit", &TMonitoringPage::EditMessagesClick);
    button("MonitorRemoveButton", "Remove", &TMonitoringPage::RemoveMessagesClick);
    buttons->addStretch(1);
    v->addLayout(buttons);

    sort_.column = ctx_.settings.MonitorSortCol;
    sort_.ascending = ctx_.settings.MonitorSortUp;
    messagesGrid_ = new QTableView(box);
    messagesGrid_->setObjectName("MonitorGrid");
    messagesGrid_->setMinimumHeight(90);
    messagesModel_ = new TMessagesGridModel(ctx_.texts, monitor_, sort_, messagesGrid_);
    messagesGrid_->setModel(messagesModel_);
    messagesGrid_->setItemDelegateForColumn(kMsgColor, new TSwatchDelegate(messagesGrid_));
    messagesGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    messagesGrid_->setWordWrap(false);
    messagesGrid_->verticalHeader()->hide();
    messagesGrid_->horizontalHeader()->setStretchLastSection(true);
    messagesModel_->ShowSortIndicator(messagesGrid_->horizontalHeader());
    connect(messagesGrid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
        const int shown = CurrentMessage();
        messagesModel_->PressHeader(c);
        // The message chosen stays chosen in its new row.
        if (const int row = messagesModel_->RowOf(shown); row >= 0) messagesGrid_->selectRow(row);
        ctx_.settings.MonitorSortCol = sort_.column;
        ctx_.settings.MonitorSortUp = sort_.ascending;
        messagesModel_->ShowSortIndicator(messagesGrid_->horizontalHeader());
        ShowEventsOfCurrent();
    });
    connect(messagesGrid_, &QTableView::doubleClicked, this, &TMonitoringPage::EditMessagesClick);
    connect(messagesGrid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TMonitoringPage::ShowEventsOfCurrent);
    v->addWidget(messagesGrid_, 2);

    addMenu_ = new QMenu(box);
    addMenu_->setObjectName("AddPopupMenu");
    auto item = [&](const char* name, const QString& caption, auto fn) {
        QAction* a = addMenu_->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, fn);
    };
    item("AddPopupSerialNumber", "serial number ...", [this] { AddSerialNumberClick(); });
    item("AddPopupMemory", "from Memory view ...", [this] { AddFromPageClick(TPage::Memory); });
    item("AddPopupUser", "from File view ...", [this] { AddFromPageClick(TPage::File); });
    item("AddPopupHistory", "from History ...", [this] { AddFromPageClick(TPage::History); });

    auto eventGroup = [&](bool active, const QString& title, const char* name) {
        auto* group = new QGroupBox(title, box);
        group->setObjectName(active ? "ActiveGroup" : "DeactiveGroup");
        group->setMinimumHeight(125);
        auto* h = new QHBoxLayout(group);
        auto* grid = new QTableView(group);
        grid->setObjectName(name);
        auto* model = new TEventGridModel(ctx_.texts, monitor_, active, grid);
        model->SetUserColumns(
            AllUserColumns({"User number", "User 1", "User 2", "User 3", "User 4"}));
        grid->setModel(model);
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setWordWrap(false);
        grid->verticalHeader()->hide();
        connect(grid, &QTableView::doubleClicked, this, [this, active] { EditEventClick(active); });
        h->addWidget(grid, 1);
        auto* panel = new QWidget(group);
        panel->setObjectName(active ? "ActivePanel" : "DeactivePanel");
        auto* pv = new QVBoxLayout(panel);
        pv->setContentsMargins(0, 0, 0, 0);
        const char* suffix = active ? "Active" : "Deactive";
        for (const char* what : {"Add", "Edit", "Remove"}) {
            auto* b = new QPushButton(QString::fromLatin1(what), panel);
            b->setObjectName(QString::fromLatin1(what) + suffix + "Button");
            pv->addWidget(b);
            eventButtons_.push_back(b);
        }
        pv->addStretch(1);
        h->addWidget(panel);
        const size_t first = eventButtons_.size() - 3;
        connect(eventButtons_[first], &QPushButton::clicked, this,
                [this, active] { AddEventClick(active); });
        connect(eventButtons_[first + 1], &QPushButton::clicked, this,
                [this, active] { EditEventClick(active); });
        connect(eventButtons_[first + 2], &QPushButton::clicked, this,
                [this, active] { RemoveEventClick(active); });
        v->addWidget(group, 1);
        (active ? activeGrid_ : deactiveGrid_) = grid;
        (active ? activeGroup_ : deactiveGroup_) = group;
        return model;
    };
    activeModel_ = eventGroup(true, "Activate", "ActiveGrid");
    deactiveModel_ = eventGroup(false, "Deactivate", "DeactiveGrid");
    layout->addWidget(box);

    // The widths the user gives the columns are the settings' at once.
    KeepWidths(messagesGrid_, ctx_.settings.MonitorGrid);
    KeepWidths(activeGrid_, ctx_.settings.ActiveGrid);
    KeepWidths(deactiveGrid_, ctx_.settings.DeactiveGrid);
    ApplyWidths(messagesGrid_, ctx_.settings.MonitorGrid);
    ApplyUserColumns();

    addForm_ = new TMonitorAddForm(ctx_.texts, monitor_, *this, frame_.Window());
    addForm_->setObjectName("MonitorAddForm");
    connect(addForm_, &TMonitorAddForm::shown, this,
            [this] { online_.panel().addButton()->setEnabled(false); });
    connect(addForm_, &TMonitorAddForm::closed, this, [this] {
        addPage_ = TPage::Monitoring;
        ShowPage();
    });
    // The views and the history the window takes transmitters from.
    for (TPage p : {TPage::Memory, TPage::File})
        if (QTableView* grid = views_.Grid(p)) sources_[p] = grid;
    sources_[TPage::History] = online_.historyGrid();
    for (auto& [p, grid] : sources_)
        if (grid) grid->viewport()->installEventFilter(this);
    // A page the user chooses while the window is shown closes it: the pages' showing.
    for (int p = 0; p < kPageCount; ++p)
        if (QWidget* w = frame_.Page(static_cast<TPage>(p))) w->installEventFilter(this);
}

void TMonitoringPage::KeepWidths(QTableView* grid, std::vector<int>& widths) {
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this, &widths](int column, int, int width) {
                if (applyingWidths_ || column < 0) return;
                if (static_cast<size_t>(column) >= widths.size())
                    widths.resize(static_cast<size_t>(column) + 1, 64);
                widths[static_cast<size_t>(column)] = width;
            });
}

void TMonitoringPage::ApplyWidths(QTableView* grid, const std::vector<int>& widths) {
    applyingWidths_ = true;
    const int n = grid->model()->columnCount();
    // The last column stretches to the grid's edge; its stored width is not applied.
    for (int c = 0; c + 1 < n; ++c) {
        int w = static_cast<size_t>(c) < widths.size() ? widths[static_cast<size_t>(c)] : 64;
        // Until the user sizes a column (it has the default width), it fits its title and
        // contents; a message text gets more room.
        if (w == 64) {
            w = std::max({w, grid->horizontalHeader()->sectionSizeHint(c),
                          static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(c)});
            if (grid == messagesGrid_ && c == kMsgText) w = std::max(w, 240);
        }
        if (w > 0) grid->setColumnWidth(c, w);
    }
    applyingWidths_ = false;
}

void TMonitoringPage::ApplyUserColumns() {
    std::vector<TUserColumn> columns = UserColumnsOf(
        ShownUserFields(ctx_.ini, ctx_.state, FamilyOf(ctx_.functionTable.SingleRelay)),
        ctx_.titles);
    eventForm_->SetUserTitles(ctx_.titles);
    applyingWidths_ = true;
    activeModel_->SetUserColumns(columns);
    deactiveModel_->SetUserColumns(std::move(columns));
    applyingWidths_ = false;
    ApplyWidths(activeGrid_, ctx_.settings.ActiveGrid);
    ApplyWidths(deactiveGrid_, ctx_.settings.DeactiveGrid);
}

void TMonitoringPage::ReadSettings() {
    sort_.column = ctx_.settings.MonitorSortCol;
    sort_.ascending = ctx_.settings.MonitorSortUp;
    messagesModel_->Refresh();
    messagesModel_->ShowSortIndicator(messagesGrid_->horizontalHeader());
    ApplyWidths(messagesGrid_, ctx_.settings.MonitorGrid);
    ApplyUserColumns();
}

void TMonitoringPage::ApplyTexts() {
    const TTextTable& t = ctx_.texts;
    for (size_t i = 0; i < messageButtons_.size(); ++i)
        messageButtons_[i]->setText(L(t, kListButtonTexts[i % 3]));
    for (size_t i = 0; i < eventButtons_.size(); ++i)
        eventButtons_[i]->setText(L(t, kListButtonTexts[i % 3]));
    activeGroup_->setTitle(L(t, Text::ActivateGroup));
    deactiveGroup_->setTitle(L(t, Text::DeactivateGroup));
    const QList<QAction*> items = addMenu_->actions();
    for (int i = 0; i < items.size() && i < 4; ++i) items[i]->setText(L(t, kAddMenuTexts[i]));
    messagesModel_->Refresh();
    messagesModel_->ShowSortIndicator(messagesGrid_->horizontalHeader());
    ApplyUserColumns();
}

void TMonitoringPage::Refresh() {
    const int shown = CurrentMessage();
    messagesModel_->Refresh();
    if (const int row = messagesModel_->RowOf(shown); row >= 0) messagesGrid_->selectRow(row);
    ShowEventsOfCurrent();
    // Columns the user has not sized follow their contents.
    ApplyWidths(messagesGrid_, ctx_.settings.MonitorGrid);
    ApplyWidths(activeGrid_, ctx_.settings.ActiveGrid);
    ApplyWidths(deactiveGrid_, ctx_.settings.DeactiveGrid);
}

bool TMonitoringPage::AddWindowShown() const {
    return addForm_ && addForm_->isVisible();
}

void TMonitoringPage::ShowPage() {
    frame_.SetPageVisible(TPage::Monitoring, true);
    frame_.ShowPage(TPage::Monitoring);
}

// ---- messages -----------------------------------------------------------------------------

int TMonitoringPage::CurrentMessage() const {
    const QModelIndex cur = messagesGrid_->currentIndex();
    return cur.isValid() ? messagesModel_->MessageAt(cur.row()) : -1;
}

std::vector<int> TMonitoringPage::ChosenNumbers() const {
    QSet<int> rows;
    for (const QModelIndex& i : messagesGrid_->selectionModel()->selectedRows())
        rows.insert(i.row());
    if (rows.isEmpty() && messagesGrid_->currentIndex().isValid())
        rows.insert(messagesGrid_->currentIndex().row());
    std::vector<int> out;
    for (int r : rows)
        if (const int m = messagesModel_->MessageAt(r); m >= 0)
            out.push_back(monitor_.Messages[static_cast<size_t>(m)].Number);
    std::sort(out.begin(), out.end());
    return out;
}

void TMonitoringPage::ShowEventsOfCurrent() {
    const int m = CurrentMessage();
    for (auto [grid, model] :
         {std::pair(activeGrid_, activeModel_), std::pair(deactiveGrid_, deactiveModel_)}) {
        // The same message's events again (after an edit): the chosen row stays chosen.
        const int row = model->Message() == m && grid->currentIndex().isValid()
                            ? grid->currentIndex().row()
                            : -1;
        model->ShowMessage(m);
        if (row >= 0 && model->rowCount() > 0)
            grid->selectRow(std::min(row, model->rowCount() - 1));
    }
}

void TMonitoringPage::AddMessageClick() {
    if (locked_) return;
    if (monitor_.AddMessage()) {
        const int row = messagesModel_->RowOf(static_cast<int>(monitor_.Messages.size()) - 1);
        if (row >= 0) messagesGrid_->selectRow(row);
    }
}

void TMonitoringPage::EditMessagesClick() {
    if (locked_) return;
    monitor_.EditMessages(ChosenNumbers());
}

void TMonitoringPage::RemoveMessagesClick() {
    if (locked_) return;
    monitor_.RemoveMessages(ChosenNumbers());
    ShowEventsOfCurrent();
}

// ---- events of the chosen message -----------------------------------------------------------

void TMonitoringPage::AddEventClick(bool active) {
    if (locked_) return;
    int m = CurrentMessage();
    if (m < 0) {
        AddMessageClick();
        m = CurrentMessage();
    }
    if (m < 0) return;
    monitor_.TargetMessage = m;
    monitor_.AddToActive = active;
    auto available = [this](TPage page) {
        const auto it = sources_.find(page);
        return it != sources_.end() && it->second && TransmittersOffered(page, ctx_.state);
    };
    const QList<QAction*> items = addMenu_->actions();
    items[1]->setEnabled(available(TPage::Memory));
    items[2]->setEnabled(available(TPage::File));
    items[3]->setEnabled(available(TPage::History));
    addMenu_->popup(QCursor::pos());
}

void TMonitoringPage::AddSerialNumberClick() {
    if (locked_) return;
    // The event editor opens on it; a serial left unchanged drops it.
    monitor_.AddEvent("x000000", "0", true);
}

void TMonitoringPage::AddFromPageClick(TPage page) {
    if (locked_ || !sources_.count(page)) return;
    addPage_ = page;
    frame_.SetPageVisible(page, true);
    frame_.ShowPage(page);
    addForm_->ShowBeside(frame_.Window()->frameGeometry());
}

int TMonitoringPage::CurrentEvent(bool active) const {
    const QModelIndex cur = (active ? activeGrid_ : deactiveGrid_)->currentIndex();
    return cur.isValid() ? (active ? activeModel_ : deactiveModel_)->EventAt(cur.row()) : -1;
}

void TMonitoringPage::EditEventClick(bool active) {
    if (locked_) return;
    const int m = CurrentMessage();
    const int e = CurrentEvent(active);
    if (m < 0 || e < 0) return;
    if (active)
        monitor_.EditActive(m, e);
    else
        monitor_.EditDeactive(m, e);
}

void TMonitoringPage::RemoveEventClick(bool active) {
    if (locked_) return;
    const int m = CurrentMessage();
    const int e = CurrentEvent(active);
    if (m < 0 || e < 0) return;
    QTableView* grid = active ? activeGrid_ : deactiveGrid_;
    const int row = grid->currentIndex().row();
    if (active)
        monitor_.RemoveActive(m, e);
    else
        monitor_.RemoveDeactive(m, e);
    // The row that took the removed one's place stays current.
    const int rows = (active ? activeModel_ : deactiveModel_)->rowCount();
    if (rows > 0) grid->selectRow(std::min(row, rows - 1));
}

// ---- the transmitter-adding window ----------------------------------------------------------

TTransmitterSelection::TTransmitters TMonitoringPage::SelectedTransmitters() const {
    TTransmitters out;
    const TPage page = frame_.PageShown();
    const auto it = sources_.find(page);
    if (it == sources_.end() || !it->second) return out;
    const auto [code, button] = TransmitterColumnsOn(page, views_.FileLayout());
    if (code < 0 || button < 0) return out;
    QTableView* grid = it->second;
    QList<int> rows;
    for (const QModelIndex& i : grid->selectionModel()->selectedRows()) rows << i.row();
    if (rows.isEmpty() && grid->currentIndex().isValid()) rows << grid->currentIndex().row();
    std::sort(rows.begin(), rows.end());
    const QAbstractItemModel* model = grid->model();
    for (int r : rows) {
        const std::string serial = ToCoreLossy(model->index(r, code).data().toString().trimmed());
        if (serial.empty()) continue;  // a row without a transmitter
        out.emplace_back(serial, ToCoreLossy(model->index(r, button).data().toString().trimmed()));
    }
    return out;
}

bool TMonitoringPage::eventFilter(QObject* watched, QEvent* event) {
    if (!AddWindowShown()) return QObject::eventFilter(watched, event);
    // While the transmitter-adding window is shown, a double click in a view it takes
    // transmitters from is its OK (and not the view's own command).
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (const auto& [page, grid] : sources_)
            if (grid && watched == grid->viewport()) {
                addForm_->Confirm();
                return true;
            }
    }
    // Another page shown closes the window.
    if (event->type() == QEvent::Show && watched != frame_.Page(addPage_)) {
        for (int p = 0; p < kPageCount; ++p)
            if (watched == frame_.Page(static_cast<TPage>(p))) addForm_->reject();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ravlin
