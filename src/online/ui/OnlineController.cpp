#include "online/ui/OnlineController.h"

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
#include "online/ui/OnlinePanel.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"
#include "receiver/ui/ReceiverForms.h"
#include "records/ui/RecordActions.h"
#include "views/ui/RecordViews.h"

namespace ravlin {

namespace {

// How often the window thread looks at the listening worker.
constexpr int kWatchMs = 50;
// OnLineTimer: the poll follows the reception byte after this pause.
constexpr int kPollDelayMs = 500;
// A poll that finds another command running tries again after this pause.
constexpr int kPollRetryMs = 100;

}  // namespace

// ---- the switch other receiver commands use (their worker) ----------------------------

void TOnlineController::TSwitch::LeaveOnline() {
    ravlin::LeaveOnline(ctx_.transferWorker, ctx_.link);
}

void TOnlineController::TSwitch::RestartOnline() {
    // As the command itself: the checks of entering, then listening. Whatever fails
    // leaves the worker idle and the link closed; the controller then turns the mode off.
    if (!PrepareOnline(ctx_.rx, ctx_.link, ctx_.language.Texts(), ctx_.ui) ||
        !ListenAgain(ctx_.transferWorker))
        ctx_.link.Close();
}

// The pauses between failed reads, asked for by the poll's worker.
void TOnlineController::TPauseWindow::Open(const TMessage& label) {
    const std::string text = label.text;
    OnWindowThread([&] {
        owner_.commForm_->Prepare(Q(text));
        owner_.commForm_->show();
    });
}

void TOnlineController::TPauseWindow::Close() {
    OnWindowThread([&] { owner_.commForm_->Finish(); });
}

bool TOnlineController::TPauseWindow::Pause(int ms) {
    return SleepWatchingCancel(owner_.ctx_.ui, ms);
}

// ---- construction -------------------------------------------------------------------

TOnlineController::TOnlineController(const TOnlineContext& context, TWindowFrame& frame,
                                     TRecordViews& views, QObject* parent)
    : QObject(parent), ctx_(context), frame_(frame), views_(views) {
    const TTextTable& texts = ctx_.language.Texts();
    panel_ = std::make_unique<TOnlinePanelWidgets>(frame_.OnlinePanel());
    commForm_ = std::make_unique<TCommForm>(texts, ctx_.ui, frame_.Window());
    commForm_->setObjectName("OnlineCommForm");

    // The History view.
    historyModel_ = new THistoryModel(ctx_.history, texts, this);
    historyGrid_ = MakeLogGrid(historyModel_, "HistoryGrid", frame_.Page(TPage::History));
    frame_.Page(TPage::History)->layout()->addWidget(historyGrid_);
    connect(historyGrid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TOnlineController::HistoryHeaderClick);
    connect(historyGrid_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && static_cast<size_t>(index.row()) < ctx_.history.Items().size())
            emit historyRowActivated(index.row());
    });

    // The Battery view.
    batteryModel_ = new TBatteryModel(ctx_.battery, texts, this);
    batteryPage_ = new TBatteryPage(batteryModel_, frame_.Page(TPage::Battery));
    frame_.Page(TPage::Battery)->layout()->addWidget(batteryPage_);
    batteryGrid_ = batteryPage_->grid();
    connect(batteryGrid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TOnlineController::BatteryHeaderClick);
    connect(batteryGrid_, &QTableView::doubleClicked, this,
            &TOnlineController::BatteryGridDblClick);
    connect(batteryPage_, &TBatteryPage::clearClicked, this, &TOnlineController::ClearButtonClick);

    // The widths the user gives the columns are the settings' at once.
    auto keepWidths = [this](QTableView* grid, std::vector<int>& widths) {
        connect(
            grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this, &widths](int column, int, int width) {
                if (!applyingWidths_ && column >= 0 && static_cast<size_t>(column) < widths.size())
                    widths[static_cast<size_t>(column)] = width;
            });
    };
    keepWidths(historyGrid_, ctx_.settings.HistoryGrid);
    keepWidths(batteryGrid_, ctx_.settings.BatteryGrid);

    // Showing a page reads its log afresh.
    frame_.Page(TPage::History)->installEventFilter(this);
    frame_.Page(TPage::Battery)->installEventFilter(this);

    connect(frame_.Action("MenuOnline"), &QAction::triggered, this,
            &TOnlineController::MenuOnlineClick);
    connect(frame_.Action("MenuHistoryView"), &QAction::triggered, this,
            &TOnlineController::ShowHistoryPage);
    connect(frame_.Action("MenuBatteryView"), &QAction::triggered, this,
            &TOnlineController::ShowBatteryPage);
    QAction* lastHeard = frame_.Action("MenuLastHeard");
    lastHeard->setCheckable(true);
    connect(lastHeard, &QAction::toggled, this, &TOnlineController::SetLastHeardColumn);
    connect(panel_->addButton(), &QPushButton::clicked, this, &TOnlineController::BtnAddClick);

    watch_.setInterval(kWatchMs);
    connect(&watch_, &QTimer::timeout, this, &TOnlineController::Watch);
    pollTimer_.setSingleShot(true);
    pollTimer_.setInterval(kPollDelayMs);
    connect(&pollTimer_, &QTimer::timeout, this, &TOnlineController::Poll);
    reconnect_.setSingleShot(true);
    connect(&reconnect_, &QTimer::timeout, this, &TOnlineController::TryReconnect);

    TNotifications& n = ctx_.notifications;
    connect(&n, &TNotifications::userInfoChanged, this, &TOnlineController::RefreshUserInfo);
    // A new receiver type or login changes the user columns the views show.
    connect(&n, &TNotifications::tableCommitted, this, [this] {
        RefreshHistoryView(false);
        RefreshBatteryView();
    });
    // The end of another command: did it leave listening running?
    connect(&n, &TNotifications::stateChanged, this, &TOnlineController::Watch);
    connect(&n, &TNotifications::logsChanged, this, [this] {
        RefreshHistoryView(false);
        RefreshBatteryView();
    });

    ctx_.session.online = &switch_;
    ApplyTexts();
}

