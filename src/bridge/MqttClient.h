#pragma once
// One connection to the broker on libmosquitto, with the library's own network thread:
// it connects, and connects again after a loss with waits from 1 s doubling up to 30 s.
// The handler is called on that thread. What state the connection is in, and why, is
// kept for the status bar and stderr.

#include <functional>
#include <mutex>
#include <string>

#include "bridge/BrokerConfig.h"
#include "bridge/Payloads.h"

struct mosquitto;
struct mosquitto_message;

namespace ravlin {

enum class TBrokerState {
    Off,          // no broker configured, or stopped
    Connecting,   // the first try, or a try after a loss
    Connected,    // the broker took the connection
    Unreachable,  // no connection: the broker is down, the network, TLS (`text` says)
    Refused,      // the broker refused the login (a wrong user or password)
};

struct TBrokerStatus {
    TBrokerState state = TBrokerState::Off;
    std::string text;   // "connected to HOST:PORT", "cannot reach ...: why", ...
    size_t queued = 0;  // messages waiting on disk for the broker
};

class TMqttHandler {
  public:
    virtual ~TMqttHandler() = default;
    virtual void Connected() {}
    virtual void Disconnected() {}
    // A QoS 1 message of ours the broker confirmed (`mid` as Publish gave it).
    virtual void Published(int mid) { (void)mid; }
    virtual void Subscribed() {}
    virtual void Message(const std::string& topic, const std::string& payload, bool retained) {
        (void)topic, (void)payload, (void)retained;
    }
};

class TMqttClient {
  public:
    explicit TMqttClient(TMqttHandler& handler);
    ~TMqttClient();
    TMqttClient(const TMqttClient&) = delete;
    TMqttClient& operator=(const TMqttClient&) = delete;

    // Sets the client up (id, login with the password file's first line, TLS with server
    // verification, the last will `will` when given) and starts connecting on the network
    // thread. False with `why` when it cannot even begin: a bad address, a password file
    // that is refused, a CA file that cannot be read.
    bool Start(const TBrokerConfig& config, const std::string& clientId, const TBrokerMessage* will,
               std::string& why);
    // QoS 1. 0 (a MOSQ_ERR_ code otherwise); `mid` the message's id for Published.
    int Publish(const TBrokerMessage& m, int* mid = nullptr);
    int Subscribe(const std::string& filter);
    // An orderly end: the disconnect sent, the network thread ended. Safe to call twice.
    void Stop();

    TBrokerStatus Status() const;
    // Called on the network thread whenever the state or its text changes.
    std::function<void(const TBrokerStatus&)> onStatus;

  private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);
    static void OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* m);
    static void OnLog(mosquitto*, void* self, int level, const char* text);
    void SetState(TBrokerState state, const std::string& text);

    TMqttHandler& handler_;
    mosquitto* mosq_ = nullptr;
    bool running_ = false;
    std::string where_;  // "HOST:PORT"
    mutable std::mutex mutex_;
    TBrokerStatus status_;
    std::string lastError_;  // the library's last error line (TLS, name lookup)
};

}  // namespace ravlin
