#pragma once
// On-line mode of the main window: the command that enters and leaves it (MenuOnline, F12),
// the poll after each reception the receiver reports, the on-line panel with its Add
// button, the History and Battery views with their commands, and the View menu's items
// for them and for the File view's "last heard" column.
//
// Threads. The transfer worker (TTransferWorker) listens for the receiver's "R"; the window thread
// sees the reception through the worker's counter (a timer), never through a call from
// the worker. Everything that waits on the link (entering, the poll's reads with their
// 30 s pauses, leaving) runs on a command worker (RunInWorker) inside the busy state,
// while the window thread keeps painting; the worker touches the link, TRx and TTransferWorker
// only. The reception is then shown, logged and matched against the views on the window thread,
// which owns the record table and the logs.
//
// Other receiver commands stop listening and start it again through TOnlineSwitch (on
// their worker); a logout leaves on-line mode off, which the controller sees when the
// command is over.
//
// Supervision. A lost link never ends on-line mode: a connection closed or broken, a
// receiver that no longer answers the listening's probe (a silent peer, noticed within
// TTransferWorker::kProbeIdleMs + kProbeReplyMs), a poll that cannot read, or a command
// that could not listen again, all mark the link lost (the status bar shows it;
// linkLost() tells monitoring) and start the reconnection: tries with waits that double
// from ReconnectFirst up to ReconnectMax seconds, each on a command worker inside the
// busy state, saying nothing (online/Supervision.h). A try that gets the receiver back
// reads a reception that waited, listens again and emits linkRestored(). Leaving on-line
// mode ends the tries; a try under way is stopped first.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "base/Folders.h"
#include "base/IniFile.h"
#include "base/ui/Busy.h"
#include "base/ui/WindowFrame.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "online/Battery.h"
#include "online/History.h"
#include "online/LastHeard.h"
#include "online/OnlinePoll.h"
#include "online/Reception.h"
#include "online/Supervision.h"
#include "receiver/Session.h"
#include "records/RecordHistory.h"
#include "views/FileView.h"
#include "views/ViewRows.h"

class QTableView;

namespace ravlin {

class TBatteryModel;
class TBatteryPage;
class TCommForm;
class THistoryModel;
class TTransferWorker;
class TLink;
class TNotifications;
class TOnlinePanelWidgets;
class TQtSoundPlayer;
class TQtUserInterface;
class TRecordViews;
class TRx;
class TSoundPlayer;

// The settings on-line mode reads and changes, where the program keeps them.
struct TOnlineSettingsRef {
    int& HistoryMonitorLevel;
    int& BatteryMonitorLevel;
    int& HistoryLength;
    int& BatteryMonitorSortCol;
    bool& BatteryMonitorSortUp;
    const int& ReconnectFirst;  // seconds
    const int& ReconnectMax;
    bool& FindLast;
    bool& Beep;
    bool& SoundCard;
    bool& SoundSpeaker;
    bool& LastHeardColumn;
    const int& PageControl;         // the page shown at start-up (2 History, 3 Battery)
    std::vector<int>& HistoryGrid;  // column widths
    std::vector<int>& BatteryGrid;
};

struct TOnlineContext {
    TSession& session;  // its TOnlineSwitch is this controller
    TLink& link;
    TRx& rx;
    TTransferWorker& transferWorker;
    const TFunctionTable&
        functionTable;  // the views' function table of the current type (SingleRelay)
    TDevice& device;
    TRecordTable& table;
    TRecordHistory& recordHistory;
    TAppState& state;
    const TLanguage& language;
    const TFolders& folders;
    const TIniFile& ini;  // the File view's user columns
    THistory& history;
    TBatteryLog& battery;
    TLastHeard& lastHeard;
    // Told of every reception and of the link's losses and returns.
    TReceptionListener& listeners;
    TOnlineSettingsRef settings;
    const TUserTitles& titles;
    TQtUserInterface& ui;
    TBusyState& busy;
    TNotifications& notifications;
};

// Monitoring's part in a poll, asked on the window thread: in monitor mode no beep; while
// the monitor's transmitter-adding window is shown, Add stays off.
class TOnlineMonitoring {
  public:
    virtual ~TOnlineMonitoring() = default;
    virtual bool MonitorMode() const = 0;
    virtual bool AddWindowShown() const = 0;
};

class TOnlineController : public QObject {
    Q_OBJECT
  public:
    TOnlineController(const TOnlineContext& context, TWindowFrame& frame, TRecordViews& views,
                      QObject* parent = nullptr);
    ~TOnlineController() override;

    // Captions of the panel, the pages and the command (after every language load).
    void ApplyTexts();

    // MenuOnline (F12, the tool button): logs in first when needed, then enters on-line
    // mode, or leaves it when it is on. False when refused or when the mode did not start.
    bool MenuOnlineClick();
    // Ends on-line mode: listening stops and the link is closed (monitoring's exit). False
    // while another command runs.
    bool LeaveOnline();
    bool Online() const;
    // On-line mode runs and waits for the lost receiver to come back.
    bool LinkLost() const;
    // The panel's Add: the record editor on the first free record, filled with the
    // transmitter just received.
    void BtnAddClick();

    // The start-up: the logs read, the page of the setting PageControl; the option
    // On-line; the exit (on-line mode left, column widths to the settings).
    void LoadLogs();
    void StartOnline();
    void CloseOnline();

