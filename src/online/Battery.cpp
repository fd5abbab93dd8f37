#include "online/Battery.h"

#include <algorithm>
#include <numeric>

#include "base/AtomicFile.h"
#include "records/ButtonCodes.h"

namespace ravlin {
namespace {

int UserIndex(TBatteryField field) {
    return static_cast<int>(field) - static_cast<int>(TBatteryField::UserNumber);
}

template <class T>
int Cmp(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CmpText(const std::string& a, const std::string& b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

std::vector<TBatteryField> BatteryColumns(const TUserVisibility& visible) {
    std::vector<TBatteryField> columns = {TBatteryField::Serial, TBatteryField::State, TBatteryField::Time};
    for (int i = 0; i < 5; ++i)
        if (visible[static_cast<size_t>(i)])
            columns.push_back(
                static_cast<TBatteryField>(static_cast<int>(TBatteryField::UserNumber) + i));
    return columns;
}

std::string BatteryTitle(TBatteryField field, const TTextTable& texts, const TUserFieldTitles& titles) {
    switch (field) {
        case TBatteryField::Serial:
            return TextAt(texts, Text::SerialColumn);
        case TBatteryField::State:
            return TextAt(texts, Text::BatteryColumn);
        case TBatteryField::Time:
            return TextAt(texts, Text::BatteryTimeColumn);
        default:
            return titles[static_cast<size_t>(UserIndex(field))];
    }
}

std::string BatteryCell(const TLowBatteryEntry& entry, TBatteryField field, const TTextTable& texts) {
    switch (field) {
        case TBatteryField::Serial:
            return entry.Serial;
        case TBatteryField::State:
            return TextAt(texts, entry.State == TLowBatteryEntry::Low ? Text::BatteryLow
                                                                      : Text::BatteryChanged);
        case TBatteryField::Time:
            return entry.Time == kNoTime ? entry.TimeText : FormatLogTime(entry.Time);
        case TBatteryField::UserNumber:
            return std::to_string(entry.UserNumber);
        default:
            return entry.User[static_cast<size_t>(UserIndex(field)) - 1];
    }
}

TCellColour BatteryCellColour(const TLowBatteryEntry& entry, TBatteryField field, const TTextTable& texts) {
    if (field != TBatteryField::State) return TCellColour::Default;
    return BatteryCell(entry, field, texts) == TextAt(texts, Text::BatteryLow) ? TCellColour::Red
                                                                               : TCellColour::Green;
}

int CompareBattery(const TLowBatteryEntry& a, const TLowBatteryEntry& b, TBatteryField field) {
    switch (field) {
        case TBatteryField::Serial:
            return CmpText(a.Serial, b.Serial);
        case TBatteryField::State:
            return Cmp(a.State, b.State);
        case TBatteryField::Time:
            return Cmp(a.Time, b.Time);
        case TBatteryField::UserNumber:
            return Cmp(a.UserNumber, b.UserNumber);
        default: {
            const size_t i = static_cast<size_t>(UserIndex(field)) - 1;
            return CmpText(a.User[i], b.User[i]);
        }
    }
}

TBatteryLog::TBatteryLog(std::string fileName, const TTextTable& texts, TUserInterface& ui)
    : clock(NowLocal), fileName_(std::move(fileName)), texts_(texts), ui_(ui) {}

void TBatteryLog::AppendLine(std::string& out, const TLowBatteryEntry& e) {
    AppendField(out, e.Serial);
    AppendNumber(out, e.State);
    out += '#';
    if (e.Time == kNoTime)
        AppendField(out, e.TimeText);
    else {
        AppendLogTime(out, e.Time);
        out += '#';
    }
    AppendNumber(out, e.UserNumber);
    out += '#';
    for (const auto& u : e.User) AppendField(out, u);
    out += "\r\n";
}

std::string TBatteryLog::FormatText(const std::vector<TLowBatteryEntry>& items) {
    std::string out;
    out.reserve(items.size() * 64);
    for (const auto& e : items) AppendLine(out, e);
    return out;
}

void TBatteryLog::ParseText(std::string_view text, std::vector<TLowBatteryEntry>& out) {
    std::vector<std::string_view> f;
    ForEachLine(text, [&](std::string_view line) {
        SplitFields(line, f);
        TLowBatteryEntry& e = out.emplace_back();
        if (f.size() > 0) e.Serial = f[0];
        if (f.size() > 1) e.State = DecimalOr0(f[1]);
        if (f.size() > 2 && !ParseLogTime(f[2], e.Time)) {
            e.Time = kNoTime;
            e.TimeText = f[2];
        }
        if (f.size() > 3) e.UserNumber = DecimalOr0(f[3]);
        for (size_t i = 0; i < 4 && 4 + i < f.size(); ++i) e.User[i] = f[4 + i];
    });
}

bool TBatteryLog::Load() {
    Items.clear();
    unsaved_ = false;
    stamp_ = TFileStamp::Of(fileName_);
    std::string text;
    if (ReadWholeFile(fileName_, text) != 0) return false;
    ParseText(text, Items);
    return true;
}

bool TBatteryLog::Save() {
    if (!WriteLogFile(fileName_, FormatText(Items), texts_, ui_)) {
        unsaved_ = true;
        return false;
    }
    unsaved_ = false;
    stamp_ = TFileStamp::Of(fileName_);
    return true;
}

void TBatteryLog::ReloadIfReplaced() {
    if (!unsaved_ && !(TFileStamp::Of(fileName_) == stamp_)) Load();
}

void TBatteryLog::FillUserInfo(TLowBatteryEntry& entry, const TRecordTable& table) {
    const std::string key = SerialKey(entry.Serial);
    for (const TData& record : table)
        if (!record.Empty && record.Serial == key) entry.FillFrom(record);
}

TBatteryChange TBatteryLog::Update(const std::string& serial, bool low, const TRecordTable& table,
                          bool* saved) {
    if (saved) *saved = true;
    if (IsInputTransmitter(serial)) return TBatteryChange::Ignored;
    ReloadIfReplaced();
    TBatteryChange change = TBatteryChange::NotLogged;
    TLowBatteryEntry* entry = nullptr;
    for (auto it = Items.rbegin(); it != Items.rend(); ++it)
        if (it->Serial == serial) {
            entry = &*it;
            break;
        }
    const TLogTime now = clock ? clock() : NowLocal();
    if (entry) {
        entry->Time = now;
        entry->TimeText.clear();
        change = TBatteryChange::Reported;
        if (entry->State == TLowBatteryEntry::Low && !low) {
            entry->State = TLowBatteryEntry::Changed;
            change = TBatteryChange::BecameChanged;
        } else if (entry->State == TLowBatteryEntry::Changed && low) {
            entry->State = TLowBatteryEntry::Low;
            change = TBatteryChange::BecameLow;
        }
    } else if (low) {
        entry = &Items.emplace_back();
        entry->Serial = serial;
        entry->State = TLowBatteryEntry::Low;
        entry->Time = now;
        change = TBatteryChange::Added;
    }
    if (entry) FillUserInfo(*entry, table);
    const bool ok = Sort(SortColumn, SortUp);
    if (saved) *saved = ok;
    return change;
}

bool TBatteryLog::FieldOf(int column, TBatteryField& field) const {
    const auto columns = BatteryColumns(userColumns);
    if (column < 0 || static_cast<size_t>(column) >= columns.size()) return false;
    field = columns[static_cast<size_t>(column)];
    return true;
}

bool TBatteryLog::Sort(int column, bool ascending, int* follow) {
    TBatteryField field;
    if (FieldOf(column, field)) {
        std::vector<int> order(Items.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int c =
                CompareBattery(Items[static_cast<size_t>(a)], Items[static_cast<size_t>(b)], field);
            return ascending ? c < 0 : c > 0;
        });
        std::vector<TLowBatteryEntry> sorted;
        sorted.reserve(Items.size());
        int followed = -1;
        for (size_t i = 0; i < order.size(); ++i) {
            if (follow && order[i] == *follow) followed = static_cast<int>(i);
            sorted.push_back(std::move(Items[static_cast<size_t>(order[i])]));
        }
        Items = std::move(sorted);
        if (follow) *follow = followed;
    }
    return Save();
}

bool TBatteryLog::PressHeader(int column, int* follow) {
    if (column == SortColumn) {
        SortUp = !SortUp;
    } else {
        SortColumn = column;
        SortUp = true;
    }
    return Sort(SortColumn, SortUp, follow);
}

bool TBatteryLog::RefreshUserInfo(const TRecordTable& table) {
    const TSerialIndex index(table);
    for (auto& e : Items) {
        e.Clear();
        for (int i : index.Find(SerialKey(e.Serial))) e.FillFrom(table[static_cast<size_t>(i)]);
    }
    return Save();
}

bool TBatteryLog::ClearSelected(const std::vector<int>& indexes) {
    std::vector<bool> remove(Items.size(), false);
    for (int i : indexes)
        if (i >= 0 && static_cast<size_t>(i) < Items.size()) remove[static_cast<size_t>(i)] = true;
    size_t out = 0;
    for (size_t i = 0; i < Items.size(); ++i)
        if (!remove[i]) {
            if (out != i) Items[out] = std::move(Items[i]);
            ++out;
        }
    Items.resize(out);
    return Save();
}

bool TBatteryLog::ClearChanged() {
    std::erase_if(Items, [](const TLowBatteryEntry& e) { return e.State != TLowBatteryEntry::Low; });
    return Save();
}

bool TBatteryLog::ClearAll() {
    Items.clear();
    return Save();
}

bool TBatteryLog::ClearButton(TClearBoxes& boxes, const std::vector<int>& selected) {
    bool ok = true;
    switch (boxes.Choice()) {
        case TClearBoxes::Selected:
            ok = ClearSelected(selected);
            break;
        case TClearBoxes::Changed:
            ok = ClearChanged();
            break;
        case TClearBoxes::All:
            ok = ClearAll();
            break;
        default:
            break;
    }
    boxes.checked = {};
    return ok;
}

}  // namespace ravlin
