#include "app/ui/StatusController.h"

#include <QTimer>

#include "app/StatusBar.h"
#include "app/ui/MainForm.h"
#include "base/ui/Busy.h"
#include "base/ui/Notifications.h"
#include "base/ui/Text.h"
#include "link/Link.h"

namespace ravlin {

TStatusController::TStatusController(const TStatusContext& context, TMainForm& form,
                                     TBusyState& busy, TNotifications& notifications,
                                     QObject* parent)
    : QObject(parent), ctx_(context), form_(form), busy_(busy) {
    connect(&notifications, &TNotifications::stateChanged, this, &TStatusController::WakeStatus);
    connect(&form, &TMainForm::pageChanged, this, &TStatusController::WakeStatus);
}

void TStatusController::WakeStatus() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        UpdateStatus();
    });
}

void TStatusController::UpdateStatus() {
    // A command owns the state while it runs; it wakes the status when it ends.
    if (busy_.Busy()) return;
    TStatusInput in;
    in.state = ctx_.state;
    in.receiverDescription = ctx_.device.Description;
    in.connectionText = ctx_.link.ConnectionText();
    in.pageShown = form_.PageShown();
    AddMonitorStatus(in, ctx_.monitoring.MonitorSetup(), ctx_.monitoring.MonitorMode());
    const TStatusView v = ComputeStatus(in, ctx_.texts);
    for (int i = 0; i < TStatusView::kPanels; ++i) form_.SetPanel(i, Q(v.panels[i]));
    form_.SetPageMark(TPage::Memory, v.memoryMark);
    form_.SetPageMark(TPage::File, v.fileMark);
    if (v.monitorMark) form_.SetPageMark(TPage::Monitoring, *v.monitorMark);
    if (v.recordCommands) form_.EnableGroup(TCommandGroup::Records, *v.recordCommands);
}

}  // namespace ravlin
