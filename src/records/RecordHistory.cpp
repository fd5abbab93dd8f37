#include "records/RecordHistory.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <unordered_map>

namespace ravlin {

std::vector<int> TRecordChange::Positions() const {
    std::vector<int> positions;
    positions.reserve(items.size());
    for (const TItem& item : items) positions.push_back(item.position);
    return positions;
}

void TRecordChange::Append(TRecordChange next) {
    if (items.empty() && usedBefore == usedAfter) {
        const TChangeKind keep = kind;
        *this = std::move(next);
        kind = keep;
        return;
    }
    std::unordered_map<int, size_t> index;
    for (size_t i = 0; i < items.size(); ++i) index[items[i].position] = i;
    for (TItem& item : next.items) {
        auto found = index.find(item.position);
        if (found != index.end()) {
            items[found->second].after = std::move(item.after);
        } else {
            index[item.position] = items.size();
            items.push_back(std::move(item));
        }
    }
    usedAfter = next.usedAfter;
}

bool SameRecord(const TData& a, const TData& b) {
    return a.Position == b.Position && a.Empty == b.Empty && a.Raw == b.Raw &&
           a.Serial == b.Serial && a.Button == b.Button && a.Output == b.Output &&
           a.Channels == b.Channels && a.Time == b.Time && a.Extra == b.Extra &&
           a.User1 == b.User1 && a.User2 == b.User2 && a.User3 == b.User3 && a.User4 == b.User4 &&
           a.UserID == b.UserID && a.TxType == b.TxType && a.CodePrefix == b.CodePrefix;
}

void ApplyChange(const TRecordChange& change, TRecordTable& table, TDevice& device, bool forward) {
    const size_t count = change.items.size();
    for (size_t k = 0; k < count; ++k) {
        // Backwards in reverse order, so that a position named twice ends as it began.
        const TRecordChange::TItem& item = change.items[forward ? k : count - 1 - k];
        if (item.position < 1 || static_cast<size_t>(item.position) > table.size()) continue;
        table[static_cast<size_t>(item.position - 1)] = forward ? item.after : item.before;
    }
    device.UsedCount = forward ? change.usedAfter : change.usedBefore;
}

TRecordChange DiffTables(const TRecordTable& before, const TRecordTable& after, int usedBefore,
                         int usedAfter, TChangeKind kind) {
    TRecordChange change;
    change.kind = kind;
    change.usedBefore = usedBefore;
    change.usedAfter = usedAfter;
    const size_t n = std::min(before.size(), after.size());
    for (size_t i = 0; i < n; ++i)
        if (!SameRecord(before[i], after[i]))
            change.items.push_back({static_cast<int>(i + 1), before[i], after[i]});
    return change;
}

namespace {

// The digest runs at every notification over the whole table (up to 9 999 records): each
// text is hashed by the library's word-wise string hash, and the values are mixed in order.
struct TDigest {
    uint64_t h = 1469598103934665603ULL;
    void Mix(uint64_t v) {
        h ^= v + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
        h *= 0xFF51AFD7ED558CCDULL;
    }
    void Add(const std::string& s) {
        Mix(std::hash<std::string_view>{}(s));
        // The length ends the text: "ab","c" and "a","bc" differ.
        Mix(s.size());
    }
    void Add(int64_t v) { Mix(static_cast<uint64_t>(v)); }
};

}  // namespace

uint64_t TableDigest(const TRecordTable& table, const TDevice& device) {
    TDigest d;
    d.Add(device.Name);
    d.Add(static_cast<int64_t>(device.RecordCount));
    d.Add(static_cast<int64_t>(device.UsedCount));
    d.Add(static_cast<int64_t>(table.size()));
    for (const TData& r : table) {
        d.Add(static_cast<int64_t>(r.Position) * 2 + (r.Empty ? 1 : 0));
        d.Add(static_cast<int64_t>(r.UserID));
        for (const std::string* s :
             {&r.Raw, &r.Serial, &r.Button, &r.Output, &r.Channels, &r.Time, &r.Extra, &r.User1,
              &r.User2, &r.User3, &r.User4, &r.TxType, &r.CodePrefix})
            d.Add(*s);
    }
    return d.h;
}

void TRecordHistory::Reset(bool saved, bool matchesReceiver) {
    ++revision_;
    steps_.clear();
    at_ = 0;
    saved_ = saved ? 0 : -1;
    receiver_ = matchesReceiver ? 0 : -1;
}

bool TRecordHistory::Record(TRecordChange change) {
    if (change.Empty()) return false;
    ++revision_;
    // The undone steps cannot be redone after a new change; a mark among them is lost.
    steps_.erase(steps_.begin() + static_cast<long>(at_), steps_.end());
    if (saved_ > static_cast<long>(at_)) saved_ = -1;
    if (receiver_ > static_cast<long>(at_)) receiver_ = -1;
    steps_.push_back(std::move(change));
    ++at_;
    while (steps_.size() > maxSteps_) {
        // The oldest step is forgotten: its state can no longer be reached.
        steps_.pop_front();
        --at_;
        saved_ = saved_ > 0 ? saved_ - 1 : -1;
        receiver_ = receiver_ > 0 ? receiver_ - 1 : -1;
    }
    return true;
}

bool TRecordHistory::Apply(TRecordChange change, TRecordTable& table, TDevice& device) {
    if (change.Empty()) return false;
    ApplyChange(change, table, device, true);
    return Record(std::move(change));
}

std::vector<int> TRecordHistory::Undo(TRecordTable& table, TDevice& device) {
    if (!CanUndo()) return {};
    ++revision_;
    const TRecordChange& change = steps_[--at_];
    ApplyChange(change, table, device, false);
    return change.Positions();
}

std::vector<int> TRecordHistory::Redo(TRecordTable& table, TDevice& device) {
    if (!CanRedo()) return {};
    ++revision_;
    const TRecordChange& change = steps_[at_++];
    ApplyChange(change, table, device, true);
    return change.Positions();
}

}  // namespace ravlin
