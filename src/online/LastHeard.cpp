#include "online/LastHeard.h"

#include <algorithm>

#include "records/ButtonCodes.h"

namespace ravlin {

TLastHeard::TLastHeard(std::string fileName, const TTextTable& texts, TUserInterface& ui)
    : file_(std::move(fileName), texts, ui, {16u << 20, kMaxEntries, false}) {}

std::string TLastHeard::Key(const std::string& code, const std::string& button) {
    return SerialKey(code) + code + "#" + button;
}

TLogTake TLastHeard::ParseText(std::string_view text, size_t maxEntries) {
    entries_.clear();
    bool first = true, header = false, more = false;
    std::vector<std::string_view> f;
    TLineReader reader(text);
    for (std::string_view line; reader.Next(line);) {
        if (line.empty()) continue;
        if (first) {
            first = false;
            header = line == kHeader;
            if (!header) break;
            continue;
        }
        SplitFields(line, f, 3);
        if (f.size() < 3 || f[0].size() != 7 || f[1].empty()) continue;
        TEntry e;
        e.code = f[0];
        e.button = f[1];
        if (!ParseLogTime(f[2], e.time)) continue;
        const std::string key = Key(e.code, e.button);
        auto it = entries_.find(key);
        if (it == entries_.end() && entries_.size() == maxEntries) {
            more = true;
            break;
        }
        if (it == entries_.end())
            entries_.emplace(key, e);
        else if (it->second.time < e.time)
            it->second = e;
    }
    if (!header && !text.empty()) return TLogTake::NotOurs;
    return more ? TLogTake::TooManyEntries : TLogTake::Fits;
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
    std::string text;
    const TLogRead read = file_.Read(text);
    // An empty file has nothing to lose, but holds no list either.
    bool ok = read == TLogRead::Read && !text.empty();
    if (ok) {
        const TLogTake took = ParseText(text);
        if (took != TLogTake::Fits) {
            // Not ours, or more than ours ever holds: never overwritten.
            if (took == TLogTake::TooManyEntries) file_.ReportTooMany();
            entries_.clear();
            file_.Forget();
            ok = false;
        }
    }
    for (const TEntry& e : pending_) Put(e);
    return ok;
}

void TLastHeard::Put(const TEntry& e) {
    TEntry& to = entries_[Key(e.code, e.button)];
    if (to.time != kNoTime && e.time < to.time) return;
    to = e;
    if (entries_.size() > kMaxEntries) {
        auto oldest = std::min_element(
            entries_.begin(), entries_.end(),
            [](const auto& a, const auto& b) { return a.second.time < b.second.time; });
        entries_.erase(oldest);
    }
}

TLogTake TLastHeard::Take(std::string_view text) {
    const TLogTake took = ParseText(text);
    if (took != TLogTake::Fits) return took;
    for (const TEntry& e : pending_) Put(e);
    return took;
}

bool TLastHeard::Heard(const std::string& code, const std::string& button, TLogTime time) {
    if (code.size() != 7 || button.empty() || time == kNoTime) return true;
    const TEntry e{code, button, time};
    Put(e);
    pending_.push_back(e);
    const bool written = file_.Update([this](std::string_view text) { return Take(text); },
                                      [this]() -> std::string_view {
                                          text_ = FormatText();
                                          return text_;
                                      });
    if (written) pending_.clear();
    return written;
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
