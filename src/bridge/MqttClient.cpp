#include "bridge/MqttClient.h"

#include <mosquitto.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/SecretFile.h"

namespace ravlin {
namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kProbeMs = 5000;
constexpr const char* kSystemAuthorities = "/etc/ssl/certs";

// The library is set up once for the program and never taken down: consoles come and go.
void InitLibrary() {
    static const int once = mosquitto_lib_init();
    (void)once;
}

// A connection's first step, tried without blocking for longer than `waitMs` (a host that
// does not answer at all would hold a blocking connect for minutes) and given up when
// `stop` says so. Empty when the broker's port accepts; why not otherwise.
std::string ProbeTcp(const TBrokerAddress& a, int waitMs, const std::function<bool()>& stop) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(a.port);
    if (const int rc = ::getaddrinfo(a.host.c_str(), port.c_str(), &hints, &found); rc != 0)
        return ::gai_strerror(rc);
    std::string why = "no address";
    for (addrinfo* ai = found; ai; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                ai->ai_protocol);
        if (fd < 0) continue;
        int rc = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            rc = -1;
            errno = ETIMEDOUT;
            for (int waited = 0; waited < waitMs && !stop(); waited += 100) {
                pollfd p{fd, POLLOUT, 0};
                if (::poll(&p, 1, 100) != 1) continue;
                int error = 0;
                socklen_t len = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
                rc = error == 0 ? 0 : -1;
                errno = error;
                break;
            }
        }
        const int error = errno;
        ::close(fd);
        if (rc == 0) {
            ::freeaddrinfo(found);
            return {};
        }
        why = std::strerror(error);
    }
    ::freeaddrinfo(found);
    return why;
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
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    connector_ = std::thread([this, address] { ConnectFirst(address); });
    return true;
}

void TMqttClient::ConnectFirst(TBrokerAddress address) {
    int waitSeconds = 1;
    const auto stopping = [this] {
        std::lock_guard lock(mutex_);
        return stopping_;
    };
    for (;;) {
        const std::string unreachable = ProbeTcp(address, kProbeMs, stopping);
        if (stopping()) return;
        const int rc = unreachable.empty() ? mosquitto_connect(mosq_, address.host.c_str(),
                                                               address.port, kKeepAliveSeconds)
                                           : MOSQ_ERR_NO_CONN;
        if (rc == MOSQ_ERR_SUCCESS) {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            if (mosquitto_loop_start(mosq_) == MOSQ_ERR_SUCCESS) {
                running_ = true;
                return;
            }
        }
        std::string reason = !unreachable.empty()   ? unreachable
                             : rc == MOSQ_ERR_ERRNO ? std::strerror(errno)
                                                    : mosquitto_strerror(rc);
        {
            std::lock_guard lock(mutex_);
            if (!lastError_.empty()) reason = lastError_;
        }
        const bool tls = rc == MOSQ_ERR_TLS || reason.find("OpenSSL") != std::string::npos;
        SetState(TBrokerState::Unreachable,
                 "cannot reach " + where_ + ": " + reason +
                     (tls ? " (check the CA file and the broker's certificate)" : "") +
                     "; trying again in " + std::to_string(waitSeconds) + " s");
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::seconds(waitSeconds), [&] { return stopping_; }))
            return;
        waitSeconds = std::min(waitSeconds * 2, 30);
    }
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
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (connector_.joinable()) connector_.join();
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
    const std::string line = text;
    const bool tls =
        line.find("OpenSSL") != std::string::npos || line.find("certificate") != std::string::npos;
    const std::string why = tls ? line + " (check the CA file and the broker's certificate)" : line;
    {
        std::lock_guard lock(c->mutex_);
        c->lastError_ = why;
        if (c->status_.state == TBrokerState::Connected) return;
    }
    // A handshake that fails ends the library's thread without another call.
    c->SetState(TBrokerState::Unreachable, "cannot reach " + c->where_ + ": " + why);
}

}  // namespace ravlin
