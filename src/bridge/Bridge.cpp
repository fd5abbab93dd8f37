#include "bridge/Bridge.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/CodePage.h"
#include "records/ButtonCodes.h"

namespace ravlin {
namespace {

// How much of the disk queue is handed over at once: confirmed as a whole, it is removed
// from the file in one update.
constexpr size_t kQueueBatch = 200;

std::string Now() {
    return IsoTime(std::chrono::system_clock::now());
}

}  // namespace

TBridge::TBridge(TBrokerConfig config, std::string homeFolder,
                 std::function<void(const std::string&)> log)
    : config_(std::move(config)),
      topics_(config_.site, config_.receiver),
      clientId_(config_.clientId.empty() ? DefaultClientId("console", config_) : config_.clientId),
      outbox_(homeFolder + "/" + OutboxFileName(clientId_)),
      log_(std::move(log)),
      client_(*this) {
    client_.onStatus = [this](const TBrokerStatus& s) {
        Log("broker: " + s.text);
        if (onStatus) onStatus(Status());
    };
}

TBridge::~TBridge() {
    Stop(0);
}

void TBridge::Log(const std::string& line) const {
    if (log_) log_(line);
}

bool TBridge::Start(bool commands, std::string& why) {
    commands_ = commands;
    {
        std::lock_guard lock(mutex_);
        queued_ = outbox_.Count() > 0;
        troubleLost_ = false;
        troubleSince_ = Now();
    }
    const TBrokerMessage will{topics_.Status(), kOffline, true};
    if (!client_.Start(config_, clientId_, &will, why)) return false;
    Send({topics_.Trouble(), TroublePayload(false, troubleSince_), true});
    return true;
}

void TBridge::Stop(int waitMs) {
    bool wasConnected = false;
    {
        std::lock_guard lock(mutex_);
        wasConnected = connected_;
        if (connected_) PublishLocked({topics_.Status(), kOffline, true}, false);
    }
    if (wasConnected) WaitDelivered(waitMs);
    client_.Stop();
    std::lock_guard lock(mutex_);
    // What the library had and the broker never confirmed comes first next time.
    std::vector<std::pair<unsigned long, TBrokerMessage>> left;
    for (auto& [mid, f] : inFlight_)
        if (f.keep) left.emplace_back(f.order, std::move(f.message));
    inFlight_.clear();
    std::sort(left.begin(), left.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TBrokerMessage> keep;
    for (auto& [order, m] : left) keep.push_back(std::move(m));
    if (!keep.empty()) QueueLocked(keep, true);
    batch_.clear();
    batchMids_.clear();
    connected_ = false;
    delivered_.notify_all();
}

bool TBridge::WaitDelivered(int waitMs) {
    std::unique_lock lock(mutex_);
    return delivered_.wait_for(lock, std::chrono::milliseconds(waitMs),
                               [&] { return inFlight_.empty() && batch_.empty() && !queued_; });
}

void TBridge::SetMessages(const std::vector<TMessageName>& messages,
                          const std::vector<TAlarmState>& states) {
    for (TBrokerMessage& m : DiscoveryMessages(config_.site, config_.receiver, messages))
        Send(std::move(m));
    for (const TAlarmState& s : states) Send({topics_.Alarm(s.number), AlarmPayload(s), true});
}

void TBridge::Reception(const TReception& r) {
    if (r.Nothing()) return;
    const TData* record = findRecord ? findRecord(r) : nullptr;
    Send({topics_.Reception(), ReceptionPayload(r, std::chrono::system_clock::now(), record),
          false});
}

void TBridge::LinkLost(TLinkLoss) {
    std::string since;
    {
        std::lock_guard lock(mutex_);
        if (troubleLost_) return;
        troubleLost_ = true;
        since = troubleSince_ = Now();
    }
    Send({topics_.Trouble(), TroublePayload(true, since), true});
}

void TBridge::LinkRestored(double) {
    std::string since;
    {
        std::lock_guard lock(mutex_);
        troubleLost_ = false;
        since = troubleSince_ = Now();
    }
    Send({topics_.Trouble(), TroublePayload(false, since), true});
}

void TBridge::AlarmChanged(const TAlarmEntry& e) {
    if (e.Action == TAlarmAction::Trouble) return;
    Send({topics_.Alarm(e.Number), AlarmPayload(AlarmStateOf(e)), true});
}

std::vector<TNetworkCommand> TBridge::TakeCommands() {
    std::lock_guard lock(mutex_);
    std::vector<TNetworkCommand> out;
    out.swap(received_);
    return out;
}

TBrokerStatus TBridge::Status() const {
    TBrokerStatus s = client_.Status();
    std::lock_guard lock(mutex_);
    if (!queued_) {
        queuedCount_ = 0;
    } else if (const auto now = std::chrono::steady_clock::now();
               now - countedAt_ >= std::chrono::seconds(1)) {
        queuedCount_ = outbox_.Count();
        countedAt_ = now;
    }
    s.queued = queuedCount_;
    return s;
}

void TBridge::Send(TBrokerMessage m) {
    std::lock_guard lock(mutex_);
    if (connected_ && !queued_ && PublishLocked(m, true)) return;
    QueueLocked({std::move(m)}, false);
}

bool TBridge::PublishLocked(const TBrokerMessage& m, bool keep) {
    int mid = 0;
    if (client_.Publish(m, &mid) != 0) return false;
    inFlight_[mid] = TInFlight{++sent_, m, keep};
    return true;
}

void TBridge::QueueLocked(const std::vector<TBrokerMessage>& messages, bool atFront) {
    size_t dropped = 0;
    const int rc = outbox_.Add(messages, atFront, &dropped);
    if (rc != 0) {
        Log("broker: cannot keep " + std::to_string(messages.size()) +
            " message(s) for the broker in " + outbox_.Path() + ": " + std::strerror(rc));
        return;
    }
    queued_ = true;
    if (dropped)
        Log("broker: the queue for the broker is full (" + std::to_string(kOutboxMaxMessages) +
            " messages): the " + std::to_string(dropped) + " oldest went");
}

void TBridge::SendQueueLocked() {
    if (!connected_ || !batch_.empty() || !queued_) return;
    if (outbox_.Front(kQueueBatch, batch_) != 0 || batch_.empty()) {
        batch_.clear();
        queued_ = outbox_.Count() > 0;
        if (!queued_) delivered_.notify_all();
        return;
    }
    for (const TBrokerMessage& m : batch_) {
        int mid = 0;
        if (client_.Publish(m, &mid) != 0) {
            // The library refused (it holds what it took); the rest waits for the next try.
            batch_.resize(batchMids_.size());
            break;
        }
        batchMids_[mid] = true;
    }
}

// ---- the network thread -------------------------------------------------------------------

void TBridge::Connected() {
    if (commands_) client_.Subscribe(topics_.Commands());
    std::lock_guard lock(mutex_);
    connected_ = true;
    PublishLocked({topics_.Status(), kOnline, true}, false);
    SendQueueLocked();
}

void TBridge::Disconnected() {
    std::lock_guard lock(mutex_);
    connected_ = false;
}

void TBridge::Published(int mid) {
    std::lock_guard lock(mutex_);
    if (inFlight_.erase(mid) == 0 && batchMids_.erase(mid) == 1 && batchMids_.empty()) {
        const int rc = outbox_.RemoveFront(batch_);
        if (rc != 0)
            Log("broker: cannot update " + outbox_.Path() + ": " + std::strerror(rc) +
                " (its messages may be sent again)");
        batch_.clear();
        queued_ = outbox_.Count() > 0;
        SendQueueLocked();
    }
    if (inFlight_.empty() && batch_.empty()) delivered_.notify_all();
}

void TBridge::Message(const std::string& topic, const std::string& payload, bool retained) {
    const auto parts = ParseTopic(topic);
    if (!parts || !parts->command || parts->site != config_.site ||
        parts->receiver != config_.receiver) {
        Log("broker: ignored a message on " + topic + ": not a command topic of this receiver");
        return;
    }
    if (retained) {
        // A command kept by the broker would act again on every connection.
        Log("broker: ignored a retained command on " + topic);
        return;
    }
    std::string why;
    const auto op = ParseDeactivateCommand(payload, why);
    if (!op) {
        Log("broker: ignored a command on " + topic + ": " + why);
        return;
    }
    std::lock_guard lock(mutex_);
    received_.push_back({parts->number, *op});
}

}  // namespace ravlin

namespace ravlin {

const TData* ReceptionRecord(const TRecordTable& table, const TReception& r) {
    const std::string key = r.SerialKey();
    const std::string button = r.InputTransmitter() ? InputCodeText(r.button) : r.button;
    const TData* found = nullptr;
    for (const TData& record : table)
        if (!record.Empty && record.Serial == key && HistoryButtonMatch(button, record.Button))
            found = &record;
    return found;
}

void PublishMonitor(TBridge& bridge, const TMonitor& monitor) {
    std::vector<TMessageName> names;
    std::vector<TAlarmState> states;
    const std::string now = Now();
    for (const TMonitorData& m : monitor.Messages) {
        names.push_back({m.Number, AnsiToUtf8(m.Text)});
        TAlarmState s;
        s.number = m.Number;
        s.text = AnsiToUtf8(m.Text);
        s.active = m.IsActive();
        s.since = s.active ? IsoTime(m.ActivatedAt) : now;
        s.cause = s.active ? "transmitter" : "set-up";
        s.by = s.active ? "" : "set-up";
        states.push_back(std::move(s));
    }
    bridge.SetMessages(names, states);
}

std::vector<TMonitorChange> ApplyNetworkCommands(TBridge& bridge, TMonitor& monitor,
                                                 const TMonitorTime& now) {
    std::vector<TMonitorChange> all;
    for (const TNetworkCommand& c : bridge.TakeCommands()) {
        const std::string what = "ignored a deactivation of message " + std::to_string(c.number) +
                                 " by " + c.operatorName + ": ";
        if (monitor.IndexOfNumber(c.number) < 0) {
            bridge.LogLine("broker: " + what + "the set-up has no such message");
            continue;
        }
        std::string name;
        if (!Utf8ToAnsi(c.operatorName, name)) {
            // The alarm log keeps code page texts: what it cannot hold becomes "?".
            name.clear();
            for (unsigned char ch : c.operatorName)
                if (ch < 0x80)
                    name += static_cast<char>(ch);
                else if ((ch & 0xC0) != 0x80)
                    name += '?';
        }
        const auto changes = monitor.DeactivateFromNetwork(c.number, name, now);
        if (changes.empty()) bridge.LogLine("broker: " + what + "it is not active");
        all.insert(all.end(), changes.begin(), changes.end());
    }
    return all;
}

}  // namespace ravlin
