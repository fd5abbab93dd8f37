#pragma once
// Monitor mode in the main window: Ctrl+F12 enters it on top of on-line mode (which it
// starts when needed) and Exit leaves it; the monitor set-up's file commands and its
// start-up and exit steps. The parts do the rest: the Monitoring page builds the set-up
// (TMonitoringPage), the alarm presenter shows and clears the alarms (TAlarmPresenter).
//
// A lost link never ends monitor mode: on-line mode reconnects by itself, and meanwhile
// the trouble row stands above the alarms, which stay listed and can be cleared. Leaving
// monitor mode ends every alarm still active (logged as ended by Exit).

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/Document.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"
#include "monitoring/ui/MonitorContext.h"
#include "online/ui/OnlineController.h"

class QWidget;

namespace ravlin {

class TAlarmPresenter;
class TMonitoringPage;
class TRecordViews;
class TSoundPlayer;
class TWindowFrame;
struct TReception;

// File dialogs of the monitor set-up; a stand-in chooser answers instead (tests).
class TMonitorFileChooser : public TFileChooser {
  public:
    explicit TMonitorFileChooser(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> OpenFile(const TFileDialog& dialog) override;
    std::optional<std::string> SaveFile(const TFileDialog& dialog) override;
    std::optional<std::string> ChooseReceiverType(const std::string&) override {
        return std::nullopt;
    }
    // nullptr: the file windows again.
    void SetStandIn(TFileChooser* standIn) { standIn_ = standIn; }

  private:
    QPointer<QWidget> parent_;
    TFileChooser* standIn_ = nullptr;
};

class TMonitorController : public QObject, private TMonitorHost, private TOnlineMonitoring {
    Q_OBJECT
  public:
    // `views`: the Memory and File views the transmitter-adding window takes transmitters
    // from (the history's grid is on-line mode's).
    TMonitorController(const TMonitorContext& context, TWindowFrame& frame,
                       TOnlineController& online, TRecordViews& views, QObject* parent = nullptr);
    ~TMonitorController() override;

    // MenuMonitor (Ctrl+F12): enters monitor mode (on-line first). False when refused or
    // when on-line mode could not be entered.
    bool MenuMonitorClick();
    bool MonitorMode() const override { return monitorMode_; }

    // The start-up and exit steps: the last set-up read, a start-up file, the start-up
    // option Monitor, the exit question (false keeps the program open).
    void InitMonitor();
    bool OpenMonitorFile(const std::string& fileName);
    void StartMonitor();
    bool CloseQuery();

    void ApplyTexts();

    // Alarm changes made outside a reception (deactivations from the network): the list
    // and the pop-up windows follow them.
    void RefreshAlarms();
    // Another console shows its alarms in the monitor layout meanwhile: monitor mode
    // cannot begin, and this one's message panel stands aside.
    void SetOccupied(bool occupied);

    TMonitor& monitor() { return monitor_; }
    // The set-up's file dialogs, and the sound output (tests give stand-ins).
    TMonitorFileChooser& chooser() { return chooser_; }
    void SetSoundPlayer(TSoundPlayer* player);

  signals:
    // Monitor mode began or ended.
    void modeChanged(bool on);
    // The set-up's messages changed: loaded, added, removed or renamed.
    void setupChanged();

  private:
    // TMonitorHost
    const TRecordTable* DocumentRecords() const override;
    void MonitorChanged() override { Changed(); }
    // TOnlineMonitoring (MonitorMode above)
    bool AddWindowShown() const override;

    void Enter();
    void Leave();
    // The menus and commands monitor mode switches off, and back on (those it switched).
    void LockWindow(bool lock);
    void OpenClick();
    void SaveAsClick();
    void SaveAll();
    void Changed();
    void ReadSettings();

    TMonitorContext ctx_;
    TWindowFrame& frame_;
    TOnlineController& online_;
    TMonitor monitor_;
    TMonitorFileChooser chooser_;
    std::unique_ptr<TAlarmLogWriter> log_;
    std::unique_ptr<TAlarmPresenter> presenter_;
    std::unique_ptr<TMonitoringPage> page_;
    bool monitorMode_ = false;
    bool onlineBefore_ = false;
    bool occupied_ = false;
    // The numbers and texts of the messages when setupChanged was last emitted.
    std::vector<std::pair<int, std::string>> messageNames_;
    // What entering monitor mode switched off.
    std::vector<TMenuName> menusOff_;
    std::vector<QString> commandsOff_;
};

}  // namespace ravlin
