#pragma once
// The status bar updater of the main window: woken after every state change (any number
// of wakes before it runs give one update), it shows what ComputeStatus computes: the
// panels, the pages' '*' marks and the record commands. Window thread only; no update
// while a command runs (that command's end wakes it).

#include <QObject>

#include "app/StatusBar.h"
#include "catalog/Device.h"
#include "document/AppState.h"

namespace ravlin {

class TBusyState;
class TLink;
class TMainForm;
class TMonitor;
class TNotifications;

// Monitoring as the status bar sees it; asked on the window thread at every update.
class TStatusMonitoring {
  public:
    virtual ~TStatusMonitoring() = default;
    virtual const TMonitor& MonitorSetup() const = 0;
    // Monitor mode shows its message panel instead of the pages.
    virtual bool MonitorMode() const = 0;
};

// What the status bar shows.
struct TStatusContext {
    const TAppState& state;
    const TDevice& device;  // the logged-in receiver's description
    const TLink& link;      // its connection text
    const TTextTable& texts;
    const TStatusMonitoring& monitoring;
};

class TStatusController : public QObject {
    Q_OBJECT
  public:
    TStatusController(const TStatusContext& context, TMainForm& form, TBusyState& busy,
                      TNotifications& notifications, QObject* parent = nullptr);

    // Schedules one update.
    void WakeStatus();
    // The update itself.
    void UpdateStatus();

  private:
    TStatusContext ctx_;
    TMainForm& form_;
    TBusyState& busy_;
    bool pending_ = false;
};

}  // namespace ravlin
