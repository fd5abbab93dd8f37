#pragma once
// The monitor's editors as windows: TMonitor asks, the message and event editors answer.

#include "monitoring/Monitor.h"
#include "monitoring/ui/MonitorEditForm.h"
#include "monitoring/ui/MonitorEventEditForm.h"

namespace ravlin {

class TQtMonitorEditors : public TMonitorEditors {
  public:
    TQtMonitorEditors(TMonitorEditForm& messageForm, TMonitorEventEditForm& eventForm)
        : messageForm_(messageForm), eventForm_(eventForm) {}

    bool EditMessage(TMonitorData& values) override {
        messageForm_.Prepare(values);
        if (messageForm_.exec() != QDialog::Accepted) return false;
        messageForm_.Store(values);
        return true;
    }
    bool EditEvent(TEvent& event) override {
        eventForm_.Prepare(event);
        if (eventForm_.exec() != QDialog::Accepted) return false;
        event = eventForm_.Event();
        return true;
    }

  private:
    TMonitorEditForm& messageForm_;
    TMonitorEventEditForm& eventForm_;
};

}  // namespace ravlin
