#include "online/Battery.h"

#include <algorithm>

#include "records/ButtonCodes.h"

namespace ravlin {

void TBatteryFormat::AppendLine(std::string& out, const TLowBatteryEntry& e) {
    AppendField(out, e.Serial);
    AppendNumber(out, e.State);
    out += '#';
    AppendTimeField(out, e);
    AppendUserFields(out, e);
    out += "\r\n";
}

void TBatteryFormat::ReadLine(const std::vector<std::string_view>& f, TLowBatteryEntry& e) {
    if (f.size() > 0) e.Serial = f[0];
    if (f.size() > 1) e.State = DecimalOr0(f[1]);
    if (f.size() > 2) ReadTimeField(f[2], e);
    ReadUserFields(f, 3, e);
}

const std::string& TBatteryFormat::ButtonText(const TLowBatteryEntry&) {
    static const std::string kNone;  // the log keeps no button
    return kNone;
}

std::vector<TBatteryField> BatteryColumns(const TUserVisibility& visible) {
    return LogColumns({TLogField::Serial, TLogField::Battery, TLogField::Time}, visible);
}

std::string BatteryTitle(TBatteryField field, const TTextTable& texts,
                         const TUserFieldTitles& titles) {
    return LogTitle(field, texts, titles, Text::BatteryTimeColumn);
}

std::string BatteryCell(const TLowBatteryEntry& entry, TBatteryField field,
                        const TTextTable& texts) {
    if (field == TLogField::Battery)
        return TextAt(
            texts, entry.State == TLowBatteryEntry::Low ? Text::BatteryLow : Text::BatteryChanged);
    return CommonCell(entry, field);
}

TCellColour BatteryCellColour(const TLowBatteryEntry& entry, TBatteryField field,
                              const TTextTable& texts) {
    if (field != TLogField::Battery) return TCellColour::Default;
    return BatteryCell(entry, field, texts) == TextAt(texts, Text::BatteryLow) ? TCellColour::Red
                                                                               : TCellColour::Green;
}

int CompareBattery(const TLowBatteryEntry& a, const TLowBatteryEntry& b, TBatteryField field) {
    return CompareLogEntries<TBatteryFormat>(a, b, field);
}

TBatteryLog::TBatteryLog(std::string fileName, const TTextTable& texts, TUserInterface& ui)
    : TLogList(std::move(fileName), texts, ui) {}

TBatteryChange TBatteryLog::Update(const std::string& serial, bool low, const TRecordTable& table,
                                   bool* saved) {
    if (saved) *saved = true;
    if (IsInputTransmitter(serial)) return TBatteryChange::Ignored;
    TBatteryChange change = TBatteryChange::NotLogged;
    const bool ok = Apply(TRereadFile::IfReplaced, [&] {
        change = Report(serial, low, table);
        SortByColumn(SortColumn, SortUp, nullptr);
    });
    if (saved) *saved = ok;
    return change;
}

TBatteryChange TBatteryLog::Report(const std::string& serial, bool low, const TRecordTable& table) {
    TBatteryChange change = TBatteryChange::NotLogged;
    TEntries& items = EditItems();
    // The last entry of a serial counts when a hand-edited file holds it twice.
    TLowBatteryEntry* entry = nullptr;
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        if (it->Serial == serial) {
            entry = &*it;
            break;
        }
    const TLogTime now = clock->Now();
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
        entry = &items.emplace_back();
        entry->Serial = serial;
        entry->State = TLowBatteryEntry::Low;
        entry->Time = now;
        change = TBatteryChange::Added;
    }
    if (entry) FillUserInfo(*entry, table);
    return change;
}

bool TBatteryLog::FieldOf(int column, TBatteryField& field) const {
    const auto columns = BatteryColumns(userColumns);
    if (column < 0 || static_cast<size_t>(column) >= columns.size()) return false;
    field = columns[static_cast<size_t>(column)];
    return true;
}

void TBatteryLog::SortByColumn(int column, bool ascending, int* follow) {
    TBatteryField field;
    if (!FieldOf(column, field)) return;
    const int followed = Reorder(field, ascending, follow ? *follow : -1);
    if (follow) *follow = followed;
}

bool TBatteryLog::Sort(int column, bool ascending, int* follow) {
    return Apply(TRereadFile::No, [&] { SortByColumn(column, ascending, follow); });
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
    return Apply(TRereadFile::No, [&] { RefreshUsers(table); });
}

bool TBatteryLog::ClearSelected(const std::vector<int>& indexes) {
    return Apply(TRereadFile::No, [&] {
        TEntries& items = EditItems();
        std::vector<bool> remove(items.size(), false);
        for (int i : indexes)
            if (i >= 0 && static_cast<size_t>(i) < items.size())
                remove[static_cast<size_t>(i)] = true;
        size_t out = 0;
        for (size_t i = 0; i < items.size(); ++i)
            if (!remove[i]) {
                if (out != i) items[out] = std::move(items[i]);
                ++out;
            }
        items.resize(out);
    });
}

bool TBatteryLog::ClearChanged() {
    return Apply(TRereadFile::No, [&] {
        std::erase_if(EditItems(),
                      [](const TLowBatteryEntry& e) { return e.State != TLowBatteryEntry::Low; });
    });
}

bool TBatteryLog::ClearAll() {
    return Apply(TRereadFile::No, [&] { EditItems().clear(); });
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
