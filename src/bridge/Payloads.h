#pragma once
// What goes over the broker, topic by topic (all texts UTF-8, all payloads JSON but
// status):
//
//   ravlin/SITE/RECEIVER/status       retained  "online"; "offline" (last will, orderly end)
//   ravlin/SITE/RECEIVER/reception    QoS 1     {"event_type": "reception", "time", "serial",
//                                               "button", "battery", "position", "user_id",
//                                               "user", "input"}
//   ravlin/SITE/RECEIVER/alarm/N      retained  {"number", "text", "state", "since", "by",
//                                               "cause"}
//   ravlin/SITE/RECEIVER/alarm/N/set  command   {"action": "deactivate", "operator": NAME}
//   ravlin/SITE/RECEIVER/trouble      retained  {"state": "ok" | "link-lost", "since"}
//   homeassistant/...                 retained  Home Assistant discovery (DiscoveryMessages)
//
// Every message is sent with QoS 1.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitoring/AlarmLog.h"
#include "monitoring/MonitorTime.h"
#include "online/Reception.h"
#include "records/Data.h"

namespace ravlin {

// ---- topics ---------------------------------------------------------------------------------

class TTopics {
  public:
    TTopics(const std::string& site, const std::string& receiver);
    const std::string& Base() const { return base_; }  // "ravlin/SITE/RECEIVER/"
    std::string Status() const { return base_ + "status"; }
    std::string Reception() const { return base_ + "reception"; }
    std::string Trouble() const { return base_ + "trouble"; }
    std::string Alarm(int number) const { return base_ + "alarm/" + std::to_string(number); }
    std::string AlarmCommand(int number) const { return Alarm(number) + "/set"; }
    // The subscription of this receiver's commands.
    std::string Commands() const { return base_ + "alarm/+/set"; }

  private:
    std::string base_;
};

// The subscriptions of a console that follows a site: every receiver's alarms, status
// and trouble.
std::vector<std::string> SiteFilters(const std::string& site);

// A topic "ravlin/SITE/RECEIVER/KIND[/N[/set]]" taken apart; nullopt for any other.
struct TTopicParts {
    std::string site, receiver;
    std::string kind;  // "status", "reception", "trouble", "alarm"
    int number = 0;    // alarm: 1 .. 999999
    bool command = false;
};
std::optional<TTopicParts> ParseTopic(std::string_view topic);

// ---- payloads -------------------------------------------------------------------------------

inline constexpr const char* kOnline = "online";
inline constexpr const char* kOffline = "offline";

// ISO 8601 with the local offset: "2026-12-10T20:05:05+01:00".
std::string IsoTime(std::chrono::system_clock::time_point t);
// A local date and time as the alarm log keeps it, with the offset it had then.
std::string IsoTime(const TDateTime& local);

// A reception as read at `time`: battery "ok" or "low", position the memory position + 1
// (null when the receiver reports none), user_id and user (the four user texts) of
// `record` (null without one), input the input code text for an input transmitter (null
// otherwise). `record`'s texts are code page bytes.
std::string ReceptionPayload(const TReception& r, std::chrono::system_clock::time_point time,
                             const TData* record);

// One monitor message's state.
struct TAlarmState {
    int number = 0;
    std::string text;  // UTF-8
    bool active = false;
    std::string since;  // ISO 8601 (IsoTime); empty: unknown
    std::string by;     // the transmitter, the operator, "exit", ...
    std::string cause;  // the alarm log's cause
    bool operator==(const TAlarmState&) const = default;
};
// An alarm log entry (activation or deactivation) as a state: by is the transmitter for a
// change by one, the operator for one by hand or over the network, "exit", "set-up",
// "removed" or "end" otherwise.
TAlarmState AlarmStateOf(const TAlarmEntry& e);
std::string AlarmPayload(const TAlarmState& s);
// nullopt unless number, text and state ("active" or "inactive") are there.
std::optional<TAlarmState> ParseAlarmPayload(std::string_view json);

std::string TroublePayload(bool linkLost, const std::string& since);

// The command topics' payload. The longest payload taken, and the longest operator name.
inline constexpr size_t kMaxCommandBytes = 512;
inline constexpr size_t kMaxOperatorBytes = 64;
// {"action": "deactivate", "operator": NAME}: the operator's name (UTF-8, 1 to 64 bytes,
// no control characters); nullopt with `why` for anything else.
std::optional<std::string> ParseDeactivateCommand(std::string_view payload, std::string& why);
std::string DeactivateCommand(const std::string& operatorName);

// ---- Home Assistant discovery ---------------------------------------------------------------

struct TBrokerMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
    bool operator==(const TBrokerMessage&) const = default;
};

// The monitor messages a console publishes (number and UTF-8 text).
struct TMessageName {
    int number = 0;
    std::string text;
};

// Retained configurations under "homeassistant/": one binary sensor (device class
// problem) per message following alarm/N, one for the trouble of the link following
// trouble, and an event entity of the receptions; every one's availability follows
// status, and all belong to one device per receiver.
std::vector<TBrokerMessage> DiscoveryMessages(const std::string& site, const std::string& receiver,
                                              const std::vector<TMessageName>& messages);
// The discovery topic of message `number`'s sensor (to remove it: an empty retained payload).
std::string AlarmDiscoveryTopic(const std::string& site, const std::string& receiver, int number);

}  // namespace ravlin
