#include "app/ui/BrokerController.h"

#include <cstdio>

#include "app/Settings.h"
#include "app/StatusBar.h"
#include "app/ui/MainForm.h"
#include "app/ui/RemoteConsole.h"
#include "base/ui/Notifications.h"
#include "base/ui/Text.h"
#include "bridge/Bridge.h"
#include "document/AppState.h"
#include "monitoring/ui/MonitorController.h"
#include "online/Reception.h"

namespace ravlin {

namespace {

void BrokerLog(const std::string& line) {
    std::fprintf(stderr, "ravlin: %s\n", line.c_str());
}

}  // namespace

TBrokerController::TBrokerController(const TBrokerContext& context, TMonitorController& monitor,
                                     const TRemoteConsole& console, TMainForm& form,
                                     QObject* parent)
    : QObject(parent), ctx_(context), monitor_(&monitor), console_(console), form_(form) {
    // Remote deactivations are applied within a tenth of a second; the status follows.
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, &TBrokerController::Poll);
    poll_.start();
    connect(&ctx_.notifications, &TNotifications::settingsChanged, this,
            &TBrokerController::Restart);
    auto publish = [this] {
        if (bridge_ && monitor_) PublishMonitor(*bridge_, monitor_->monitor());
    };
    connect(&monitor, &TMonitorController::modeChanged, this, publish);
    connect(&monitor, &TMonitorController::setupChanged, this, publish);
}

TBrokerController::~TBrokerController() {
    Stop();
}

void TBrokerController::Restart() {
    const TBrokerSetup now = BrokerSetupOf(ctx_.settings);
    const bool wanted = now.on && !now.url.empty();
    if (bridge_ && wanted && now == running_) return;
    Stop();
    if (wanted) {
        running_ = now;
        StartBridge();
    }
    ShowStatus();
}

void TBrokerController::StartBridge() {
    TBrokerConfig config = BrokerConfigOf(running_);
    config.clientId = DefaultClientId("desktop", config);
    auto bridge = std::make_unique<TBridge>(config, ctx_.homeDir, BrokerLog);
    bridge->findRecord = [this](const TReception& r) -> const TData* {
        return ctx_.state.DocumentOpen ? ReceptionRecord(ctx_.table, r) : nullptr;
    };
    std::string why;
    if (!bridge->Start(true, why)) {
        BrokerLog("not started: " + why);
        return;
    }
    bridge_ = std::move(bridge);
    ctx_.receptionListeners.Add(bridge_.get());
    if (monitor_) {
        monitor_->monitor().listeners.push_back(bridge_.get());
        if (monitor_->monitor().Defined) PublishMonitor(*bridge_, monitor_->monitor());
    }
}

void TBrokerController::Stop() {
    if (!bridge_) return;
    ctx_.receptionListeners.Remove(bridge_.get());
    if (monitor_) std::erase(monitor_->monitor().listeners, bridge_.get());
    bridge_->Stop();
    bridge_.reset();
}

void TBrokerController::Poll() {
    if (bridge_ && monitor_) {
        if (monitor_->MonitorMode()) {
            if (!ApplyNetworkCommands(*bridge_, monitor_->monitor(), TMonitorTime::Now()).empty())
                monitor_->RefreshAlarms();
        } else {
            // A deactivation kept until monitor mode begins would clear an alarm raised
            // long after it was sent.
            for (const TNetworkCommand& c : bridge_->TakeCommands())
                BrokerLog("deactivation of message " + std::to_string(c.number) + " by " +
                          c.operatorName + " ignored: not in monitor mode");
        }
    }
    ShowStatus();
}

void TBrokerController::ShowStatus() {
    if (console_.Running()) {
        const TBrokerStatus s = console_.Status();
        form_.SetBrokerPanel(Q(BrokerStatusText(s)), QString::fromStdString(s.text));
    } else if (bridge_) {
        const TBrokerStatus s = bridge_->Status();
        form_.SetBrokerPanel(Q(BrokerStatusText(s)), QString::fromStdString(s.text));
    } else if (running_.on && !running_.url.empty() && BrokerSetupOf(ctx_.settings) == running_) {
        form_.SetBrokerPanel("Broker: not started", QString());
    } else {
        form_.SetBrokerPanel(QString(), QString());
    }
}

}  // namespace ravlin
