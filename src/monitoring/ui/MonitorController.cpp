#include "monitoring/ui/MonitorController.h"

#include <QAction>

#include "base/ui/Busy.h"
#include "base/ui/Notifications.h"
#include "base/ui/QtUserInterface.h"
#include "base/ui/WindowFrame.h"
#include "document/ui/QtFileChooser.h"
#include "monitoring/ui/AlarmPresenter.h"
#include "monitoring/ui/MonitoringPage.h"
#include "online/Reception.h"

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

TMonitorController::TMonitorController(const TMonitorContext& context, TWindowFrame& frame,
                                       TOnlineController& online, TRecordViews& views,
                                       QObject* parent)
    : QObject(parent),
      ctx_(context),
      frame_(frame),
      online_(online),
      monitor_(context.texts, context.ui),
      chooser_(frame.Window()) {
    monitor_.host = this;
    log_ = std::make_unique<TAlarmLogWriter>(ctx_.folders.HomeFile(kAlarmLogName));
    monitor_.alarmLog = log_.get();
    presenter_ = std::make_unique<TAlarmPresenter>(ctx_, monitor_, frame_);
    page_ = std::make_unique<TMonitoringPage>(ctx_, monitor_, presenter_->Sounds(), chooser_,
                                              frame_, online_, views);

    connect(presenter_.get(), &TAlarmPresenter::exitClicked, this, &TMonitorController::Leave);
    if (QAction* a = frame_.Action("MenuMonitor"))
        connect(a, &QAction::triggered, this, &TMonitorController::MenuMonitorClick);
    if (QAction* a = frame_.Action("MenuOpenMonitor"))
        connect(a, &QAction::triggered, this, &TMonitorController::OpenClick);
    if (QAction* a = frame_.Action("MenuSaveMonitorAs"))
        connect(a, &QAction::triggered, this, &TMonitorController::SaveAsClick);
    connect(&ctx_.notifications, &TNotifications::saveAllRequested, this,
            &TMonitorController::SaveAll);
    // The events show the user information of the records as it is now.
    auto userInfo = [this] {
        monitor_.CommentRefresh();
        page_->ApplyUserColumns();
    };
    connect(&ctx_.notifications, &TNotifications::userInfoChanged, this, userInfo);
    connect(&ctx_.notifications, &TNotifications::tableCommitted, this, userInfo);
    connect(&ctx_.notifications, &TNotifications::settingsChanged, this, [this] {
        presenter_->ReadSettings();
        page_->ApplyUserColumns();
    });

    // Monitor mode's part in each poll, and in the link's troubles.
    online_.SetMonitoring(this);
    connect(&online_, &TOnlineController::receptionPolled, this, [this](const TReception& r) {
        if (monitorMode_) presenter_->TakeReception(r);
    });
    connect(&online_, &TOnlineController::linkLost, this, [this] {
        if (monitorMode_) presenter_->LinkLost();
    });
    connect(&online_, &TOnlineController::linkRestored, this, [this](double seconds) {
        if (monitorMode_) presenter_->LinkRestored(seconds);
    });
}

TMonitorController::~TMonitorController() {
    online_.SetMonitoring(nullptr);
    disconnect(&online_, nullptr, this, nullptr);
    // However the program ends, every alarm it began has its end in the log.
    if (monitorMode_) monitor_.DeactivateAll(TMonitorTime::Now());
    page_.reset();
    presenter_.reset();
    monitor_.alarmLog = nullptr;
    monitor_.host = nullptr;
    log_.reset();
}

const TRecordTable* TMonitorController::DocumentRecords() const {
    return ctx_.state.DocumentOpen ? &ctx_.table : nullptr;
}

bool TMonitorController::AddWindowShown() const {
    return page_ && page_->AddWindowShown();
}

void TMonitorController::SetSoundPlayer(TSoundPlayer* player) {
    presenter_->SetSoundPlayer(player);
}

void TMonitorController::ApplyTexts() {
    presenter_->ApplyTexts();
    page_->ApplyTexts();
}

// ---- entering and leaving ----------------------------------------------------------------

bool TMonitorController::MenuMonitorClick() {
    if (monitorMode_) return true;  // only Exit leaves
    if (ctx_.busy.Busy() || occupied_) return false;
    onlineBefore_ = online_.Online();
    // On-line mode logs in first when needed.
    if (!onlineBefore_ && !online_.MenuOnlineClick()) return false;
    if (!online_.Online()) return false;
    Enter();
    return true;
}

void TMonitorController::Enter() {
    monitorMode_ = true;
    page_->SetLocked(true);
    frame_.ShowMonitorLayout(true);
    LockWindow(true);
    presenter_->Start();
    // A link already lost in on-line mode is the trouble from the start.
    if (online_.LinkLost()) presenter_->LinkLost();
    emit modeChanged(true);
    emit ctx_.notifications.stateChanged();
}

void TMonitorController::Leave() {
    if (!monitorMode_) return;
    monitorMode_ = false;
    // Exit has cleared them; whatever is left ends here all the same.
    monitor_.DeactivateAll(TMonitorTime::Now());
    presenter_->Stop();
    if (!onlineBefore_ && online_.Online()) online_.LeaveOnline();
    LockWindow(false);
    frame_.ShowMonitorLayout(false);
    page_->SetLocked(false);
    emit modeChanged(false);
    emit ctx_.notifications.stateChanged();
}

void TMonitorController::RefreshAlarms() {
    presenter_->Refresh();
}

void TMonitorController::SetOccupied(bool occupied) {
    occupied_ = occupied;
    presenter_->ShowPanel(!occupied);
}

void TMonitorController::LockWindow(bool lock) {
    // The File, Edit and Communication menus, the communication set-up and the keys of the
    // hidden communication commands (F12, Ctrl+F12) are off; only Exit of the panel leaves.
    if (lock) {
        menusOff_.clear();
        commandsOff_.clear();
        for (TMenuName m : {TMenuName::File, TMenuName::Edit, TMenuName::Communication})
            if (frame_.MenuEnabled(m)) {
                frame_.EnableMenu(m, false);
                menusOff_.push_back(m);
            }
        for (const char* name : {"MenuCommSetup", "MenuOnline", "MenuMonitor"})
            if (frame_.CommandEnabled(name)) {
                frame_.EnableCommand(name, false);
                commandsOff_.emplace_back(name);
            }
        return;
    }
    // What entering switched off comes back on, and only that.
    for (TMenuName m : menusOff_) frame_.EnableMenu(m, true);
    for (const QString& name : commandsOff_) frame_.EnableCommand(name, true);
    menusOff_.clear();
    commandsOff_.clear();
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
    if (presenter_) presenter_->Refresh();
    if (page_) page_->Refresh();
    // Those following the set-up by its messages hear of a load, a new, removed or renamed
    // message, not of every edit of an event.
    std::vector<std::pair<int, std::string>> names;
    names.reserve(monitor_.Messages.size());
    for (const TMonitorData& m : monitor_.Messages) names.emplace_back(m.Number, m.Text);
    if (names != messageNames_) {
        messageNames_ = std::move(names);
        emit setupChanged();
    }
    emit ctx_.notifications.stateChanged();
}

void TMonitorController::ReadSettings() {
    // The alarm log's bound is the settings' (the writer before writes what it holds).
    monitor_.alarmLog = nullptr;
    log_ = std::make_unique<TAlarmLogWriter>(ctx_.folders.HomeFile(kAlarmLogName),
                                             uint64_t(ctx_.settings.AlarmLogMegabytes) << 20);
    monitor_.alarmLog = log_.get();
    presenter_->ReadSettings();
    page_->ReadSettings();
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
