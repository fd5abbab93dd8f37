#include "bridge/Payloads.h"

#include <cstdio>
#include <ctime>

#include "base/CodePage.h"
#include "bridge/Json.h"
#include "records/ButtonCodes.h"

namespace ravlin {
namespace {

constexpr const char* kTopicRoot = "ravlin/";

std::string IsoOf(const std::tm& tm) {
    const int offset = static_cast<int>(tm.tm_gmtoff / 60) % (24 * 60);
    const int hours = (offset < 0 ? -offset : offset) / 60;
    const int minutes = (offset < 0 ? -offset : offset) % 60;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  offset < 0 ? '-' : '+', hours, minutes);
    return buf;
}

// The name part Home Assistant takes in ids: letters, digits and "_".
std::string IdPart(const std::string& text) {
    std::string out;
    for (unsigned char c : text)
        out += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                   ? static_cast<char>(c)
                   : '_';
    return out;
}

bool ParseNumberPart(std::string_view s, int& out) {
    if (s.empty() || s.size() > 6 || s[0] == '0') return false;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    out = n;
    return true;
}

std::vector<std::string_view> Split(std::string_view s) {
    std::vector<std::string_view> parts;
    size_t from = 0;
    while (true) {
        const size_t slash = s.find('/', from);
        parts.push_back(s.substr(from, slash == std::string_view::npos ? s.npos : slash - from));
        if (slash == std::string_view::npos) return parts;
        from = slash + 1;
    }
}

}  // namespace

// ---- topics ---------------------------------------------------------------------------------

TTopics::TTopics(const std::string& site, const std::string& receiver)
    : base_(kTopicRoot + site + "/" + receiver + "/") {}

std::vector<std::string> SiteFilters(const std::string& site) {
    const std::string base = kTopicRoot + site + "/+/";
    return {base + "alarm/+", base + "status", base + "trouble"};
}

std::optional<TTopicParts> ParseTopic(std::string_view topic) {
    const std::vector<std::string_view> p = Split(topic);
    if (p.size() < 4 || p[0] != "ravlin" || p[1].empty() || p[2].empty()) return std::nullopt;
    TTopicParts t;
    t.site = p[1];
    t.receiver = p[2];
    t.kind = p[3];
    if (t.kind == "status" || t.kind == "reception" || t.kind == "trouble")
        return p.size() == 4 ? std::optional(t) : std::nullopt;
    if (t.kind != "alarm" || p.size() < 5 || p.size() > 6) return std::nullopt;
    if (!ParseNumberPart(p[4], t.number)) return std::nullopt;
    if (p.size() == 6) {
        if (p[5] != "set") return std::nullopt;
        t.command = true;
    }
    return t;
}

// ---- payloads -------------------------------------------------------------------------------

std::string IsoTime(std::chrono::system_clock::time_point t) {
    const std::time_t s = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&s, &tm);
    return IsoOf(tm);
}

std::string IsoTime(const TDateTime& local) {
    std::tm tm{};
    tm.tm_year = local.Year - 1900;
    tm.tm_mon = local.Month - 1;
    tm.tm_mday = local.Day;
    tm.tm_hour = local.Hour;
    tm.tm_min = local.Minute;
    tm.tm_sec = local.Second;
    tm.tm_isdst = -1;
    std::tm back = tm;
    const std::time_t s = std::mktime(&back);
    if (s == static_cast<std::time_t>(-1)) return IsoOf(tm);
    std::tm withOffset{};
    localtime_r(&s, &withOffset);
    return IsoOf(withOffset);
}

std::string ReceptionPayload(const TReception& r, std::chrono::system_clock::time_point time,
                             const TData* record) {
    TJsonObject o;
    o.Text("event_type", "reception").Text("time", IsoTime(time)).Text("serial", r.serial);
    o.Text("button", r.button).Text("battery", r.ShowsLowBattery() ? "low" : "ok");
    const int position = r.MemoryPosition();
    if (position < 0)
        o.Null("position");
    else
        o.Number("position", position + 1);
    if (record) {
        o.Number("user_id", record->UserID);
        std::string users = "[";
        for (const std::string* u :
             {&record->User1, &record->User2, &record->User3, &record->User4})
            users += (users.size() > 1 ? ", " : "") + JsonString(AnsiToUtf8(*u));
        o.Raw("user", users + "]");
    } else {
        o.Null("user_id").Null("user");
    }
    if (r.InputTransmitter())
        o.Text("input", InputCodeText(r.button));
    else
        o.Null("input");
    return o.Done();
}

TAlarmState AlarmStateOf(const TAlarmEntry& e) {
    TAlarmState s;
    s.number = e.Number;
    s.text = AnsiToUtf8(e.Text);
    s.active = e.Action == TAlarmAction::Activate;
    s.since = IsoTime(e.Time);
    s.cause = CauseName(e.Cause);
    switch (e.Cause) {
        case TAlarmCause::Transmitter:
            s.by = e.Serial;
            break;
        case TAlarmCause::Hand:
        case TAlarmCause::Network:
            s.by = AnsiToUtf8(e.Operator);
            break;
        default:
            s.by = s.cause;
            break;
    }
    return s;
}

