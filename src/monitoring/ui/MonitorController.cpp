#include "monitoring/ui/MonitorController.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
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
#include "online/Reception.h"
#include "online/ui/OnlineController.h"

namespace ravlin {

// ---- file dialogs ------------------------------------------------------------------------

std::optional<std::string> TMonitorFileChooser::OpenFile(const TFileDialog& dialog) {
    return Run(false, dialog);
}

std::optional<std::string> TMonitorFileChooser::SaveFile(const TFileDialog& dialog) {
    return Run(true, dialog);
}

std::optional<std::string> TMonitorFileChooser::Run(bool save, const TFileDialog& dialog) {
    if (responder) return responder(save, dialog);
    QFileDialog fd(parent_, QString(), QString(), TQtFileChooser::QtFilter(dialog.filter));
    QString dir = dialog.initialDir.empty() ? QDir::currentPath() : QPath(dialog.initialDir);
    if (!dialog.fileName.empty()) {
        const QFileInfo fi(QPath(dialog.fileName));
        if (fi.isAbsolute()) dir = fi.absolutePath();
        fd.selectFile(fi.fileName());
    }
    fd.setDirectory(dir);
    if (save) {
        fd.setAcceptMode(QFileDialog::AcceptSave);
        fd.setFileMode(QFileDialog::AnyFile);
        if (!dialog.defaultExtension.empty())
            fd.setDefaultSuffix(QString::fromStdString(dialog.defaultExtension));
        if (!dialog.confirmOverwrite) fd.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        fd.setAcceptMode(QFileDialog::AcceptOpen);
        fd.setFileMode(QFileDialog::ExistingFile);
    }
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) return std::nullopt;
    return CorePath(fd.selectedFiles().first());
}

// ---- construction ------------------------------------------------------------------------