TOnlineController::~TOnlineController() {
    ctx_.session.online = nullptr;
    frame_.Page(TPage::History)->removeEventFilter(this);
    frame_.Page(TPage::Battery)->removeEventFilter(this);
}

void TOnlineController::ApplyTexts() {
    const TTextTable& texts = ctx_.language.Texts();
    panel_->ApplyTexts(texts);
    batteryPage_->ApplyTexts(texts);
    RefreshHistoryView(false);
    RefreshBatteryView();
    UpdateCommand();
}

void TOnlineController::UpdateCommand() {
    const bool on = ctx_.state.OnLine;
    QString caption = L(ctx_.language.Texts(), on ? Text::MenuStopOnline : Text::MenuOnline);
    if (caption.isEmpty()) caption = "Online";
    QAction* a = frame_.Action("MenuOnline");
    a->setText(caption);
    a->setIcon(on ? GlyphIcon("R", QColor(40, 150, 60)) : GlyphIcon("R", QColor(60, 110, 190)));
}

// ---- entering and leaving -----------------------------------------------------------------

bool TOnlineController::Online() const {
    return ctx_.state.OnLine;
}

bool TOnlineController::LinkLost() const {
    return ctx_.state.OnLine && ctx_.state.LinkLost;
}

void TOnlineController::SetOnline(bool on) {
    ctx_.state.OnLine = on;
    StopReconnecting();
    if (on) {
        watch_.start();
        // The panel shows the receptions from now on and keeps the last one.
        frame_.OnlinePanel()->show();
    } else {
        watch_.stop();
        pollTimer_.stop();
    }
    UpdateCommand();
    emit onlineChanged(on);
    emit ctx_.notifications.stateChanged();
}

bool TOnlineController::MenuOnlineClick() {
    if (ctx_.busy.Busy()) return false;
    if (!ctx_.state.LoggedIn) {
        // The login command of the main window, with its windows.
        frame_.Action("MenuLogin")->trigger();
        if (!ctx_.state.LoggedIn) return false;
    }
    if (ctx_.state.OnLine) return LeaveOnline();
    bool started = false;
    ctx_.busy.Run([&] {
        frame_.EnableGroup(TCommandGroup::Comm, false);
        // Counted before listening starts, so that no reception goes unseen.
        seen_ = ctx_.transferWorker.Receptions();
        started = RunInWorker([this] {
            if (PrepareOnline(ctx_.rx, ctx_.link, ctx_.language.Texts(), ctx_.ui) &&
                ListenAgain(ctx_.transferWorker))
                return true;
            ctx_.link.Close();
            return false;
        });
        frame_.EnableGroup(TCommandGroup::Comm, true);
        return true;
    });
    if (started)
        SetOnline(true);
    else
        emit ctx_.notifications.stateChanged();
    return started;
}

