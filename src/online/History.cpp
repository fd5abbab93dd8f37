#include "online/History.h"

#include <algorithm>
#include <numeric>

#include "base/AtomicFile.h"
#include "records/ButtonCodes.h"

namespace ravlin {
namespace {

const std::string& Text(const PopisType& texts, int id) {
    static const std::string kNone;
    return id >= 0 && static_cast<size_t>(id) < texts.size() ? texts[static_cast<size_t>(id)]
                                                             : kNone;
}

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

std::vector<THistoryField> HistoryColumns(const TUserVisibility& visible) {
    std::vector<THistoryField> columns = {THistoryField::Serial, THistoryField::Button,
                                          THistoryField::Time, THistoryField::Battery};
    for (int i = 0; i < 5; ++i)
        if (visible[static_cast<size_t>(i)])
            columns.push_back(
                static_cast<THistoryField>(static_cast<int>(THistoryField::UserNumber) + i));
    return columns;
}

std::string HistoryTitle(THistoryField field, const PopisType& texts,
                         const TUserFieldTitles& titles) {
    switch (field) {
        case THistoryField::Serial:
            return Text(texts, 28);
        case THistoryField::Button:
            return Text(texts, 29);
        case THistoryField::Time:
            return Text(texts, 216);
        case THistoryField::Battery:
            return Text(texts, 169);
        default:
            return titles[static_cast<size_t>(UserIndex(field))];
    }
}

std::string HistoryCell(const THistoryRec& rec, THistoryField field, const PopisType& texts) {
    switch (field) {
        case THistoryField::Serial:
            return rec.Serial;
        case THistoryField::Button:
            return rec.Button;
        case THistoryField::Time:
            return rec.Time == kNoTime ? rec.TimeText : FormatLogTime(rec.Time);
        case THistoryField::Battery:
            return Text(texts, rec.LowBatt ? 204 : 217);
        case THistoryField::UserNumber:
            return std::to_string(rec.UserNumber);
        default:
            return rec.User[static_cast<size_t>(UserIndex(field)) - 1];
    }
}

bool HistoryCellRed(const THistoryRec& rec, THistoryField field, const PopisType& texts) {
    return field == THistoryField::Battery && HistoryCell(rec, field, texts) == Text(texts, 204);
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

THistory::THistory(std::string fileName, const PopisType& texts, TUserInterface& ui)
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

std::string THistory::FormatText(const std::vector<THistoryRec>& items) {
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

void THistory::ParseText(std::string_view text, std::vector<THistoryRec>& out) {
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
    Items.clear();
    unsaved_ = false;
    stamp_ = TFileStamp::Of(fileName_);
    std::string text;
    if (ReadWholeFile(fileName_, text) != 0) return false;
    ParseText(text, Items);
    return true;
}

bool THistory::Save() {
    if (!WriteLogFile(fileName_, FormatText(Items), texts_, ui_)) {
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
    const bool full = static_cast<int>(Items.size()) >= length_;
    Items.insert(Items.begin(), std::move(rec));
    if (full) Items.pop_back();
    return Save();
}

void THistory::Trim() {
    if (static_cast<int>(Items.size()) > length_) Items.resize(static_cast<size_t>(length_));
}

bool THistory::Clear() {
    if (!WriteLogFile(fileName_, {}, texts_, ui_)) return false;
    Load();
    return true;
}

bool THistory::RefreshUserInfo(const TRecordTable& table) {
    const TSerialIndex index(table);
    for (auto& rec : Items) {
        rec.Clear();
        for (int i : index.Find(SerialKey(rec.Serial))) {
            const TData& record = table[static_cast<size_t>(i)];
            if (HistoryButtonMatch(rec.Button, record.Button)) rec.FillFrom(record);
        }
    }
    return Save();
}

bool THistory::Reload() {
    if (unsaved_ && !Save()) return false;
    return Load();
}

int THistory::Sort(THistoryField field, bool ascending, int follow) {
    std::vector<int> order(Items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c =
            CompareHistory(Items[static_cast<size_t>(a)], Items[static_cast<size_t>(b)], field);
        return ascending ? c < 0 : c > 0;
    });
    std::vector<THistoryRec> sorted;
    sorted.reserve(Items.size());
    int followed = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == follow) followed = static_cast<int>(i);
        sorted.push_back(std::move(Items[static_cast<size_t>(order[i])]));
    }
    Items = std::move(sorted);
    return followed;
}

}  // namespace ravlin
