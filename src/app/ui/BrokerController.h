#pragma once
// The desktop program on the site's broker: when the settings name one (Broker On and a
// URL), one bridge publishes what on-line and monitor mode record (receptions, the link's
// troubles, alarm changes, the set-up's messages) and takes the deactivations other
// consoles send, applied in monitor mode as the Deactivate button would. The status bar
// shows the broker's state while a broker is used (by the bridge or the console without
// a receiver). Window thread; the bridge's own callbacks are never used here, it is polled.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>

#include "app/AppSetup.h"
#include "records/Data.h"

namespace ravlin {

class TBridge;
class TMainForm;
class TMonitorController;
class TNotifications;
class TReceptionListeners;
class TRemoteConsole;
struct TAppState;
struct TSettings;

struct TBrokerContext {
    const TSettings& settings;   // the Broker section
    const std::string& homeDir;  // the bridge's queue
    const TRecordTable& table;   // the open document's records, for the receptions' users
    const TAppState& state;
    TReceptionListeners& receptionListeners;
    TNotifications& notifications;
};

class TBrokerController : public QObject {
    Q_OBJECT
  public:
    TBrokerController(const TBrokerContext& context, TMonitorController& monitor,
                      const TRemoteConsole& console, TMainForm& form, QObject* parent = nullptr);
    ~TBrokerController() override;

    // The bridge of the settings now: started, or stopped when they name no broker; kept
    // when they did not change.
    void Restart();
    // The bridge said goodbye (the program ends).
    void Stop();
    // The bridge, or nullptr without a broker.
    TBridge* bridge() { return bridge_.get(); }

  private:
    void StartBridge();
    void Poll();
    void ShowStatus();

    TBrokerContext ctx_;
    QPointer<TMonitorController> monitor_;
    const TRemoteConsole& console_;
    TMainForm& form_;
    std::unique_ptr<TBridge> bridge_;
    TBrokerSetup running_;  // what the bridge was started with
    QTimer poll_;
};

}  // namespace ravlin