    // The History and Battery views made visible and brought to the front (View menu).
    void ShowHistoryPage();
    void ShowBatteryPage();
    // Header presses of the two views (grid column).
    void HistoryHeaderClick(int column);
    void BatteryHeaderClick(int column);
    // The Battery view's Clear button.
    void ClearButtonClick();
    // A double click in the Battery view: the selected transmitter in the File view (with
    // a document) or the Memory view.
    void BatteryGridDblClick();
    // The File view's "last heard" column on or off (View menu).
    void SetLastHeardColumn(bool on);
    // The window thread's part of a poll that read `r`: monitoring's part, the panel, the
    // logs and their views, the rows of the transmitter in the Memory and File views, the
    // beep. Public for the performance figures.
    void TakeReception(const TReception& r);

    // The History and Battery views as Find, the spreadsheet export and printing see them.
    // They read the logs at each call; the controller outlives them.
    std::unique_ptr<TViewRows> HistoryRows() const;
    std::unique_ptr<TViewRows> BatteryRows() const;

    // Monitoring's part in a poll; nullptr: neither monitor mode nor its adding window.
    void SetMonitoring(const TOnlineMonitoring* monitoring) { monitoring_ = monitoring; }
    // Sound output instead of the program's own (tests).
    void SetSoundPlayer(TSoundPlayer* player) { soundOverride_ = player; }

    TOnlinePanelWidgets& panel() { return *panel_; }
    const TOnlinePanel& panelFields() const { return fields_; }
    QTableView* historyGrid() const { return historyGrid_; }
    QTableView* batteryGrid() const { return batteryGrid_; }
    THistoryModel* historyModel() const { return historyModel_; }
    TBatteryModel* batteryModel() const { return batteryModel_; }
    TBatteryPage& batteryPage() { return *batteryPage_; }
    TCommForm& commForm() { return *commForm_; }
    THistoryField HistorySortField() const { return historySort_; }
    bool HistorySortUp() const { return historyUp_; }

  signals:
    // Every poll that read the block, on the window thread, before the panel and the logs
    // take it, also for "0000000": monitor mode's OnReception(serial, button) connects here.
    void receptionPolled(const TReception& reception);
    // The poll is over (false: it failed and on-line mode was left).
    void pollFinished(bool read);
    void onlineChanged(bool on);
    // The link was lost (on-line mode goes on and reconnects), and is back after an outage
    // of `seconds`.
    void linkLost();
    void linkRestored(double seconds);
    // A double click on a data row of the History view (the monitor's adding window).
    void historyRowActivated(int row);

  private:
    // TOnlineSwitch: another receiver command stops listening and starts it again, on
    // its own worker; the controller sees the outcome once the command is over (Watch).
    class TSwitch : public TOnlineSwitch {
      public:
        explicit TSwitch(TOnlineContext& ctx) : ctx_(ctx) {}
        void LeaveOnline() override;
        void RestartOnline() override;

      private:
        TOnlineContext& ctx_;
    };
    // TPollPauses: the poll's worker shows the pause window through the window thread.
    class TPauseWindow : public TPollPauses {
      public:
        explicit TPauseWindow(TOnlineController& owner) : owner_(owner) {}
        void Open(const TMessage& label) override;
        void Close() override;
        bool Pause(int ms) override;

      private:
        TOnlineController& owner_;
    };

    void SetOnline(bool on);
    // The watch timer: a reception counted by the worker, or listening that ended.
    void Watch();
    // The supervision: the link marked lost and the tries begun, one try, the link back.
    void LoseLink(TLinkLoss why);
    void TryReconnect();
    void Restored();
    void StopReconnecting();
    // OnLineTimer: the poll, 500 ms after the reception.
    void Poll();
    void Beep();
    void UpdateCommand();
    void RefreshUserInfo();
    // The battery log's sort and user columns from the settings and the File view.
    void PrepareBattery();
    // The user fields the File view shows for the current receiver type.
    TUserVisibility UserFields() const;
    void RefreshHistoryView(bool sort);
    void RefreshBatteryView();
    void HistoryPageShown();
    void BatteryPageShown();
    bool eventFilter(QObject* watched, QEvent* event) override;

    TOnlineContext ctx_;
    TSwitch switch_{ctx_};
    TWindowFrame& frame_;
    TRecordViews& views_;
    std::unique_ptr<TOnlinePanelWidgets> panel_;
    TOnlinePanel fields_;
    std::unique_ptr<TCommForm> commForm_;
    TPauseWindow pauses_{*this};
    QTimer watch_;
    QTimer pollTimer_;
    int seen_ = 0;  // receptions of the worker already polled
    QTimer reconnect_;
    TBackoff backoff_;
    std::chrono::steady_clock::time_point lostAt_{};
    TWaitingReception waiting_;
    // Leaving asked for while a try runs: the try stops at its next wait.
    bool leaveWanted_ = false;
    std::atomic<bool> stopTry_{false};
    THistoryModel* historyModel_;
    TBatteryModel* batteryModel_;
    QTableView* historyGrid_;
    QTableView* batteryGrid_;
    TBatteryPage* batteryPage_;
    THistoryField historySort_ = THistoryField::Time;
    bool historyUp_ = false;
    bool applyingWidths_ = false;  // the settings' widths go to a grid
    std::unique_ptr<TQtSoundPlayer> sounds_;
    bool soundCard_ = false, soundSpeaker_ = false;  // the outputs sounds_ has
    TSoundPlayer* soundOverride_ = nullptr;
    const TOnlineMonitoring* monitoring_ = nullptr;
};

}  // namespace ravlin
