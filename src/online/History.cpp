#include "online/History.h"

#include <algorithm>
#include <numeric>

#include "base/AtomicFile.h"
#include "records/ButtonCodes.h"

namespace ravlin {
namespace {

int UserIndex(THistoryField field) {
    return static_cast<int>(field) - static_cast<int>(THistoryField::UserNumber);
}

template <class T>
int Cmp(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// By character codes (std::string compares its bytes as unsigned char).
int CmpText(const std::string& a, const std::string& b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

void ApplyOrder(THistoryList& items, std::vector<int>& order) {
    // Cycle by cycle in place: a record moves once, and no second list is built.
    for (size_t start = 0; start < order.size(); ++start) {
        if (order[start] < 0 || static_cast<size_t>(order[start]) == start) continue;
        THistoryRec held = std::move(items[start]);
        size_t at = start;
        for (;;) {
            const size_t from = static_cast<size_t>(order[at]);
            order[at] = -1;
            if (from == start) {
                items[at] = std::move(held);
                break;
            }
            items[at] = std::move(items[from]);
            at = from;
        }
    }
}

std::vector<THistoryField> HistoryColumns(const TUserVisibility& visible) {
    std::vector<THistoryField> columns = {THistoryField::Serial, THistoryField::Button,
                                          THistoryField::Time, THistoryField::Battery};
    for (int i = 0; i < 5; ++i)
        if (visible[static_cast<size_t>(i)])
            columns.push_back(
                static_cast<THistoryField>(static_cast<int>(THistoryField::UserNumber) + i));
    return columns;
}

std::string HistoryTitle(THistoryField field, const TTextTable& texts,
                         const TUserFieldTitles& titles) {
    switch (field) {
        case THistoryField::Serial:
            return TextAt(texts, Text::SerialColumn);
        case THistoryField::Button:
            return TextAt(texts, Text::ButtonColumn);
        case THistoryField::Time:
            return TextAt(texts, Text::HistoryTimeColumn);
        case THistoryField::Battery:
            return TextAt(texts, Text::BatteryColumn);
        default:
            return titles[static_cast<size_t>(UserIndex(field))];
    }
}

std::string HistoryCell(const THistoryRec& rec, THistoryField field, const TTextTable& texts) {
    switch (field) {
        case THistoryField::Serial:
            return rec.Serial;
        case THistoryField::Button:
            return rec.Button;
        case THistoryField::Time:
            return rec.Time == kNoTime ? rec.TimeText : FormatLogTime(rec.Time);
        case THistoryField::Battery:
            return TextAt(texts, rec.LowBatt ? Text::BatteryLow : Text::BatteryOk);
        case THistoryField::UserNumber:
            return std::to_string(rec.UserNumber);
        default:
            return rec.User[static_cast<size_t>(UserIndex(field)) - 1];
    }
}

bool HistoryCellRed(const THistoryRec& rec, THistoryField field, const TTextTable& texts) {
    return field == THistoryField::Battery &&
           HistoryCell(rec, field, texts) == TextAt(texts, Text::BatteryLow);
}

int CompareHistory(const THistoryRec& a, const THistoryRec& b, THistoryField field) {
    switch (field) {
        case THistoryField::Serial:
            return CmpText(a.Serial, b.Serial);
        case THistoryField::Button:
            return CmpText(a.Button, b.Button);
        case THistoryField::Time:
            return Cmp(a.Time, b.Time);
        case THistoryField::Battery:
            return Cmp(a.LowBatt, b.LowBatt);
        case THistoryField::UserNumber:
            return Cmp(a.UserNumber, b.UserNumber);
        default: {
            const size_t i = static_cast<size_t>(UserIndex(field)) - 1;
            return CmpText(a.User[i], b.User[i]);
        }
    }
}

THistory::THistory(std::string fileName, const TTextTable& texts, TUserInterface& ui)
    : clock(NowLocal), fileName_(std::move(fileName)), texts_(texts), ui_(ui) {}

void THistory::SetLength(int length) {
    length_ = std::clamp(length, 1, kMaxLength);
}

void THistory::AppendLine(std::string& out, const THistoryRec& rec) {
    AppendField(out, rec.Serial);
    AppendField(out, rec.Button);
    if (rec.Time == kNoTime)
        AppendField(out, rec.TimeText);
    else {
        AppendLogTime(out, rec.Time);
        out += '#';
    }
    out += rec.LowBatt ? "1#" : "0#";
    AppendNumber(out, rec.UserNumber);
    out += '#';
    for (const auto& u : rec.User) AppendField(out, u);
    out += "\r\n";
}

std::string THistory::FormatText(const THistoryList& items) {
    std::string out;
    size_t estimate = 0;
    for (const auto& r : items) {
        estimate += r.Serial.size() + r.Button.size() + r.TimeText.size() + 40;
        for (const auto& u : r.User) estimate += u.size();
    }
    out.reserve(estimate);
    for (const auto& r : items) AppendLine(out, r);
    return out;
}

void THistory::ParseText(std::string_view text, THistoryList& out) {
    std::vector<std::string_view> f;
    ForEachLine(text, [&](std::string_view line) {
        SplitFields(line, f);
        THistoryRec& r = out.emplace_back();
        if (f.size() > 0) r.Serial = f[0];
        if (f.size() > 1) r.Button = f[1];
        if (f.size() > 2 && !ParseLogTime(f[2], r.Time)) {
            r.Time = kNoTime;
            r.TimeText = f[2];
        }
        if (f.size() > 3) r.LowBatt = f[3] == "1";
        if (f.size() > 4) r.UserNumber = DecimalOr0(f[4]);
        for (size_t i = 0; i < 4 && 5 + i < f.size(); ++i) r.User[i] = f[5 + i];
    });
}

bool THistory::Load() {
    items_.clear();
    text_.clear();
    textValid_ = false;
    unsaved_ = false;
    stamp_ = TFileStamp::Of(fileName_);
    std::string text;
    if (ReadWholeFile(fileName_, text) != 0) return false;
    ParseText(text, items_);
    return true;
}

bool THistory::Save() {
    if (!textValid_) {
        text_ = FormatText(items_);
        textValid_ = true;
    }
    if (!WriteLogFile(fileName_, text_, texts_, ui_)) {
        unsaved_ = true;
        return false;
    }
    unsaved_ = false;
    stamp_ = TFileStamp::Of(fileName_);
    return true;
}

void THistory::FillUserInfo(THistoryRec& rec, const TRecordTable& table) {
    const std::string key = SerialKey(rec.Serial);
    for (const TData& record : table)
        if (!record.Empty && record.Serial == key && HistoryButtonMatch(rec.Button, record.Button))
            rec.FillFrom(record);
}

bool THistory::Add(const std::string& serial, const std::string& digit, bool low,
                   const TRecordTable& table) {
    // Another instance or the command-line logger may have written the file meanwhile.
    if (!unsaved_ && !(TFileStamp::Of(fileName_) == stamp_)) Load();
    THistoryRec rec;
    rec.Time = clock ? clock() : NowLocal();
    rec.LowBatt = low;
    rec.Serial = serial;
    rec.Button = IsInputTransmitter(serial) ? InputCodeText(digit) : digit;
    FillUserInfo(rec, table);
    const bool full = static_cast<int>(items_.size()) >= length_;
    if (textValid_) {
        std::string line;
        AppendLine(line, rec);
        if (full) {
            // Lines hold no line feed of their own (AppendField), so the last one starts
            // after the second-last line feed.
            const size_t end =
                text_.size() >= 2 ? text_.rfind('\n', text_.size() - 2) : std::string::npos;
            text_.resize(end == std::string::npos ? 0 : end + 1);
        }
        text_.insert(0, line);
    }
    items_.push_front(std::move(rec));
    if (full) items_.pop_back();
    return Save();
}

void THistory::Trim() {
    if (static_cast<int>(items_.size()) > length_) {
        items_.resize(static_cast<size_t>(length_));
        textValid_ = false;
    }
}

bool THistory::Clear() {
    if (!WriteLogFile(fileName_, {}, texts_, ui_)) return false;
    Load();
    return true;
}

bool THistory::RefreshUserInfo(const TRecordTable& table) {
    const TSerialIndex index(table);
    for (auto& rec : items_) {
        rec.Clear();
        for (int i : index.Find(SerialKey(rec.Serial))) {
            const TData& record = table[static_cast<size_t>(i)];
            if (HistoryButtonMatch(rec.Button, record.Button)) rec.FillFrom(record);
        }
    }
    textValid_ = false;
    return Save();
}

bool THistory::Reload() {
    if (unsaved_ && !Save()) return false;
    return Load();
}

namespace {

// Stable order of the indexes by keys taken out of the records first: the comparisons
// then run over one compact array instead of records spread over the heap.
template <class Key>
std::vector<int> OrderBy(std::vector<std::pair<Key, int>>& keys, bool ascending) {
    std::stable_sort(keys.begin(), keys.end(), [ascending](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : b.first < a.first;
    });
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].second;
    return order;
}

const std::string& TextKey(const THistoryRec& r, THistoryField field) {
    switch (field) {
        case THistoryField::Serial:
            return r.Serial;
        case THistoryField::Button:
            return r.Button;
        default:
            return r.User[static_cast<size_t>(UserIndex(field)) - 1];
    }
}

}  // namespace

int THistory::Sort(THistoryField field, bool ascending, int follow) {
    const size_t n = items_.size();
    std::vector<int> order;
    if (field == THistoryField::Time || field == THistoryField::Battery ||
        field == THistoryField::UserNumber) {
        std::vector<std::pair<int64_t, int>> keys(n);
        for (size_t i = 0; i < n; ++i) {
            const THistoryRec& r = items_[i];
            const int64_t key = field == THistoryField::Time      ? r.Time
                                : field == THistoryField::Battery ? (r.LowBatt ? 1 : 0)
                                                                  : r.UserNumber;
            keys[i] = {key, static_cast<int>(i)};
        }
        order = OrderBy(keys, ascending);
    } else {
        // The texts side by side in one buffer; std::string_view compares bytes unsigned.
        std::string arena;
        std::vector<size_t> offsets(n + 1);
        for (size_t i = 0; i < n; ++i) {
            offsets[i] = arena.size();
            arena += TextKey(items_[i], field);
        }
        offsets[n] = arena.size();
        std::vector<std::pair<std::string_view, int>> keys(n);
        for (size_t i = 0; i < n; ++i)
            keys[i] = {std::string_view(arena).substr(offsets[i], offsets[i + 1] - offsets[i]),
                       static_cast<int>(i)};
        order = OrderBy(keys, ascending);
    }
    int followed = -1;
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == follow) followed = static_cast<int>(i);
    if (!std::is_sorted(order.begin(), order.end())) {
        ApplyOrder(items_, order);
        textValid_ = false;
    }
    return followed;
}

}  // namespace ravlin
