#pragma once
// The status bar updater of the main window: woken after every state change (any number
// of wakes before it runs give one update), it shows what ComputeStatus computes: the
// panels, the pages' '*' marks and the record commands. Window thread only; no update
// while a command runs (that command's end wakes it).

#include <QObject>
#include <functional>

#include "app/StatusBar.h"

namespace ravlin {

class TBusyState;
class TMainForm;
class TNotifications;
struct TCore;

class TStatusController : public QObject {
    Q_OBJECT
  public:
    TStatusController(TCore& core, TMainForm& form, TBusyState& busy, TNotifications& notifications,
                      QObject* parent = nullptr);

    // Schedules one update.
    void WakeStatus();
    // The update itself.
    void UpdateStatus();

    // Monitoring's part of the status: its set-up and whether monitor mode shows.
    std::function<void(TStatusInput&)> monitorStatus;

  private:
    TCore& core_;
    TMainForm& form_;
    TBusyState& busy_;
    bool pending_ = false;
};

}  // namespace ravlin