bool TOnlineController::LeaveOnline() {
    if (!ctx_.state.OnLine) return true;
    if (ctx_.state.LinkLost) {
        if (ctx_.busy.Busy()) {
            // A try runs: it stops at its next wait, and on-line mode ends after it.
            leaveWanted_ = true;
            stopTry_.store(true);
            return true;
        }
        ctx_.link.Close();
        SetOnline(false);
        return true;
    }
    const bool ran = ctx_.busy.Run([&] {
        // The worker may be asking the window thread something: wait with events going.
        RunInWorker([this] {
            ravlin::LeaveOnline(ctx_.transferWorker, ctx_.link);
            return true;
        });
        return true;
    });
    if (!ran) return false;
    SetOnline(false);
    return true;
}

void TOnlineController::Watch() {
    if (!ctx_.state.OnLine) {
        // A command (the logout) left on-line mode: no receiver to wait for.
        if (ctx_.state.LinkLost || reconnect_.isActive()) StopReconnecting();
        return;
    }
    if (ctx_.busy.Busy() || pollTimer_.isActive()) return;
    if (!ctx_.state.LoggedIn) {
        // Logged out (a command that stopped listening for it): nobody to wait for.
        ctx_.transferWorker.StopOnline();
        ctx_.link.Close();
        SetOnline(false);
        return;
    }
    if (ctx_.state.LinkLost) {
        // Another command got listening going again meanwhile.
        if (!ctx_.transferWorker.Idle() && ctx_.link.IsOpen()) Restored();
        return;
    }
    const int received = ctx_.transferWorker.Receptions();
    if (received != seen_) {
        seen_ = received;
        waiting_.Announced();
        pollTimer_.start(kPollDelayMs);
        return;
    }
    if (ctx_.transferWorker.Idle()) {
        // Listening ended without a reception: the connection was lost, the receiver went
        // silent, or another receiver command could not listen again.
        LoseLink(ctx_.transferWorker.ListenEnd() == TTransferWorker::TListenEnd::SilentPeer
                     ? TLinkLoss::SilentPeer
                     : TLinkLoss::Closed);
    }
}

// ---- supervision -----------------------------------------------------------------------

void TOnlineController::LoseLink(TLinkLoss why) {
    if (!ctx_.state.OnLine || ctx_.state.LinkLost) return;
    ctx_.transferWorker.StopOnline();
    ctx_.link.Close();
    ctx_.link.TakeHeldMessage();  // the lost link is the news, not how it went
    ctx_.state.LinkLost = true;
    lostAt_ = std::chrono::steady_clock::now();
    backoff_ = TBackoff(
        TReconnectTimes::Seconds(ctx_.settings.ReconnectFirst, ctx_.settings.ReconnectMax));
    reconnect_.start(backoff_.Next());
    emit linkLost();
    ctx_.listeners.LinkLost(why);
    emit ctx_.notifications.stateChanged();
}

void TOnlineController::StopReconnecting() {
    reconnect_.stop();
    leaveWanted_ = false;
    ctx_.state.LinkLost = false;
}

