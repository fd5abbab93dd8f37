#include "online/LastHeard.h"

#include <algorithm>

#include "records/ButtonCodes.h"

namespace ravlin {

TLastHeard::TLastHeard(std::string fileName, const TTextTable& texts, TUserInterface& ui)
    : file_(std::move(fileName), texts, ui) {}

std::string TLastHeard::Key(const std::string& code, const std::string& button) {
    return SerialKey(code) + code + "#" + button;
}

bool TLastHeard::ParseText(std::string_view text) {
    entries_.clear();
    bool first = true, header = false;
    std::vector<std::string_view> f;
    ForEachLine(text, [&](std::string_view line) {
        if (first) {
            first = false;
            header = line == kHeader;
            return;
        }
        if (!header) return;
        SplitFields(line, f);
        if (f.size() < 3 || f[0].size() != 7 || f[1].empty()) return;
        TEntry e;
        e.code = f[0];
        e.button = f[1];
        if (!ParseLogTime(f[2], e.time)) return;
        const std::string key = Key(e.code, e.button);
        auto [it, added] = entries_.emplace(key, e);
        if (!added && it->second.time < e.time) it->second = e;
    });
    return header;
}

std::string TLastHeard::FormatText() const {
    std::string out;
    out.reserve(entries_.size() * 40 + 32);
    out += kHeader;
    out += "\r\n";
    for (const auto& [key, e] : entries_) {
        AppendField(out, e.code);
        AppendField(out, e.button);
        AppendLogTime(out, e.time);
        out += "#\r\n";
    }
    return out;
}

bool TLastHeard::Load() {
    entries_.clear();
    foreign_ = false;
    std::string text;
    if (!file_.Read(text)) return false;
    if (ParseText(text)) return true;
    // Not ours (another program's, or a later version's): never overwritten.
    foreign_ = !text.empty();
    return false;
}

bool TLastHeard::Save() {
    if (foreign_) {
        if (!foreignReported_)
            file_.Ui().Error(
                TMessage::Lang(file_.Texts(), Text::WrongFormat, " - " + file_.FileName()));
        foreignReported_ = true;
        return false;
    }
    return file_.Write(FormatText());
}

bool TLastHeard::Heard(const std::string& code, const std::string& button, TLogTime time) {
    if (code.size() != 7 || button.empty() || time == kNoTime) return true;
    if (file_.ReplacedElsewhere()) Load();
    TEntry& e = entries_[Key(code, button)];
    e.code = code;
    e.button = button;
    e.time = time;
    if (entries_.size() > kMaxEntries) {
        auto oldest = std::min_element(
            entries_.begin(), entries_.end(),
            [](const auto& a, const auto& b) { return a.second.time < b.second.time; });
        entries_.erase(oldest);
    }
    return Save();
}

std::optional<TLogTime> TLastHeard::LastHeardOf(const TData& record) const {
    if (record.Empty) return std::nullopt;
    std::optional<TLogTime> last;
    for (auto it = entries_.lower_bound(record.Serial);
         it != entries_.end() && it->first.compare(0, record.Serial.size(), record.Serial) == 0;
         ++it) {
        const TEntry& e = it->second;
        if (SerialKey(e.code) != record.Serial) continue;
        if (!IsInputTransmitter(e.code) && !ButtonsMatch(e.button, record.Button)) continue;
        if (!last || *last < e.time) last = e.time;
    }
    return last;
}

std::vector<TLastHeard::TEntry> TLastHeard::Entries() const {
    std::vector<TEntry> out;
    out.reserve(entries_.size());
    for (const auto& [key, e] : entries_) out.push_back(e);
    return out;
}

std::string LastHeardText(const TLastHeard& heard, const TData& record) {
    if (record.Empty) return {};
    const auto t = heard.LastHeardOf(record);
    return t ? FormatLogTime(*t) : "-";
}

std::vector<int> StaleRecords(const TRecordTable& table, const TLastHeard& heard, TLogTime now,
                              int days) {
    std::vector<int> out;
    const TLogTime limit = now - static_cast<TLogTime>(days) * kSecondsPerDay;
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].Empty) continue;
        const auto t = heard.LastHeardOf(table[i]);
        if (!t || *t < limit) out.push_back(static_cast<int>(i));
    }
    return out;
}

}  // namespace ravlin
