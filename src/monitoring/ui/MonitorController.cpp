#include "monitoring/ui/MonitorController.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/ui/Busy.h"
#include "base/ui/Notifications.h"
#include "base/ui/QtSoundPlayer.h"
#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "base/ui/WindowFrame.h"
#include "base/ui/WindowThread.h"
#include "document/ui/QtFileChooser.h"
#include "monitoring/ui/MonitorMessageForm.h"
#include "monitoring/ui/MonitorModels.h"
#include "monitoring/ui/QtMonitorEditors.h"
#include "online/OnlineLog.h"
#include "online/Reception.h"
#include "online/ui/OnlinePanel.h"
#include "views/ui/RecordViews.h"

namespace ravlin {

// ---- file dialogs ------------------------------------------------------------------------

std::optional<std::string> TMonitorFileChooser::OpenFile(const TFileDialog& dialog) {
    if (standIn_) return standIn_->OpenFile(dialog);
    return TQtFileChooser::RunDialog(parent_, false, dialog);
}

std::optional<std::string> TMonitorFileChooser::SaveFile(const TFileDialog& dialog) {
    if (standIn_) return standIn_->SaveFile(dialog);
    return TQtFileChooser::RunDialog(parent_, true, dialog);
}

// ---- construction ------------------------------------------------------------------------

namespace {

// The captions of the Add, Edit and Remove buttons (messages, and each event list), and of
// the Add button's menu items in their order.
constexpr Text kListButtonTexts[] = {Text::AddButton, Text::EditButton, Text::RemoveButton};
constexpr Text kAddMenuTexts[] = {Text::AddBySerial, Text::AddFromMemoryView, Text::AddFromFileView,
                                  Text::AddFromHistory};

// A press in the check box column toggles the row's mark (a click on the box alone would
// need a second click to select the row first).
class TMarkFilter : public QObject {
  public:
    TMarkFilter(QTableView* grid, std::function<void(int)> mark)
        : QObject(grid), grid_(grid), mark_(std::move(mark)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress) return false;
        const auto* me = static_cast<QMouseEvent*>(e);
        const QModelIndex at = grid_->indexAt(me->position().toPoint());
        if (!at.isValid() || at.column() != kListMark) return false;
        mark_(at.row() + 1);
        return true;
    }

  private:
    QTableView* grid_;
    std::function<void(int)> mark_;
};

}  // namespace

