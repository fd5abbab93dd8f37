#include "bridge/MqttClient.h"

#include <mosquitto.h>
#include <unistd.h>

#include <cstring>

#include "base/SecretFile.h"

namespace ravlin {
namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr const char* kSystemAuthorities = "/etc/ssl/certs";

// The library is set up once for the program and never taken down: consoles come and go.
void InitLibrary() {
    static const int once = mosquitto_lib_init();
    (void)once;
}

std::string Readable(const std::string& path) {
    if (::access(path.c_str(), R_OK) == 0) return {};
    return path + ": " + std::strerror(errno);
}

}  // namespace

TMqttClient::TMqttClient(TMqttHandler& handler) : handler_(handler) {}

TMqttClient::~TMqttClient() {
    Stop();
}

bool TMqttClient::Start(const TBrokerConfig& config, const std::string& clientId,
                        const TBrokerMessage* will, std::string& why) {
    if (mosq_) Stop();
    if (!CheckBrokerConfig(config, why)) return false;
    const TBrokerAddress address = *ParseBrokerUrl(config.url, why);
    std::string password;
    if (!config.passwordFile.empty()) {
        const TSecretFile secret = ReadSecretFile(config.passwordFile);
        if (!secret.Ok()) {
            why = "broker password: " + SecretFileProblem(config.passwordFile, secret);
            return false;
        }
        password = secret.secret;
    }
    if (address.tls && !config.caFile.empty()) {
        why = Readable(config.caFile);
        if (!why.empty()) {
            why = "broker CA file: " + why;
            return false;
        }
    }
    InitLibrary();
    mosq_ = mosquitto_new(clientId.c_str(), true, this);
    if (!mosq_) {
        why = "cannot make a broker client: " + std::string(std::strerror(errno));
        return false;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, &TMqttClient::OnConnect);
    mosquitto_disconnect_callback_set(mosq_, &TMqttClient::OnDisconnect);
    mosquitto_publish_callback_set(mosq_, &TMqttClient::OnPublish);
    mosquitto_subscribe_callback_set(mosq_, &TMqttClient::OnSubscribe);
    mosquitto_message_callback_set(mosq_, &TMqttClient::OnMessage);
    mosquitto_log_callback_set(mosq_, &TMqttClient::OnLog);
    mosquitto_reconnect_delay_set(mosq_, 1, 30, true);
    // Messages wait in the library while an earlier one is unconfirmed; keeping one
    // in flight at a time keeps them in order across a reconnection.
    mosquitto_max_inflight_messages_set(mosq_, 1);
    int rc = MOSQ_ERR_SUCCESS;
    if (!config.user.empty())
        rc = mosquitto_username_pw_set(mosq_, config.user.c_str(),
                                       config.passwordFile.empty() ? nullptr : password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && address.tls) {
        rc = config.caFile.empty()
                 ? mosquitto_tls_set(mosq_, nullptr, kSystemAuthorities, nullptr, nullptr, nullptr)
                 : mosquitto_tls_set(mosq_, config.caFile.c_str(), nullptr, nullptr, nullptr,
                                     nullptr);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_tls_insecure_set(mosq_, false);
    }
    if (rc == MOSQ_ERR_SUCCESS && will)
        rc = mosquitto_will_set(mosq_, will->topic.c_str(), static_cast<int>(will->payload.size()),
                                will->payload.data(), 1, will->retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        why = "broker set-up: " + std::string(mosquitto_strerror(rc));
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
        return false;
    }
    where_ = address.host + ":" + std::to_string(address.port);
    SetState(TBrokerState::Connecting, "connecting to " + where_);
    // A broker that is down now is tried again by the network thread.
    rc = mosquitto_connect_async(mosq_, address.host.c_str(), address.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        const std::string reason =
            rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
        SetState(TBrokerState::Unreachable, "cannot reach " + where_ + ": " + reason);
    }
    rc = mosquitto_loop_start(mosq_);
    if (rc != MOSQ_ERR_SUCCESS) {
        why = "broker network thread: " + std::string(mosquitto_strerror(rc));
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
        return false;
    }
    running_ = true;
    return true;
}

int TMqttClient::Publish(const TBrokerMessage& m, int* mid) {
    if (!mosq_) return MOSQ_ERR_INVAL;
    return mosquitto_publish(mosq_, mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                             m.payload.data(), 1, m.retain);
}

int TMqttClient::Subscribe(const std::string& filter) {
    if (!mosq_) return MOSQ_ERR_INVAL;
    return mosquitto_subscribe(mosq_, nullptr, filter.c_str(), 1);
}

void TMqttClient::Stop() {
    if (!mosq_) return;
    if (running_) {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        running_ = false;
    }
    mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    SetState(TBrokerState::Off, "stopped");
}

TBrokerStatus TMqttClient::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void TMqttClient::SetState(TBrokerState state, const std::string& text) {
    TBrokerStatus now;
    {
        std::lock_guard lock(mutex_);
        if (status_.state == state && status_.text == text) return;
        status_.state = state;
        status_.text = text;
        now = status_;
    }
    if (onStatus) onStatus(now);
}

void TMqttClient::OnConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<TMqttClient*>(self);
    if (rc != 0) {
        c->SetState(TBrokerState::Refused,
                    c->where_ + " refused the connection: " + mosquitto_connack_string(rc) +
                        " (check the user name and password)");
        return;
    }
    {
        std::lock_guard lock(c->mutex_);
        c->lastError_.clear();
    }
    c->SetState(TBrokerState::Connected, "connected to " + c->where_);
    c->handler_.Connected();
}

void TMqttClient::OnDisconnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<TMqttClient*>(self);
    c->handler_.Disconnected();
    if (rc == 0) return;  // ours
    std::string why;
    {
        std::lock_guard lock(c->mutex_);
        why = c->lastError_.empty() ? mosquitto_strerror(rc) : c->lastError_;
        if (c->status_.state == TBrokerState::Refused) return;
    }
    c->SetState(TBrokerState::Unreachable, "lost " + c->where_ + ": " + why + "; trying again");
}

void TMqttClient::OnPublish(mosquitto*, void* self, int mid) {
    static_cast<TMqttClient*>(self)->handler_.Published(mid);
}

void TMqttClient::OnSubscribe(mosquitto*, void* self, int, int, const int*) {
    static_cast<TMqttClient*>(self)->handler_.Subscribed();
}

void TMqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* m) {
    if (!m || !m->topic) return;
    const std::string payload(static_cast<const char*>(m->payload),
                              m->payload ? static_cast<size_t>(m->payloadlen) : 0);
    static_cast<TMqttClient*>(self)->handler_.Message(m->topic, payload, m->retain);
}

void TMqttClient::OnLog(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || !text) return;
    auto* c = static_cast<TMqttClient*>(self);
    std::string line = text;
    bool tls =
        line.find("OpenSSL") != std::string::npos || line.find("certificate") != std::string::npos;
    {
        std::lock_guard lock(c->mutex_);
        c->lastError_ = line;
    }
    c->SetState(TBrokerState::Unreachable,
                "cannot reach " + c->where_ + ": " + line +
                    (tls ? " (check the CA file and the broker's certificate)" : ""));
}

}  // namespace ravlin