std::string AlarmPayload(const TAlarmState& s) {
    return TJsonObject()
        .Number("number", s.number)
        .Text("text", s.text)
        .Text("state", s.active ? "active" : "inactive")
        .Text("since", s.since)
        .Text("by", s.by)
        .Text("cause", s.cause)
        .Done();
}

std::optional<TAlarmState> ParseAlarmPayload(std::string_view json) {
    const auto m = ParseFlatJsonObject(json, 4096);
    if (!m) return std::nullopt;
    const long long* number = NumberMember(*m, "number");
    const std::string* text = TextMember(*m, "text");
    const std::string* state = TextMember(*m, "state");
    if (!number || *number < 1 || *number > 999999 || !text || !state) return std::nullopt;
    if (*state != "active" && *state != "inactive") return std::nullopt;
    TAlarmState s;
    s.number = static_cast<int>(*number);
    s.text = *text;
    s.active = *state == "active";
    if (const std::string* v = TextMember(*m, "since")) s.since = *v;
    if (const std::string* v = TextMember(*m, "by")) s.by = *v;
    if (const std::string* v = TextMember(*m, "cause")) s.cause = *v;
    return s;
}

std::string TroublePayload(bool linkLost, const std::string& since) {
    return TJsonObject().Text("state", linkLost ? "link-lost" : "ok").Text("since", since).Done();
}

std::optional<std::string> ParseDeactivateCommand(std::string_view payload, std::string& why) {
    if (payload.size() > kMaxCommandBytes) {
        why = "longer than " + std::to_string(kMaxCommandBytes) + " bytes";
        return std::nullopt;
    }
    const auto m = ParseFlatJsonObject(payload, kMaxCommandBytes);
    if (!m) {
        why = "not a JSON object of texts";
        return std::nullopt;
    }
    const std::string* action = TextMember(*m, "action");
    if (!action) {
        why = "no \"action\"";
        return std::nullopt;
    }
    if (*action != "deactivate") {
        why = "unknown action \"" + *action + "\"";
        return std::nullopt;
    }
    const std::string* name = TextMember(*m, "operator");
    if (!name || name->empty()) {
        why = "no \"operator\"";
        return std::nullopt;
    }
    if (name->size() > kMaxOperatorBytes) {
        why = "an operator name longer than " + std::to_string(kMaxOperatorBytes) + " bytes";
        return std::nullopt;
    }
    for (unsigned char c : *name)
        if (c < 0x20 || c == 0x7F) {
            why = "a control character in the operator name";
            return std::nullopt;
        }
    return *name;
}

std::string DeactivateCommand(const std::string& operatorName) {
    return TJsonObject().Text("action", "deactivate").Text("operator", operatorName).Done();
}

// ---- Home Assistant discovery ---------------------------------------------------------------

std::string AlarmDiscoveryTopic(const std::string& site, const std::string& receiver, int number) {
    return "homeassistant/binary_sensor/ravlin_" + IdPart(site) + "_" + IdPart(receiver) +
           "/alarm_" + std::to_string(number) + "/config";
}

std::vector<TBrokerMessage> DiscoveryMessages(const std::string& site, const std::string& receiver,
                                              const std::vector<TMessageName>& messages) {
    const TTopics topics(site, receiver);
    const std::string node = "ravlin_" + IdPart(site) + "_" + IdPart(receiver);
    const std::string device = TJsonObject()
                                   .Raw("identifiers", "[" + JsonString(node) + "]")
                                   .Text("name", "Ravlin " + site + " " + receiver)
                                   .Text("manufacturer", "Ravlin")
                                   .Text("model", "radio receiver")
                                   .Done();
    const auto common = [&](TJsonObject& o, const std::string& id) {
        o.Text("unique_id", node + "_" + id)
            .Text("object_id", node + "_" + id)
            .Text("availability_topic", topics.Status())
            .Text("payload_available", kOnline)
            .Text("payload_not_available", kOffline)
            .Raw("device", device);
    };
    std::vector<TBrokerMessage> out;
    for (const TMessageName& m : messages) {
        TJsonObject o;
        o.Text("name", m.text.empty() ? "Message " + std::to_string(m.number) : m.text)
            .Text("device_class", "problem")
            .Text("state_topic", topics.Alarm(m.number))
            .Text("value_template", "{{ value_json.state }}")
            .Text("payload_on", "active")
            .Text("payload_off", "inactive")
            .Text("json_attributes_topic", topics.Alarm(m.number));
        common(o, "alarm_" + std::to_string(m.number));
        out.push_back({AlarmDiscoveryTopic(site, receiver, m.number), o.Done(), true});
    }
    {
        TJsonObject o;
        o.Text("name", "Link to the receiver")
            .Text("device_class", "problem")
            .Text("state_topic", topics.Trouble())
            .Text("value_template", "{{ value_json.state }}")
            .Text("payload_on", "link-lost")
            .Text("payload_off", "ok");
        common(o, "trouble");
        out.push_back({"homeassistant/binary_sensor/" + node + "/trouble/config", o.Done(), true});
    }
    {
        TJsonObject o;
        o.Text("name", "Reception")
            .Text("state_topic", topics.Reception())
            .Raw("event_types", "[\"reception\"]");
        common(o, "reception");
        out.push_back({"homeassistant/event/" + node + "/reception/config", o.Done(), true});
    }
    return out;
}

}  // namespace ravlin
