#include "monitoring/MonitorFile.h"

#include <algorithm>

#include "base/Decimal.h"
#include "base/TextLines.h"

namespace ravlin {

namespace {

int IntOr(std::string_view s, int def) {
    int v;
    return ParseDecimal(s, v) ? v : def;
}

TMonitorData ParseMessageLine(std::string_view line) {
    TMonitorData m;
    m.Size = 0;                            // fields missing from a short line stay 0
    const auto f = SplitFields(line, 11);  // the fields a message line has
    const auto field = [&](size_t i) { return i < f.size() ? f[i] : std::string_view(); };
    if (f.size() > 0) m.Number = IntOr(f[0], 0);
    if (f.size() > 1) m.Text = field(1);
    if (f.size() > 2) m.Color = IntOr(f[2], 0);
    if (f.size() > 3) m.Size = IntOr(f[3], 8);
    if (f.size() > 4) m.Sound = IntOr(f[4], 0);
    m.SoundFile = field(5);
    m.Picture = field(6);
    m.Blink = field(7) == "1";
    m.Activate = field(8) == "1";
    m.ShowWindow = field(9) == "1";
    if (f.size() > 10) m.RepeatTime = std::max(0, IntOr(f[10], 0));
    return m;
}

// The rest of an "Active:" or "Deactive:" line: serial, buttons, "n", serial, ...
// False when it holds more than `budget` events (which counts the events taken).
bool ParseEvents(std::string_view rest, std::vector<TEvent>& events, size_t& budget) {
    bool open = false;  // the last element has not been completed by "n"
    int field = 0;
    // Field by field: a line of millions of fields is never split into a list first.
    for (size_t from = 0, hash; (hash = rest.find('#', from)) != std::string_view::npos;
         from = hash + 1) {
        const std::string_view f = rest.substr(from, hash - from);
        if (!open) {
            if (budget == 0) return false;
            --budget;
            events.emplace_back();
            open = true;
        }
        if (field == 0) {
            events.back().Serial = f;
            field = 1;
        } else if (field == 1) {
            events.back().Buttons = f;
            field = 2;
        } else if (f == "n") {
            open = false;
            field = 0;
        } else {
            break;  // an element without its "n" ends the list
        }
    }
    return true;
}

void AppendEvents(std::string& out, const std::vector<TEvent>& events) {
    for (const auto& e : events) {
        out += e.Serial;
        out += '#';
        out += e.Buttons;
        out += "#n#";
    }
}

}  // namespace

TMonitorFileContent ParseMonitorFile(std::string_view content, const TMonitorFileLimits& limits) {
    TMonitorFileContent result;
    size_t events = limits.maxEvents;
    TLineReader in(content);
    if (in.Next() != kMonitorFileHeader) {
        result.status = TMonitorFileStatus::WrongHeader;
        return result;
    }
    while (!in.AtEnd()) {
        const std::string_view line = in.Next();
        if (line.empty()) continue;
        if (result.messages.size() == limits.maxMessages) {
            result.status = TMonitorFileStatus::TooManyMessages;
            return result;
        }
        result.messages.push_back(ParseMessageLine(line));
        TMonitorData& m = result.messages.back();
        const std::string_view active = in.Next();
        if (active.substr(0, 7) != "Active:") {
            result.status = TMonitorFileStatus::MissingEventLine;
            return result;
        }
        if (!ParseEvents(active.substr(7), m.ActiveEvents, events)) {
            result.status = TMonitorFileStatus::TooManyEvents;
            return result;
        }
        const std::string_view deactive = in.Next();
        if (deactive.substr(0, 9) != "Deactive:") {
            result.status = TMonitorFileStatus::MissingEventLine;
            return result;
        }
        if (!ParseEvents(deactive.substr(9), m.DeactiveEvents, events)) {
            result.status = TMonitorFileStatus::TooManyEvents;
            return result;
        }
    }
    return result;
}

std::string FormatMessageLine(const TMonitorData& m) {
    std::string s;
    s += std::to_string(m.Number) + '#';
    s += m.Text + '#';
    s += std::to_string(m.Color) + '#';
    s += std::to_string(m.Size) + '#';
    s += std::to_string(m.Sound) + '#';
    s += m.SoundFile + '#';
    s += m.Picture + '#';
    s += m.Blink ? "1#" : "0#";
    s += m.Activate ? "1#" : "0#";
    s += m.ShowWindow ? "1#" : "0#";
    if (m.RepeatTime > 0) s += std::to_string(m.RepeatTime) + '#';
    return s;
}

std::string FormatEventLine(const char* head, const std::vector<TEvent>& events) {
    std::string s = head;
    AppendEvents(s, events);
    return s + "end";
}

std::string FormatMonitorFile(const std::vector<TMonitorData>& messages) {
    std::string out = kMonitorFileHeader;
    out += "\r\n";
    for (const auto& m : messages) {
        out += FormatMessageLine(m) + "\r\n";
        out += FormatEventLine("Active:", m.ActiveEvents) + "\r\n";
        out += FormatEventLine("Deactive:", m.DeactiveEvents) + "\r\n";
    }
    return out;
}

}  // namespace ravlin
