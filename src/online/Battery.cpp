#include "online/Battery.h"

#include <algorithm>
#include <memory>

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
    TLowBatteryEntry user;
    user.Serial = serial;
    FillUserInfo(user, table);
    const TLogTime now = clock->Now();
    // What the report did to the entries that were written: the operation's last run
    // here (it runs once more after reading a file that another program changed).
    auto change = std::make_shared<TBatteryChange>(TBatteryChange::NotLogged);
    const int column = SortColumn;
    const bool up = SortUp;
    const TUserVisibility shown = userColumns;
    const bool ok = Apply([this, change, serial, low, now, user, column, up, shown] {
        *change = Report(serial, low, now, user);
        SortByColumn(column, up, shown, nullptr);
    });
    if (saved) *saved = ok;
    return *change;
}

TBatteryChange TBatteryLog::Report(const std::string& serial, bool low, TLogTime now,
                                   const TLogUser& user) {
    TBatteryChange change = TBatteryChange::NotLogged;
    TEntries& items = EditItems();
    // The last entry of a serial counts when a hand-edited file holds it twice.
    const int at = IndexOf(serial);
    TLowBatteryEntry* entry = at >= 0 ? &items[static_cast<size_t>(at)] : nullptr;
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
        if (items.size() >= TBatteryFormat::kMaxEntries) {
            // Full: the transmitter reported longest ago makes room.
            auto oldest =
                std::min_element(items.begin(), items.end(),
                                 [](const auto& a, const auto& b) { return a.Time < b.Time; });
            items.erase(oldest);
        }
        entry = &items.emplace_back();
        entry->Serial = serial;
        entry->State = TLowBatteryEntry::Low;
        entry->Time = now;
        change = TBatteryChange::Added;
    }
    if (entry) entry->FillFrom(static_cast<const TLogUser&>(user));
    return change;
}

int TBatteryLog::IndexOf(const std::string& serial) const {
    const TEntries& items = Items();
    for (size_t i = items.size(); i-- > 0;)
        if (items[i].Serial == serial) return static_cast<int>(i);
    return -1;
}

bool TBatteryLog::FieldOf(int column, TBatteryField& field) const {
    const auto columns = BatteryColumns(userColumns);
    if (column < 0 || static_cast<size_t>(column) >= columns.size()) return false;
    field = columns[static_cast<size_t>(column)];
    return true;
}

void TBatteryLog::SortByColumn(int column, bool ascending, const TUserVisibility& shown,
                               int* follow) {
    const auto columns = BatteryColumns(shown);
    if (column < 0 || static_cast<size_t>(column) >= columns.size()) return;
    const int followed =
        Reorder(columns[static_cast<size_t>(column)], ascending, follow ? *follow : -1);
    if (follow) *follow = followed;
}

bool TBatteryLog::Sort(int column, bool ascending, int* follow) {
    // The followed entry is found again by its serial in the list written.
    std::string followed;
    if (follow && *follow >= 0 && static_cast<size_t>(*follow) < Items().size())
        followed = Items()[static_cast<size_t>(*follow)].Serial;
    const TUserVisibility shown = userColumns;
    const bool ok = Apply(
        [this, column, ascending, shown] { SortByColumn(column, ascending, shown, nullptr); });
    if (follow) *follow = followed.empty() ? -1 : IndexOf(followed);
    return ok;
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
    return Apply([this, records = UserRecordsOf(table)] { RefreshUsers(*records); });
}

bool TBatteryLog::ClearSelected(const std::vector<int>& indexes) {
    // By serial: the file may hold the chosen transmitters at other places by now.
    std::vector<std::string> serials;
    for (int i : indexes)
        if (i >= 0 && static_cast<size_t>(i) < Items().size())
            serials.push_back(Items()[static_cast<size_t>(i)].Serial);
    std::sort(serials.begin(), serials.end());
    return Apply([this, serials = std::move(serials)] {
        RemoveIf([&](const TLowBatteryEntry& e) {
            return std::binary_search(serials.begin(), serials.end(), e.Serial);
        });
    });
}

bool TBatteryLog::ClearChanged() {
    return Apply([this] {
        RemoveIf([](const TLowBatteryEntry& e) { return e.State != TLowBatteryEntry::Low; });
    });
}

bool TBatteryLog::ClearAll() {
    return Apply([this] { RemoveIf([](const TLowBatteryEntry&) { return true; }); });
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