namespace {

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
                                       TOnlineController& online, QObject* parent)
    : QObject(parent),
      ctx_(context),
      frame_(frame),
      online_(online),
      monitor_(context.texts, context.ui),
      chooser_(frame.Window()) {
    log_ = std::make_unique<TAlarmLogWriter>(ctx_.folders.HomeFile(kAlarmLogName));
    sounds_ = std::make_unique<TQtSoundPlayer>(ctx_.folders.dataDir, ctx_.settings.SoundCard,
                                               ctx_.settings.SoundSpeaker);
    monitor_.alarmLog = log_.get();
    monitor_.sound = sounds_.get();
    monitor_.changed = [this] { Changed(); };
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
    grid_->setColumnWidth(kListMark, 32);
    grid_->setColumnWidth(kListText, 300);
    grid_->setColumnWidth(kListActivated, 160);
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
    connect(operator_, &QLineEdit::textChanged, this,
            [this](const QString& name) { monitor_.operatorName = ToCoreLossy(name); });
    connect(listModel_, &TMessageListModel::marksChanged, this, [this] {
        QSignalBlocker b(selectAll_);
        selectAll_->setChecked(monitor_.SelectAll());
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
    connect(&online_, &TOnlineController::receptionPolled, this,
            &TMonitorController::TakeReception);
    online_.monitorMode = [this] { return monitorMode_; };
    connect(&online_, &TOnlineController::onlineChanged, this, [this](bool on) {
        // On-line mode that ends under monitor mode (a lost link) ends it too.
        if (!on && monitorMode_) Leave();
    });
}

TMonitorController::~TMonitorController() {
    blink_.stop();
    online_.monitorMode = nullptr;
    disconnect(&online_, nullptr, this, nullptr);
    disconnect(selectAll_, nullptr, this, nullptr);
    disconnect(operator_, nullptr, this, nullptr);
    for (auto& [i, w] : popups_) delete w.data();
    popups_.clear();
    monitor_.sound = nullptr;
    monitor_.alarmLog = nullptr;
    monitor_.editors = nullptr;
    monitor_.changed = nullptr;
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
    messagesModel_ = new TMessagesGridModel(ctx_.texts, monitor_, sort_, messagesGrid_);
    messagesGrid_->setModel(messagesModel_);
    messagesGrid_->setItemDelegateForColumn(kMsgColor, new TSwatchDelegate(messagesGrid_));
    messagesGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    messagesGrid_->verticalHeader()->hide();
    messagesGrid_->horizontalHeader()->setStretchLastSection(true);
    messagesGrid_->setColumnWidth(kMsgText, 240);
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

    auto* events = new QHBoxLayout;
    auto eventGrid = [&](bool active, const QString& title, const char* name) {
        auto* col = new QVBoxLayout;
        col->addWidget(new QLabel(title, box));
        auto* grid = new QTableView(box);
        grid->setObjectName(name);
        auto* model = new TEventGridModel(ctx_.texts, monitor_, active, grid);
        model->SetUserColumns(
            AllUserColumns({"User number", "User 1", "User 2", "User 3", "User 4"}));
        grid->setModel(model);
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->verticalHeader()->hide();
        connect(grid, &QTableView::doubleClicked, this,
                [this, model, active](const QModelIndex& i) {
                    const int e = model->EventAt(i.row());
                    if (e < 0 || model->Message() < 0 || monitorMode_) return;
                    if (active)
                        monitor_.EditActive(model->Message(), e);
                    else
                        monitor_.EditDeactive(model->Message(), e);
                });
        col->addWidget(grid);
        events->addLayout(col);
        return model;
    };
    activeModel_ = eventGrid(true, "Active", "ActiveGrid");
    deactiveModel_ = eventGrid(false, "Deactive", "DeactiveGrid");
    v->addLayout(events, 1);
    layout->addWidget(box);
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
    activeModel_->ShowMessage(m);
    deactiveModel_->ShowMessage(m);
}

void TMonitorController::AddMessageClick() {
    if (monitorMode_) return;
    if (monitor_.PridejZpravu()) {
        const int row = messagesModel_->RowOf(static_cast<int>(monitor_.Messages.size()) - 1);
        if (row >= 0) messagesGrid_->selectRow(row);
    }
}

void TMonitorController::EditMessagesClick() {
    if (monitorMode_) return;
    monitor_.Edituj(ChosenNumbers());
}

void TMonitorController::RemoveMessagesClick() {
    if (monitorMode_) return;
    monitor_.Odstran(ChosenNumbers());
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
    const PopisType& t = ctx_.texts;
    selectAll_->setText(L(t, 253));
    deactive_->setText(L(t, 254));
    exit_->setText(L(t, 252));
    listModel_->Refresh();
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
    if (monitor) {
        pagesWereVisible_ = pages && !pages->isHidden();
        toolBarWasVisible_ = tools && !tools->isHidden();
        panelWasVisible_ = onlinePanel && !onlinePanel->isHidden();
        if (pages) pages->hide();
        if (tools) tools->hide();
        if (onlinePanel) onlinePanel->hide();
        panel_->show();
        // The File, Edit and Communication menus and the communication set-up are off;
        // only "Exit" of the panel leaves.
        // The File, Edit and Communication menus and the communication set-up are off;
        // only "Exit" of the panel leaves.
        if (main) {
            const QList<QAction*> menus = main->menuBar()->actions();
            for (int i : {0, 1, 3})
                if (i < menus.size()) menus[i]->setEnabled(false);
        }
        if (QAction* a = frame_.Action("MenuCommSetup")) a->setEnabled(false);
        if (QAction* key = frame_.Window()->findChild<QAction*>("MenuMonitorKey"))
            key->setEnabled(false);
    } else {
        panel_->hide();
        if (pages && pagesWereVisible_) pages->show();
        if (tools && toolBarWasVisible_) tools->show();
        if (onlinePanel && panelWasVisible_ && online_.Online()) onlinePanel->show();
        if (main) {
            const QList<QAction*> menus = main->menuBar()->actions();
            for (int i : {0, 1, 3})
                if (i < menus.size()) menus[i]->setEnabled(true);
        }
        if (QAction* a = frame_.Action("MenuCommSetup")) a->setEnabled(true);
        if (QAction* key = frame_.Window()->findChild<QAction*>("MenuMonitorKey"))
            key->setEnabled(true);
    }
}

// ---- receptions and the message list -------------------------------------------------------

void TMonitorController::TakeReception(const TReception& r) {
    if (!monitorMode_) return;
    Apply(monitor_.Prijem(r.serial, r.button));
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
    }
    emit ctx_.notifications.stateChanged();
}

void TMonitorController::InitMonitor() {
    monitor_.Init(ctx_.settings.LastMonitorFile, false, std::string());
}

bool TMonitorController::OpenMonitorFile(const std::string& fileName) {
    return monitor_.Nacti(fileName);
}

void TMonitorController::StartMonitor() {
    if (!monitorMode_) MenuMonitorClick();
}

bool TMonitorController::CloseQuery() {
    return monitor_.CloseQuery(chooser_);
}

}  // namespace ravlin
