#include "bridge/RemoteAlarms.h"

#include <unistd.h>

#include <chrono>

#include "bridge/Json.h"

namespace ravlin {

TRemoteAlarms::TRemoteAlarms(TBrokerConfig config, std::function<void(const std::string&)> log)
    : config_(std::move(config)), log_(std::move(log)), client_(*this) {
    client_.onStatus = [this](const TBrokerStatus& s) {
        if (log_) log_("broker: " + s.text);
        if (onStatus) onStatus(s);
    };
}

TRemoteAlarms::~TRemoteAlarms() {
    Stop();
}

bool TRemoteAlarms::Start(std::string& why) {
    // The receiver name is only a filter here: it need not be valid as a topic level.
    TBrokerConfig check = config_;
    if (check.receiver.empty()) check.receiver = "any";
    if (!CheckBrokerConfig(check, why)) return false;
    std::string id = config_.clientId;
    if (id.empty()) id = DefaultClientId("remote", check) + "-" + std::to_string(::getpid());
    return client_.Start(check, id, nullptr, why);
}

void TRemoteAlarms::Stop() {
    WaitSent(2000);
    client_.Stop();
}

std::vector<TRemoteChange> TRemoteAlarms::TakeChanges() {
    std::lock_guard lock(mutex_);
    std::vector<TRemoteChange> out;
    out.swap(changes_);
    return out;
}

std::vector<TRemoteAlarm> TRemoteAlarms::Active() const {
    std::lock_guard lock(mutex_);
    std::vector<TRemoteAlarm> out;
    for (const auto& [key, state] : alarms_)
        if (state.active) out.push_back({key.first, state});
    return out;
}

bool TRemoteAlarms::Known(const std::string& receiver, int number, TAlarmState& out) const {
    std::lock_guard lock(mutex_);
    const auto it = alarms_.find({receiver, number});
    if (it == alarms_.end()) return false;
    out = it->second;
    return true;
}

bool TRemoteAlarms::Deactivate(const std::string& receiver, int number,
                               const std::string& operatorName, std::string& why) {
    if (!ValidTopicLevel(receiver)) {
        why = "the receiver name \"" + receiver + "\" cannot be a topic level";
        return false;
    }
    if (operatorName.empty() || operatorName.size() > kMaxOperatorBytes) {
        why = "the operator's name must have 1 to " + std::to_string(kMaxOperatorBytes) + " bytes";
        return false;
    }
    std::lock_guard lock(mutex_);
    if (!connected_) {
        why = "the broker is not connected: " + client_.Status().text;
        return false;
    }
    int mid = 0;
    const TBrokerMessage m{TTopics(config_.site, receiver).AlarmCommand(number),
                           DeactivateCommand(operatorName), false};
    const int rc = client_.Publish(m, &mid);
    if (rc != 0) {
        why = "the command could not be sent (" + std::to_string(rc) + ")";
        return false;
    }
    unconfirmed_[mid] = true;
    return true;
}

bool TRemoteAlarms::WaitSent(int waitMs) {
    std::unique_lock lock(mutex_);
    return sent_.wait_for(lock, std::chrono::milliseconds(waitMs),
                          [&] { return unconfirmed_.empty(); });
}

bool TRemoteAlarms::Following() const {
    std::lock_guard lock(mutex_);
    return connected_ && subscriptions_ >= static_cast<int>(SiteFilters(config_.site).size());
}

void TRemoteAlarms::Connected() {
    {
        std::lock_guard lock(mutex_);
        connected_ = true;
        subscriptions_ = 0;
    }
    for (const std::string& filter : SiteFilters(config_.site)) client_.Subscribe(filter);
}

void TRemoteAlarms::Disconnected() {
    std::lock_guard lock(mutex_);
    connected_ = false;
}

void TRemoteAlarms::Published(int mid) {
    std::lock_guard lock(mutex_);
    unconfirmed_.erase(mid);
    if (unconfirmed_.empty()) sent_.notify_all();
}

void TRemoteAlarms::Subscribed() {
    std::lock_guard lock(mutex_);
    ++subscriptions_;
}

void TRemoteAlarms::Message(const std::string& topic, const std::string& payload, bool) {
    const auto parts = ParseTopic(topic);
    if (!parts || parts->command || parts->site != config_.site) return;
    if (!config_.receiver.empty() && parts->receiver != config_.receiver) return;
    TRemoteChange c;
    c.receiver = parts->receiver;
    if (parts->kind == "status") {
        c.kind = TRemoteChange::Kind::Status;
        c.text = payload;
    } else if (parts->kind == "trouble") {
        c.kind = TRemoteChange::Kind::Trouble;
        const auto m = ParseFlatJsonObject(payload, 1024);
        const std::string* state = m ? TextMember(*m, "state") : nullptr;
        c.text = state ? *state : "";
    } else if (parts->kind == "alarm") {
        if (payload.empty()) return;  // a state removed
        const auto s = ParseAlarmPayload(payload);
        if (!s || s->number != parts->number) {
            if (log_) log_("broker: ignored an alarm state on " + topic + ": not one");
            return;
        }
        std::lock_guard lock(mutex_);
        TAlarmState& known = alarms_[{parts->receiver, parts->number}];
        const bool changed = known.active != s->active;
        known = *s;
        if (!changed) return;
        c.alarm = *s;
        changes_.push_back(std::move(c));
        return;
    } else {
        return;
    }
    std::lock_guard lock(mutex_);
    changes_.push_back(std::move(c));
}

}  // namespace ravlin