void TOnlineController::TryReconnect() {
    if (!ctx_.state.OnLine || !ctx_.state.LinkLost) return;
    if (ctx_.busy.Busy()) {
        reconnect_.start(kPollRetryMs);
        return;
    }
    bool back = false, listening = false;
    ctx_.busy.Run([&] {
        stopTry_.store(false);
        TReception waited;
        std::string block;
        bool read = false;
        back = RunInWorker([&] {
            ctx_.link.SetCancelFlag(&stopTry_);
            bool ok = Reconnect(ctx_.rx, ctx_.link, TTransferWorker::kProbeReplyMs);
            if (ok) {
                const THeldLinkMessages held(ctx_.link);
                read = ReadLastReception(ctx_.rx, ctx_.link, ctx_.language.Texts(), ctx_.ui, block,
                                         nullptr, kSupervisedReading) == TReadResult::Read &&
                       waiting_.Waits(block) && DecodeReception(block, waited);
                ok = ctx_.link.IsOpen() && !stopTry_.load();
            }
            ctx_.link.SetCancelFlag(nullptr);
            ctx_.link.TakeHeldMessage();
            return ok;
        });
        if (back && !leaveWanted_) {
            Restored();
            if (read) {
                waiting_.Taken(block);
                TakeReception(waited);
            }
            seen_ = ctx_.transferWorker.Receptions();
            listening = ListenAgain(ctx_.transferWorker);
        }
        return true;
    });
    if (leaveWanted_) {
        ctx_.transferWorker.StopOnline();
        ctx_.link.Close();
        SetOnline(false);
        return;
    }
    if (!back) {
        ctx_.link.Close();
        reconnect_.start(backoff_.Next());
    } else if (!listening) {
        // Back, but listening would not start: lost again at once.
        ctx_.link.Close();
        LoseLink(TLinkLoss::Closed);
    }
}

void TOnlineController::Restored() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - lostAt_).count();
    StopReconnecting();
    emit linkRestored(seconds);
    ctx_.listeners.LinkRestored(seconds);
    emit ctx_.notifications.stateChanged();
}

// ---- the poll ----------------------------------------------------------------------

void TOnlineController::Poll() {
    if (!ctx_.state.OnLine || ctx_.state.LinkLost) return;
    if (ctx_.busy.Busy()) {
        pollTimer_.start(kPollRetryMs);
        return;
    }
    bool read = false;
    bool listening = false;
    bool cancelled = false;
    const bool monitorMode = monitoring_ && monitoring_->MonitorMode();
    ctx_.busy.Run([&] {
        ctx_.ui.ClearCancel();
        ctx_.ui.ResetProgress();
        TReception r;
        std::string block;
        // On-line mode alone keeps the poll's reads and pauses; in monitor mode the
        // reconnection's tries take over at once, so that the trouble shows.
        const TPollReading reading =
            monitorMode ? kSupervisedReading : TPollReading{kPollReads, false};
        read = RunInWorker([&] {
            const THeldLinkMessages held(ctx_.link);
            return PollReception(ctx_.transferWorker, ctx_.rx, ctx_.link, ctx_.language.Texts(),
                                 ctx_.ui, r, &pauses_, reading, &block);
        });
        cancelled = !read && ctx_.ui.CancelRequested();
        if (commForm_->isVisible()) commForm_->Finish();
        if (read) {
            waiting_.Taken(block);
            TakeReception(r);
            listening = ListenAgain(ctx_.transferWorker);
        }
        return true;
    });
    if (cancelled && !monitorMode) {
        // The user gave up waiting for the receiver: on-line mode ends.
        ctx_.link.Close();
        SetOnline(false);
    } else if (!read) {
        LoseLink(TLinkLoss::ReadFailed);
    } else if (!listening) {
        LoseLink(TLinkLoss::Closed);
    }
    emit pollFinished(read);
}

void TOnlineController::PrepareBattery() {
    TBatteryLog& b = ctx_.battery;
    b.SortColumn = ctx_.settings.BatteryMonitorSortCol;
    b.SortUp = ctx_.settings.BatteryMonitorSortUp;
    b.userColumns = UserFields();
}

