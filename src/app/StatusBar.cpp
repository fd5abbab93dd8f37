#include "app/StatusBar.h"

#include "monitoring/Monitor.h"

namespace ravlin {

TStatusView ComputeStatus(const TStatusInput& in, const TTextTable& texts) {
    TStatusView v;
    const TAppState& s = in.state;

    v.panels[1] = in.connectionText;
    if (s.LoggedIn) {
        v.panels[0] = in.receiverDescription;
        v.memoryMark = s.MemoryModified;
    }
    if (s.OnLine) v.panels[2] = s.LinkLost ? kLinkLostMark : "On-line";
    if (s.DocumentOpen) {
        if (s.Saved) {
            v.panels[3] = TextAt(texts, Text::Saved);
        } else {
            v.fileMark = true;
        }
        v.panels[4] = s.FileName;
    }
    if (in.monitorExists) v.monitorMark = !in.monitorSaved;

    if (!in.messagesPanelVisible) {
        switch (in.pageShown) {
            case TPage::Memory:
                v.recordCommands = s.LoggedIn;
                break;
            case TPage::File:
                v.recordCommands = s.DocumentOpen;
                break;
            case TPage::Monitoring:
                v.recordCommands = true;
                break;
            default:
                v.recordCommands = false;
                break;
        }
    }
    return v;
}

void AddMonitorStatus(TStatusInput& in, const TMonitor& monitor, bool monitorMode) {
    in.monitorExists = monitor.Defined;
    in.monitorSaved = monitor.Saved;
    in.messagesPanelVisible = monitorMode;
}

std::string ApplyUnsavedMark(const std::string& caption, bool mark) {
    bool has = !caption.empty() && caption.back() == '*';
    if (mark && !has) return caption + "*";
    if (!mark && has) return caption.substr(0, caption.size() - 1);
    return caption;
}

std::string BrokerStatusText(const TBrokerStatus& status) {
    std::string text = "Broker: ";
    switch (status.state) {
        case TBrokerState::Off:
            text += "off";
            break;
        case TBrokerState::Connecting:
            text += "connecting";
            break;
        case TBrokerState::Connected:
            text += "connected";
            break;
        case TBrokerState::Unreachable:
            text += "unreachable";
            break;
        case TBrokerState::Refused:
            text += "login refused";
            break;
    }
    // What waits on disk for the broker is worth knowing in every state.
    if (status.queued > 0) text += ", " + std::to_string(status.queued) + " waiting";
    return text;
}

}  // namespace ravlin
