#pragma once
// A console without a receiver: it follows the alarms of a site's receivers on the broker
// and sends the deactivations of its operator. The broker keeps every message's last
// state, so a console that connects later sees the alarms active at once.
//
// Threads: the broker's callbacks on the library's network thread; everything else on the
// caller's. A mutex keeps them apart.

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/BrokerConfig.h"
#include "bridge/MqttClient.h"
#include "bridge/Payloads.h"

namespace ravlin {

// One message of one receiver of the site.
struct TRemoteAlarm {
    std::string receiver;
    TAlarmState state;
};

// What became of the site since the last look.
struct TRemoteChange {
    enum class Kind { Alarm, Status, Trouble };
    Kind kind = Kind::Alarm;
    std::string receiver;
    TAlarmState alarm;  // Alarm: the new state
    std::string text;   // Status: "online"/"offline"; Trouble: "ok"/"link-lost"
};

class TRemoteAlarms : private TMqttHandler {
  public:
    // `config.receiver`: only that receiver's alarms; empty: every receiver of the site.
    TRemoteAlarms(TBrokerConfig config, std::function<void(const std::string&)> log);
    ~TRemoteAlarms() override;

    // Starts connecting and following. False with `why` when the configuration is refused.
    bool Start(std::string& why);
    void Stop();

    // The changes since the last call, in the order they came: an alarm that became active
    // or inactive (a state that repeats the one known changes nothing), a receiver's
    // status or trouble.
    std::vector<TRemoteChange> TakeChanges();
    // Every message of the site now active, by receiver and number.
    std::vector<TRemoteAlarm> Active() const;
    // The state known of one message, or nullptr.
    bool Known(const std::string& receiver, int number, TAlarmState& out) const;

    // Asks the monitor of `receiver` to deactivate message `number` for `operatorName`.
    // False with `why` while the broker is not connected or the library refuses.
    bool Deactivate(const std::string& receiver, int number, const std::string& operatorName,
                    std::string& why);
    // Waits up to `waitMs` until every command sent was confirmed by the broker.
    bool WaitSent(int waitMs);
    // Whether the broker has confirmed the subscriptions (the retained states follow them).
    bool Following() const;

    TBrokerStatus Status() const { return client_.Status(); }
    std::function<void(const TBrokerStatus&)> onStatus;

  private:
    void Connected() override;
    void Disconnected() override;
    void Published(int mid) override;
    void Subscribed() override;
    void Message(const std::string& topic, const std::string& payload, bool retained) override;

    TBrokerConfig config_;
    std::function<void(const std::string&)> log_;
    TMqttClient client_;

    mutable std::mutex mutex_;
    std::condition_variable sent_;
    bool connected_ = false;
    int subscriptions_ = 0;  // confirmed since the connection
    std::map<std::pair<std::string, int>, TAlarmState> alarms_;
    std::vector<TRemoteChange> changes_;
    std::map<int, bool> unconfirmed_;
};

}  // namespace ravlin