void TOnlineController::TakeReception(const TReception& r) {
    emit receptionPolled(r);
    ctx_.listeners.Reception(r);
    fields_.Show(r);
    if (!r.Nothing()) {
        ctx_.history.SetLength(ctx_.settings.HistoryLength);
        PrepareBattery();
        const TOnlineLogs logs{&ctx_.history, &ctx_.battery, &ctx_.lastHeard};
        const TLogResult logged =
            LogReception(r, ctx_.table, ctx_.state.DocumentOpen, ctx_.settings.HistoryMonitorLevel,
                         ctx_.settings.BatteryMonitorLevel, logs);
        if (logged.decision.history) {
            RefreshHistoryView(frame_.PageShown() == TPage::History);
            if (ctx_.settings.LastHeardColumn) views_.RepaintFileView();
        }
        if (logged.decision.battery) RefreshBatteryView();

        const std::vector<int> memoryRows = views_.RowRecords(TPage::Memory);
        const std::vector<int> fileRows = views_.RowRecords(TPage::File);
        const TViewMatch match =
            MatchViews(r, ctx_.table, &memoryRows, &fileRows, ctx_.functionTable.SingleRelay,
                       ctx_.settings.FindLast, false);
        if (match.selectMemory >= 0) views_.SelectRow(TPage::Memory, match.selectMemory);
        if (match.selectFile >= 0) views_.SelectRow(TPage::File, match.selectFile);
        fields_.addEnabled = match.addEnabled;
    }
    if (monitoring_ && monitoring_->AddWindowShown()) fields_.addEnabled = false;
    panel_->Show(fields_);
    Beep();
}

void TOnlineController::Beep() {
    const TBeep beep = BeepFor(ctx_.settings.Beep, ctx_.settings.SoundSpeaker,
                               ctx_.settings.SoundCard, monitoring_ && monitoring_->MonitorMode());
    if (!beep.card && !beep.speaker) return;
    TSoundPlayer* player = soundOverride_;
    if (!player) {
        if (!sounds_) {
            sounds_ =
                std::make_unique<TQtSoundPlayer>(ctx_.folders.dataDir, beep.card, beep.speaker);
        } else if (beep.card != soundCard_ || beep.speaker != soundSpeaker_) {
            sounds_->SetOutputs(beep.card, beep.speaker);
        }
        soundCard_ = beep.card;
        soundSpeaker_ = beep.speaker;
        player = sounds_.get();
    }
    // The short beep: Sounds/SBeep.wav and a 1000 Hz tone of 100 ms.
    player->PlayOnce(kSoundShortBeep, {});
}

// ---- the on-line Add ------------------------------------------------------------------

void TOnlineController::BtnAddClick() {
    if (!fields_.addEnabled) return;
    bool changed = false;
    ctx_.busy.Run([&] {
        TRecordContext records{ctx_.language.Texts(), ctx_.ui,    ctx_.functionTable,
                               ctx_.device,           ctx_.table, ctx_.recordHistory,
                               ctx_.folders.dataDir,  ctx_.titles};
        const TCommandResult result =
            AddTransmitterCommand(frame_.Window(), records, fields_.lastTx, fields_.lastBtn);
        // Cancelled (or no free record): the transmitter can still be added.
        if (result == TCommandResult::Cancelled || result == TCommandResult::Refused) return true;
        if (result == TCommandResult::Changed) {
            ctx_.state.Saved = ctx_.recordHistory.AtSaved();
            ctx_.state.MemoryModified = !ctx_.recordHistory.AtReceiver();
            changed = true;
        }
        fields_.addEnabled = false;
        panel_->Show(fields_);
        return true;
    });
    if (!changed) return;
    emit ctx_.notifications.tableCommitted();
    // The logs take the new record's user information.
    emit ctx_.notifications.userInfoChanged();
    emit ctx_.notifications.stateChanged();
}

// ---- start-up and exit -------------------------------------------------------------------

void TOnlineController::LoadLogs() {
    ctx_.history.SetLength(ctx_.settings.HistoryLength);
    ctx_.history.Load();
    PrepareBattery();
    ctx_.battery.Load();
    ctx_.lastHeard.Load();
    RefreshHistoryView(false);
    RefreshBatteryView();
    if (ctx_.settings.LastHeardColumn) SetLastHeardColumn(true);
    // The page of the last run.
    if (ctx_.settings.PageControl == static_cast<int>(TPage::History)) ShowHistoryPage();
    if (ctx_.settings.PageControl == static_cast<int>(TPage::Battery)) ShowBatteryPage();
}

void TOnlineController::StartOnline() {
    if (!ctx_.state.OnLine) MenuOnlineClick();
}

void TOnlineController::CloseOnline() {
    LeaveOnline();
    // A log that could not be written gets one more try before its receptions are lost:
    // they are added to the file as it is now.
    ctx_.history.WritePending();
    ctx_.battery.WritePending();
}

}  // namespace ravlin