TMonitorController::TMonitorController(const TMonitorContext& context, TWindowFrame& frame,
                                       TOnlineController& online, TRecordViews& views,
                                       QObject* parent)
    : QObject(parent),
      ctx_(context),
      frame_(frame),
      online_(online),
      views_(views),
      monitor_(context.texts, context.ui),
      chooser_(frame.Window()) {
    log_ = std::make_unique<TAlarmLogWriter>(ctx_.folders.HomeFile(kAlarmLogName));
    sounds_ = std::make_unique<TQtSoundPlayer>(ctx_.folders.dataDir, ctx_.settings.SoundCard,
                                               ctx_.settings.SoundSpeaker);
    monitor_.alarmLog = log_.get();
    monitor_.sound = sounds_.get();
    monitor_.host = this;
    messageForm_ = std::make_unique<TMonitorEditForm>(ctx_.texts, ctx_.ui, *sounds_, chooser_,
                                                      frame_.Window());
    eventForm_ = std::make_unique<TMonitorEventEditForm>(ctx_.texts, ctx_.ui, ctx_.folders.dataDir,
                                                         "Tx.def", frame_.Window());
    editors_ = std::make_unique<TQtMonitorEditors>(*messageForm_, *eventForm_);
    monitor_.editors = editors_.get();
    BuildPage();

    // The message panel fills the main window in monitor mode.
    QWidget* central = frame_.Window()->findChild<QTabWidget*>()
                           ? frame_.Window()->findChild<QTabWidget*>()->parentWidget()
                           : frame_.Window();
    panel_ = new QWidget(central);
    panel_->setObjectName("MessagesPanel");
    auto* v = new QVBoxLayout(panel_);
    v->setContentsMargins(0, 0, 0, 0);
    auto* strip = new QHBoxLayout;
    selectAll_ = new QCheckBox("Select All", panel_);
    selectAll_->setObjectName("MessageClearBox1");
    deactive_ = new QPushButton("Deactive", panel_);
    deactive_->setObjectName("MessageClearButton");
    exit_ = new QPushButton("Exit", panel_);
    exit_->setObjectName("MonitorEndButton");
    operator_ = new QLineEdit(panel_);
    operator_->setObjectName("OperatorEdit");
    operator_->setPlaceholderText("Operator");
    operator_->setMaximumWidth(200);
    strip->addWidget(selectAll_);
    strip->addWidget(deactive_);
    strip->addWidget(operator_);
    strip->addStretch(1);
    strip->addWidget(exit_);
    v->addLayout(strip);
    grid_ = new QTableView(panel_);
    grid_->setObjectName("MessageGrid");
    listModel_ = new TMessageListModel(ctx_.texts, monitor_, Q(ctx_.settings.MonitorFont), grid_);
    grid_->setModel(listModel_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    KeepWidths(grid_, ctx_.settings.MessageGrid);
    ApplyWidths(grid_, ctx_.settings.MessageGrid);
    grid_->setColumnWidth(kListMark, 32);
    grid_->viewport()->installEventFilter(
        new TMarkFilter(grid_, [this](int row) { MarkRow(row); }));
    v->addWidget(grid_, 1);
    if (central->layout()) central->layout()->addWidget(panel_);
    panel_->hide();

    blink_.setInterval(500);
    connect(&blink_, &QTimer::timeout, this, &TMonitorController::Blink);
    connect(selectAll_, &QCheckBox::clicked, this, &TMonitorController::SelectAllClick);
    connect(deactive_, &QPushButton::clicked, this, &TMonitorController::DeactiveClick);
    connect(exit_, &QPushButton::clicked, this, &TMonitorController::ExitClick);
    // The operator's name is remembered between runs (ReadSettings fills the field).
    connect(operator_, &QLineEdit::textChanged, this, [this](const QString& name) {
        monitor_.operatorName = ToCoreLossy(name);
        ctx_.settings.Operator = monitor_.operatorName;
    });
    connect(listModel_, &TMessageListModel::marksChanged, this, [this] {
        QSignalBlocker b(selectAll_);
        selectAll_->setChecked(monitor_.SelectAll());
    });

    // On the Monitoring page the record commands (F5, F6, F7) act on messages.
    const std::pair<const char*, void (TMonitorController::*)()> recordCommands[] = {
        {"MenuAdd", &TMonitorController::AddMessageClick},
        {"MenuEdit", &TMonitorController::EditMessagesClick},
        {"MenuDelete", &TMonitorController::RemoveMessagesClick}};
    for (const auto& [name, fn] : recordCommands)
        if (QAction* a = frame_.Action(name))
            connect(a, &QAction::triggered, this, [this, fn = fn] {
                // Outside monitor mode only (the handlers check it).
                if (frame_.PageShown() == TPage::Monitoring) (this->*fn)();
            });
    if (QAction* a = frame_.Action("MenuMonitorView"))
        connect(a, &QAction::triggered, this, &TMonitorController::ShowMonitoringPage);
    if (QAction* a = frame_.Action("MenuMonitor"))
        connect(a, &QAction::triggered, this, &TMonitorController::MenuMonitorClick);
    if (QAction* a = frame_.Action("MenuOpenMonitor"))
        connect(a, &QAction::triggered, this, &TMonitorController::OpenClick);
    if (QAction* a = frame_.Action("MenuSaveMonitorAs"))
        connect(a, &QAction::triggered, this, &TMonitorController::SaveAsClick);
    connect(&ctx_.notifications, &TNotifications::saveAllRequested, this,
            &TMonitorController::SaveAll);
    // The events show the user information of the records as it is now.
    connect(&ctx_.notifications, &TNotifications::userInfoChanged, this,
            &TMonitorController::UserInfoChanged);
    connect(&ctx_.notifications, &TNotifications::tableCommitted, this,
            &TMonitorController::UserInfoChanged);
    connect(&ctx_.notifications, &TNotifications::settingsChanged, this,
            &TMonitorController::SettingsChanged);
    connect(&online_, &TOnlineController::receptionPolled, this,
            &TMonitorController::TakeReception);
    online_.SetMonitoring(this);
    connect(&online_, &TOnlineController::onlineChanged, this, [this](bool on) {
        // On-line mode that ends under monitor mode (a lost link) ends it too.
        if (!on && monitorMode_) Leave();
    });
}

TMonitorController::~TMonitorController() {
    blink_.stop();
    online_.SetMonitoring(nullptr);
    disconnect(&online_, nullptr, this, nullptr);
    disconnect(selectAll_, nullptr, this, nullptr);
    disconnect(operator_, nullptr, this, nullptr);
    if (addForm_) {
        disconnect(addForm_, nullptr, this, nullptr);
        delete addForm_;
        addForm_ = nullptr;
    }
    for (auto& [page, grid] : sources_)
        if (grid) grid->viewport()->removeEventFilter(this);
    for (auto& [i, w] : popups_) delete w.data();
    popups_.clear();
    monitor_.sound = nullptr;
    monitor_.alarmLog = nullptr;
    monitor_.editors = nullptr;
    monitor_.host = nullptr;
}

void TMonitorController::BuildPage() {
    QWidget* page = frame_.Page(TPage::Monitoring);
    if (!page) return;
    QLayout* layout = page->layout();
    if (!layout) layout = new QVBoxLayout(page);
    auto* box = new QWidget(page);
    auto* v = new QVBoxLayout(box);
    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, void (TMonitorController::*fn)()) {
        auto* b = new QPushButton(caption, box);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, fn);
        buttons->addWidget(b);
        messageButtons_.push_back(b);
    };
    button("MonitorAddButton", "Add", &TMonitorController::AddMessageClick);
    button("MonitorEditButton", "Edit", &TMonitorController::EditMessagesClick);
    button("MonitorRemoveButton", "Remove", &TMonitorController::RemoveMessagesClick);
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
        const QModelIndex cur = messagesGrid_->currentIndex();
        const int shown = cur.isValid() ? messagesModel_->MessageAt(cur.row()) : -1;
        messagesModel_->PressHeader(c);
        // The message chosen stays chosen in its new row.
        if (const int row = messagesModel_->RowOf(shown); row >= 0) messagesGrid_->selectRow(row);
        ctx_.settings.MonitorSortCol = sort_.column;
        ctx_.settings.MonitorSortUp = sort_.ascending;
        messagesModel_->ShowSortIndicator(messagesGrid_->horizontalHeader());
        ShowEventsOfCurrent();
    });
    connect(messagesGrid_, &QTableView::doubleClicked, this,
            &TMonitorController::EditMessagesClick);
    connect(messagesGrid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TMonitorController::ShowEventsOfCurrent);
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
        const char* prefix = active ? "Active" : "Deactive";
        for (const char* what : {"Add", "Edit", "Remove"}) {
            auto* b = new QPushButton(QString::fromLatin1(what), panel);
            b->setObjectName(QString::fromLatin1(what) + prefix + "Button");
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
    connect(addForm_, &TMonitorAddForm::shown, this,
            [this] { online_.panel().addButton()->setEnabled(false); });
    connect(addForm_, &TMonitorAddForm::closed, this, [this] {
        addPage_ = TPage::Monitoring;
        ShowMonitoringPage();
    });
    // The views and the history the window takes transmitters from.
    for (TPage page : {TPage::Memory, TPage::File})
        if (QTableView* grid = views_.Grid(page)) sources_[page] = grid;
    sources_[TPage::History] = online_.historyGrid();
    for (auto& [page, grid] : sources_)
        if (grid) grid->viewport()->installEventFilter(this);
    // A page the user chooses while the window is shown closes it.
    if (auto* tabs = frame_.Window()->findChild<QTabWidget*>())
        connect(tabs, &QTabWidget::currentChanged, this, [this](int index) {
            if (addForm_ && addForm_->isVisible() && index != static_cast<int>(addPage_))
                addForm_->reject();
        });
}

