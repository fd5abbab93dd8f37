#pragma once
// The bridge: a monitoring console on the site's broker. It publishes what the logs and the
// alarm log record — every reception, every alarm change, the trouble of the link, its own
// status (the last will says "offline") and Home Assistant's discovery — and takes the
// deactivations other consoles send on this receiver's command topics (Payloads.h has the
// topics). The window, `ravlin-cli listen` and `ravlin-cli monitor` add it to the same
// listeners that log (TCore::receptionListeners, TMonitor::listeners), so all publish the
// same things.
//
// Nothing is lost while the broker is away: a message is handed to the library while the
// broker is connected and nothing waits; otherwise it waits in the queue on disk (Outbox.h),
// which is sent in order once the broker is back, also by the next run of the console.
// Messages handed over but not confirmed when the console ends go to the front of that
// queue.
//
// Threads: the listeners' calls and TakeCommands run on the caller's thread (the window
// thread, the reception loop's); the broker's callbacks on the library's network thread.
// A mutex keeps the two apart.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/BrokerConfig.h"
#include "bridge/MqttClient.h"
#include "bridge/Outbox.h"
#include "bridge/Payloads.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"
#include "online/Supervision.h"

namespace ravlin {

// A deactivation another console asked for.
struct TNetworkCommand {
    int number = 0;
    std::string operatorName;  // UTF-8
};

class TBridge : public TReceptionListener, public TAlarmListener, private TMqttHandler {
  public:
    // `homeFolder`: where the queue is kept. `log`: the program's log (stderr), called on
    // either thread.
    TBridge(TBrokerConfig config, std::string homeFolder,
            std::function<void(const std::string&)> log);
    ~TBridge() override;
    TBridge(const TBridge&) = delete;
    TBridge& operator=(const TBridge&) = delete;

    // Starts connecting; `commands`: take deactivations from the command topics (a monitor,
    // not a bare listener). False with `why` when the configuration is refused.
    bool Start(bool commands, std::string& why);
    // Waits up to `waitMs` for what was handed over to be confirmed, keeps the rest in the
    // queue, says "offline" and disconnects.
    void Stop(int waitMs = 2000);

    // The monitor messages and their states now (a set-up loaded, monitor mode begun):
    // their discovery and their retained alarm states are published again.
    void SetMessages(const std::vector<TMessageName>& messages,
                     const std::vector<TAlarmState>& states);

    // TReceptionListener: a reception, the link lost and back.
    void Reception(const TReception& r) override;
    void LinkLost(TLinkLoss) override;
    void LinkRestored(double seconds) override;
    // TAlarmListener: an activation or deactivation (troubles come from the link above).
    void AlarmChanged(const TAlarmEntry& entry) override;

    // The record a reception belongs to (its user texts go out with it); nullptr: none.
    std::function<const TData*(const TReception&)> findRecord;
    // Called on the network thread whenever the broker's state changes.
    std::function<void(const TBrokerStatus&)> onStatus;

    // The deactivations received since the last call, in order.
    std::vector<TNetworkCommand> TakeCommands();
    TBrokerStatus Status() const;
    const TTopics& Topics() const { return topics_; }
    const std::string& ClientId() const { return clientId_; }
    // Waits up to `waitMs` until nothing waits to be confirmed (tests, benchmarks).
    bool WaitDelivered(int waitMs);
    // A line in the program's log.
    void LogLine(const std::string& line) const { Log(line); }

  private:
    // TMqttHandler (network thread)
    void Connected() override;
    void Disconnected() override;
    void Published(int mid) override;
    void Message(const std::string& topic, const std::string& payload, bool retained) override;

    void Send(TBrokerMessage m);
    // Under mutex_: hands `m` to the library now.
    bool PublishLocked(const TBrokerMessage& m, bool keep);
    // Under mutex_: hands the next part of the queue over when nothing else is in flight.
    void SendQueueLocked();
    void QueueLocked(const std::vector<TBrokerMessage>& messages, bool atFront);
    void Log(const std::string& line) const;

    TBrokerConfig config_;
    TTopics topics_;
    std::string clientId_;
    TOutbox outbox_;
    std::function<void(const std::string&)> log_;
    TMqttClient client_;
    bool commands_ = false;

    mutable std::mutex mutex_;
    std::condition_variable delivered_;
    bool connected_ = false;
    bool queued_ = false;  // the disk queue holds messages: new ones go behind them
    // Handed over and not confirmed yet, by message id: the order they were sent in and
    // whether it is kept for the next run when the console ends first (not the status).
    struct TInFlight {
        unsigned long order = 0;
        TBrokerMessage message;
        bool keep = true;
    };
    std::map<int, TInFlight> inFlight_;
    unsigned long sent_ = 0;
    // The part of the disk queue handed over; the mids still unconfirmed.
    std::vector<TBrokerMessage> batch_;
    std::map<int, bool> batchMids_;
    std::vector<TNetworkCommand> received_;
    // The queue's length as last counted (Status is asked often, the file may be long).
    mutable size_t queuedCount_ = 0;
    mutable std::chrono::steady_clock::time_point countedAt_;
    bool troubleLost_ = false;
    std::string troubleSince_;
};

// The record whose user texts go out with a reception: as the history finds them, the
// last record of the reception's serial key whose button matches; nullptr when none.
const TData* ReceptionRecord(const TRecordTable& table, const TReception& r);

// The set-up's messages and states as the bridge publishes them (SetMessages).
void PublishMonitor(TBridge& bridge, const TMonitor& monitor);

// The deactivations received, applied to the monitor as its Deactivate button would (the
// alarm log names the operator, cause "network"). A command for a message that does not
// exist or is not active changes nothing and gets a line in the log. Returns the changes.
std::vector<TMonitorChange> ApplyNetworkCommands(TBridge& bridge, TMonitor& monitor,
                                                 const TMonitorTime& now);

}  // namespace ravlin