void TMonitorController::KeepWidths(QTableView* grid, std::vector<int>& widths) {
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this, &widths](int column, int, int width) {
                if (applyingWidths_ || column < 0) return;
                if (static_cast<size_t>(column) >= widths.size())
                    widths.resize(static_cast<size_t>(column) + 1, 64);
                widths[static_cast<size_t>(column)] = width;
            });
}

void TMonitorController::ApplyWidths(QTableView* grid, const std::vector<int>& widths) {
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

void TMonitorController::ApplyUserColumns() {
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

std::vector<int> TMonitorController::ChosenNumbers() const {
    QSet<int> rows;
    for (const QModelIndex& i : messagesGrid_->selectionModel()->selectedRows())
        rows.insert(i.row());
    if (rows.isEmpty() && messagesGrid_->currentIndex().isValid())
        rows.insert(messagesGrid_->currentIndex().row());
    std::vector<int> out;
    for (int r : rows)
        if (const int m = messagesModel_->MessageAt(r); m >= 0) out.push_back(m + 1);
    std::sort(out.begin(), out.end());
    return out;
}

void TMonitorController::ShowEventsOfCurrent() {
    const QModelIndex cur = messagesGrid_->currentIndex();
    const int m = cur.isValid() ? messagesModel_->MessageAt(cur.row()) : -1;
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

int TMonitorController::CurrentNumber() const {
    const QModelIndex cur = messagesGrid_->currentIndex();
    const int m = cur.isValid() ? messagesModel_->MessageAt(cur.row()) : -1;
    return m < 0 ? 0 : m + 1;
}

// ---- events of the chosen message ------------------------------------------------------------

void TMonitorController::AddEventClick(bool active) {
    if (monitorMode_) return;
    int number = CurrentNumber();
    if (number == 0) {
        AddMessageClick();
        number = CurrentNumber();
    }
    if (number == 0) return;
    monitor_.TargetMessage = number - 1;
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

void TMonitorController::AddSerialNumberClick() {
    if (monitorMode_) return;
    // The event editor opens on it; a serial left unchanged drops it.
    monitor_.AddEvent("x000000", "0", true);
}

void TMonitorController::AddFromPageClick(TPage page) {
    if (monitorMode_ || !sources_.count(page)) return;
    addPage_ = page;
    frame_.SetPageVisible(page, true);
    frame_.ShowPage(page);
    addForm_->ShowBeside(frame_.Window()->frameGeometry());
}

int TMonitorController::CurrentEvent(bool active) const {
    const QModelIndex cur = (active ? activeGrid_ : deactiveGrid_)->currentIndex();
    return cur.isValid() ? (active ? activeModel_ : deactiveModel_)->EventAt(cur.row()) : -1;
}

void TMonitorController::EditEventClick(bool active) {
    if (monitorMode_) return;
    const int number = CurrentNumber();
    const int e = CurrentEvent(active);
    if (number == 0 || e < 0) return;
    if (active)
        monitor_.EditActive(number - 1, e);
    else
        monitor_.EditDeactive(number - 1, e);
}

void TMonitorController::RemoveEventClick(bool active) {
    if (monitorMode_) return;
    const int number = CurrentNumber();
    const int e = CurrentEvent(active);
    if (number == 0 || e < 0) return;
    QTableView* grid = active ? activeGrid_ : deactiveGrid_;
    const int row = grid->currentIndex().row();
    if (active)
        monitor_.RemoveActive(number - 1, e);
    else
        monitor_.RemoveDeactive(number - 1, e);
    // The row that took the removed one's place stays current.
    const int rows = (active ? activeModel_ : deactiveModel_)->rowCount();
    if (rows > 0) grid->selectRow(std::min(row, rows - 1));
}

const TRecordTable* TMonitorController::DocumentRecords() const {
    return ctx_.state.DocumentOpen ? &ctx_.table : nullptr;
}

bool TMonitorController::AddWindowShown() const {
    return addForm_ && addForm_->isVisible();
}

TTransmitterSelection::TTransmitters TMonitorController::SelectedTransmitters() const {
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

bool TMonitorController::eventFilter(QObject* watched, QEvent* event) {
    // While the transmitter-adding window is shown, a double click in a view it takes
    // transmitters from is its OK (and not the view's own command).
    if (event->type() == QEvent::MouseButtonDblClick && addForm_ && addForm_->isVisible()) {
        for (const auto& [page, grid] : sources_)
            if (grid && watched == grid->viewport()) {
                addForm_->Confirm();
                return true;
            }
    }
    return QObject::eventFilter(watched, event);
}

void TMonitorController::UserInfoChanged() {
    monitor_.CommentRefresh();
    ApplyUserColumns();
}

void TMonitorController::SettingsChanged() {
    const QString font = Q(ctx_.settings.MonitorFont);
    listModel_->SetFontName(font);
    Refresh();
    for (auto& [i, w] : popups_) {
        if (!w || i >= static_cast<int>(monitor_.Messages.size())) continue;
        w->ApplyLook(LookOf(monitor_.Messages[static_cast<size_t>(i)], monitor_.BlinkPhase()),
                     font);
    }
    ApplyUserColumns();
}

void TMonitorController::AddMessageClick() {
    if (monitorMode_) return;
    if (monitor_.AddMessage()) {
        const int row = messagesModel_->RowOf(static_cast<int>(monitor_.Messages.size()) - 1);
        if (row >= 0) messagesGrid_->selectRow(row);
    }
}

void TMonitorController::EditMessagesClick() {
    if (monitorMode_) return;
    monitor_.EditMessages(ChosenNumbers());
}

void TMonitorController::RemoveMessagesClick() {
    if (monitorMode_) return;
    monitor_.RemoveMessages(ChosenNumbers());
    ShowEventsOfCurrent();
}

void TMonitorController::ShowMonitoringPage() {
    frame_.SetPageVisible(TPage::Monitoring, true);
    frame_.ShowPage(TPage::Monitoring);
}

void TMonitorController::SetSoundPlayer(TSoundPlayer* player) {
    monitor_.sound = player ? player : sounds_.get();
}

void TMonitorController::ApplyTexts() {
    const TTextTable& t = ctx_.texts;
    selectAll_->setText(L(t, Text::SelectAll));
    deactive_->setText(L(t, Text::DeactivateButton));
    exit_->setText(L(t, Text::MonitorExit));
    for (size_t i = 0; i < messageButtons_.size(); ++i)
        messageButtons_[i]->setText(L(t, kListButtonTexts[i % 3]));
    for (size_t i = 0; i < eventButtons_.size(); ++i)
        eventButtons_[i]->setText(L(t, kListButtonTexts[i % 3]));
    activeGroup_->setTitle(L(t, Text::ActivateGroup));
    deactiveGroup_->setTitle(L(t, Text::DeactivateGroup));
    const QList<QAction*> items = addMenu_->actions();
    for (int i = 0; i < items.size() && i < 4; ++i) items[i]->setText(L(t, kAddMenuTexts[i]));
    listModel_->Refresh();
    messagesModel_->Refresh();
    messagesModel_->ShowSortIndicator(messagesGrid_->horizontalHeader());
    ApplyUserColumns();
}

TMonitorMessageForm* TMonitorController::PopupOf(int message) const {
    auto it = popups_.find(message);
    return it == popups_.end() ? nullptr : it->second.data();
}

// ---- entering and leaving ----------------------------------------------------------------

bool TMonitorController::MenuMonitorClick() {
    if (monitorMode_) {
        Leave();
        return true;
    }
    if (ctx_.busy.Busy()) return false;
    onlineBefore_ = online_.Online();
    // On-line mode logs in first when needed.
    if (!onlineBefore_ && !online_.MenuOnlineClick()) return false;
    if (!online_.Online()) return false;
    Enter();
    return true;
}

void TMonitorController::Enter() {
    monitorMode_ = true;
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        monitor_.workArea = TWorkArea{r.left(), r.top(), r.width(), r.height()};
    }
    SetWindowForMonitor(true);
    blink_.start();
    Refresh();
    emit monitorModeChanged(true);
    emit ctx_.notifications.stateChanged();
}

void TMonitorController::Leave() {
    if (!monitorMode_) return;
    monitorMode_ = false;
    blink_.stop();
    if (!onlineBefore_ && online_.Online()) online_.LeaveOnline();
    SetWindowForMonitor(false);
    emit monitorModeChanged(false);
    emit ctx_.notifications.stateChanged();
}

void TMonitorController::SetWindowForMonitor(bool monitor) {
    auto* main = qobject_cast<QMainWindow*>(frame_.Window());
    QTabWidget* pages = frame_.Window()->findChild<QTabWidget*>();
    QToolBar* tools = frame_.Window()->findChild<QToolBar*>();
    QWidget* onlinePanel = frame_.OnlinePanel();
    // The File, Edit and Communication menus, the communication set-up and the keys of the
    // hidden communication commands (F12, Ctrl+F12) are off; only "Exit" of the panel leaves.
    std::vector<QAction*> off;
    if (main) {
        const QList<QAction*> menus = main->menuBar()->actions();
        for (int i : {0, 1, 3})
            if (i < menus.size()) off.push_back(menus[i]);
    }
    if (QAction* a = frame_.Action("MenuCommSetup")) off.push_back(a);
    for (const char* key : {"MenuOnlineKey", "MenuMonitorKey"})
        if (QAction* a = frame_.Window()->findChild<QAction*>(key)) off.push_back(a);
    if (monitor) {
        pagesWereVisible_ = pages && !pages->isHidden();
        toolBarWasVisible_ = tools && !tools->isHidden();
        panelWasVisible_ = onlinePanel && !onlinePanel->isHidden();
        if (pages) pages->hide();
        if (tools) tools->hide();
        if (onlinePanel) onlinePanel->hide();
        panel_->show();
        disabled_.clear();
        for (QAction* a : off)
            if (a->isEnabled()) {
                disabled_.emplace_back(a);
                a->setEnabled(false);
            }
    } else {
        panel_->hide();
        if (pages && pagesWereVisible_) pages->show();
        if (tools && toolBarWasVisible_) tools->show();
        if (onlinePanel && panelWasVisible_ && online_.Online()) onlinePanel->show();
        // What entering switched off comes back on, and only that.
        for (const QPointer<QAction>& a : disabled_)
            if (a) a->setEnabled(true);
        disabled_.clear();
    }
}

// ---- receptions and the message list -------------------------------------------------------

void TMonitorController::TakeReception(const TReception& r) {
    if (!monitorMode_) return;
    Apply(monitor_.OnReception(r.serial, r.button));
    RaisePopups();
}

void TMonitorController::Apply(const std::vector<TMonitorChange>& changes) {
    bool front = false;
    for (const TMonitorChange& c : changes) {
        if (c.message < 0 || c.message >= static_cast<int>(monitor_.Messages.size())) continue;
        const TMonitorData& m = monitor_.Messages[static_cast<size_t>(c.message)];
        if (c.action == TAlarmAction::Activate) {
            if (m.ShowWindow && m.Slot >= 0) ShowPopup(c.message);
            if (m.Activate) front = true;
        } else {
            ClosePopup(c.message);
        }
    }
    Refresh();
    if (front) BringToFront();
}

void TMonitorController::Refresh() {
    listModel_->Refresh();
    for (int r = 0; r < listModel_->rowCount(); ++r) {
        const int m = listModel_->MessageAt(r);
        const int size =
            m >= 0 ? DisplayFontSize(monitor_.Messages[static_cast<size_t>(m)].Size) : 8;
        grid_->setRowHeight(r, size + 12 + size / 3);
    }
    grid_->setColumnWidth(kListMark, 32);
}

void TMonitorController::Blink() {
    listModel_->Blink();  // toggles the phase
    for (auto& [i, w] : popups_) {
        if (!w || i >= static_cast<int>(monitor_.Messages.size())) continue;
        w->ApplyLook(LookOf(monitor_.Messages[static_cast<size_t>(i)], monitor_.BlinkPhase()),
                     Q(ctx_.settings.MonitorFont));
    }
    const std::vector<int> due = monitor_.Escalate(TMonitorTime::Now());
    for (int i : due) {
        if (TMonitorMessageForm* w = PopupOf(i)) {
            w->show();
            w->raise();
        }
    }
    if (!due.empty()) BringToFront();
}

void TMonitorController::ShowPopup(int message) {
    ClosePopup(message);
    const TMonitorData& m = monitor_.Messages[static_cast<size_t>(message)];
    auto* w = new TMonitorMessageForm(ctx_.texts, frame_.Window());
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->Prepare(message, m, Q(ctx_.settings.MonitorFont));
    if (const TWindowSlot* slot = monitor_.Slots().Slot(m.Slot)) w->PlaceAt(*slot);
    w->show();
    popups_[message] = w;
}

void TMonitorController::ClosePopup(int message) {
    auto it = popups_.find(message);
    if (it == popups_.end()) return;
    delete it->second.data();
    popups_.erase(it);
}

void TMonitorController::RaisePopups() {
    // The window of the lowest row ends on top.
    for (int row : monitor_.RowOrder())
        if (TMonitorMessageForm* w = PopupOf(row); w && w->isVisible()) w->raise();
}

void TMonitorController::BringToFront() {
    QWidget* w = frame_.Window();
    if (w->isMinimized()) w->showNormal();
    w->raise();
    w->activateWindow();
}

void TMonitorController::MarkRow(int row) {
    if (monitor_.SelectAll()) {
        monitor_.SetSelectAll(false);
        QSignalBlocker b(selectAll_);
        selectAll_->setChecked(false);
    }
    monitor_.ToggleMark(row);
    listModel_->Refresh();
}

void TMonitorController::SelectAllClick(bool on) {
    monitor_.SetSelectAll(on);
    listModel_->Refresh();
}

void TMonitorController::DeactiveClick() {
    Apply(monitor_.DeactivateMarked(TMonitorTime::Now()));
    QSignalBlocker b(selectAll_);
    selectAll_->setChecked(false);
}

void TMonitorController::ExitClick() {
    // Every message of the list ends marked, so every active one is deactivated; the log
    // names Exit as the cause.
    Apply(monitor_.DeactivateAll(TMonitorTime::Now()));
    {
        QSignalBlocker b(selectAll_);
        selectAll_->setChecked(false);
    }
    Leave();
}

// ---- files, start-up and exit ---------------------------------------------------------------

void TMonitorController::OpenClick() {
    if (monitorMode_) return;
    ctx_.busy.Run([&] { return monitor_.OpenMonitoring(chooser_); });
}

void TMonitorController::SaveAsClick() {
    ctx_.busy.Run([&] { return monitor_.SaveMonitoringAs(chooser_); });
}

void TMonitorController::SaveAll() {
    monitor_.SaveAll(chooser_);
}

void TMonitorController::Changed() {
    if (!monitor_.FileName.empty()) ctx_.settings.LastMonitorFile = monitor_.FileName;
    if (listModel_) listModel_->Refresh();
    if (messagesModel_) {
        const QModelIndex cur = messagesGrid_->currentIndex();
        const int shown = cur.isValid() ? messagesModel_->MessageAt(cur.row()) : -1;
        messagesModel_->Refresh();
        if (const int row = messagesModel_->RowOf(shown); row >= 0) messagesGrid_->selectRow(row);
        ShowEventsOfCurrent();
        // Columns the user has not sized follow their contents.
        ApplyWidths(messagesGrid_, ctx_.settings.MonitorGrid);
        ApplyWidths(activeGrid_, ctx_.settings.ActiveGrid);
        ApplyWidths(deactiveGrid_, ctx_.settings.DeactiveGrid);
    }
    emit ctx_.notifications.stateChanged();
}

void TMonitorController::ReadSettings() {
    {
        const QSignalBlocker b(operator_);
        operator_->setText(Q(ctx_.settings.Operator));
    }
    monitor_.operatorName = ctx_.settings.Operator;
    sort_.column = ctx_.settings.MonitorSortCol;
    sort_.ascending = ctx_.settings.MonitorSortUp;
    messagesModel_->Refresh();
    messagesModel_->ShowSortIndicator(messagesGrid_->horizontalHeader());
    ApplyWidths(messagesGrid_, ctx_.settings.MonitorGrid);
    ApplyWidths(grid_, ctx_.settings.MessageGrid);
    grid_->setColumnWidth(kListMark, 32);
    listModel_->SetFontName(Q(ctx_.settings.MonitorFont));
    ApplyUserColumns();
}

void TMonitorController::InitMonitor() {
    // The settings file has been read by now.
    ReadSettings();
    monitor_.Init(ctx_.settings.LastMonitorFile, false, std::string());
}

bool TMonitorController::OpenMonitorFile(const std::string& fileName) {
    return monitor_.Load(fileName);
}

void TMonitorController::StartMonitor() {
    if (!monitorMode_) MenuMonitorClick();
}

bool TMonitorController::CloseQuery() {
    return monitor_.CloseQuery(chooser_);
}

}  // namespace ravlin
