#pragma once
// TBatteryLog: the battery log. One entry per transmitter that reported a low battery in
// on-line mode; an entry turns "changed" when its transmitter reports a good battery
// again, and "low" again at a later low report. Kept in LowBatt.dat in the home folder,
// sorted by the saved sort column and rewritten after every report and every clear.
//
// File: one line per entry, in list order, each ended by CR LF:
//   Serial#State#Time#UserNumber#User1#User2#User3#User4#
// State 0 low, 1 changed; Time as in History.dat. Nothing is escaped.
//
// At most kMaxEntries entries (one per transmitter) and 32 MiB: beyond them the file is not
// read and never replaced (nobody's entries are lost); the log itself forgets the entry
// reported longest ago when a new transmitter would take it beyond kMaxEntries.
//
// Messages: Text::CannotOpen + " - " + file name when the file cannot be written; the list
// in memory keeps its state and is written again at the next change.
//
// Not thread-safe: one thread at a time.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/UserInterface.h"
#include "online/LogList.h"
#include "records/Data.h"

namespace ravlin {

struct TLowBatteryEntry : TLogEntry {
    enum { Low = 0, Changed = 1 };
    int32_t State = Low;
};

// The line format of LowBatt.dat (see above).
struct TBatteryFormat {
    using Entry = TLowBatteryEntry;
    using Entries = std::vector<TLowBatteryEntry>;
    static constexpr size_t kMaxEntries = 100000;
    static constexpr TLogLimits kLimits{32u << 20, kMaxEntries, false};
    static void AppendLine(std::string& out, const TLowBatteryEntry& entry);
    static void ReadLine(const std::vector<std::string_view>& fields, TLowBatteryEntry& entry);
    // Every record of the entry's serial key lends its user information.
    static bool UserMatches(const TLowBatteryEntry&, const TData&) { return true; }
    static int64_t BatteryKey(const TLowBatteryEntry& entry) { return entry.State; }
    static const std::string& ButtonText(const TLowBatteryEntry&);
};

// A column of the battery page; its Battery field is the entry's state.
using TBatteryField = TLogField;

// Columns of the battery page: Serial, state, Time, then the visible user fields.
std::vector<TBatteryField> BatteryColumns(const TUserVisibility& visible);
// Header: SerialColumn, BatteryColumn, BatteryTimeColumn, the user field titles.
std::string BatteryTitle(TBatteryField field, const TTextTable& texts,
                         const TUserFieldTitles& titles);
// Cell text: the state as Text::BatteryLow or BatteryChanged, the time as in the file.
std::string BatteryCell(const TLowBatteryEntry& entry, TBatteryField field,
                        const TTextTable& texts);
// The state column is red while it reads Text::BatteryLow and green otherwise; other cells have
// the default colour.
TCellColour BatteryCellColour(const TLowBatteryEntry& entry, TBatteryField field,
                              const TTextTable& texts);
int CompareBattery(const TLowBatteryEntry& a, const TLowBatteryEntry& b, TBatteryField field);

// What one report did to the log.
enum class TBatteryChange {
    Ignored,        // an input transmitter ("A" serial): nothing happens
    NotLogged,      // a good battery of a transmitter not in the log
    Added,          // first low report: a new entry, low
    BecameChanged,  // good after low
    BecameLow,      // low after changed
    Reported,       // same state again: only the time is new
};

// The three clear boxes of the battery page; checking one unchecks the other two.
struct TClearBoxes {
    enum { Selected = 0, Changed = 1, All = 2 };
    std::array<bool, 3> checked{};

    void Set(int box, bool on) {
        if (box < 0 || box > 2) return;
        if (on) checked = {};
        checked[static_cast<size_t>(box)] = on;
    }
    // The box that is checked, or -1.
    int Choice() const {
        for (int i = 0; i < 3; ++i)
            if (checked[static_cast<size_t>(i)]) return i;
        return -1;
    }
};

class TBatteryLog : public TLogList<TBatteryFormat> {  // original name: TBatt
  public:
    static constexpr const char* kFileName = "LowBatt.dat";

    // `fileName`: the full path of LowBatt.dat.
    TBatteryLog(std::string fileName, const TTextTable& texts, TUserInterface& ui);

    // Settings BatteryMonitorSortCol (a column of the page) and BatteryMonitorSortUp.
    int SortColumn = 0;
    bool SortUp = true;
    // The user fields the page shows: they decide which field a sort column means.
    TUserVisibility userColumns = kAllUserFields;
    // The clock of Update (local time now); tests set their own. Never nullptr.
    const TLogClock* clock = &LocalClock();

    // A report of on-line mode. Not ignored: the state and time of the file's entry for
    // the serial, its user information from `table`, then the log is sorted by the saved
    // column and written (also when nothing changed). `saved` (optional) tells whether
    // that write worked. The change returned is the one made to the entries written.
    TBatteryChange Update(const std::string& serial, bool low, const TRecordTable& table,
                          bool* saved = nullptr);
    // Sorts by the page's column `column` and writes the file; the new index of the entry
    // that was at `follow` is returned through it. A column the page does not have leaves
    // the order.
    bool Sort(int column, bool ascending, int* follow = nullptr);
    // A header press: that column becomes the sort column ascending, or its direction
    // flips; then Sort. The caller stores SortColumn and SortUp in the settings.
    bool PressHeader(int column, int* follow = nullptr);
    // The field shown in a column of the page, or false when there is no such column.
    bool FieldOf(int column, TBatteryField& field) const;
    // User information of the file's entries afresh from `table`.
    bool RefreshUserInfo(const TRecordTable& table);

    // Removes the transmitters of the given list indexes (the selected rows) from the
    // file's entries, by serial.
    bool ClearSelected(const std::vector<int>& indexes);
    // Removes every changed entry of the file.
    bool ClearChanged();
    // Empties the log.
    bool ClearAll();
    // The Clear button: the checked box's clear, then all boxes unchecked. True when
    // nothing was to be done or the file was written.
    bool ClearButton(TClearBoxes& boxes, const std::vector<int>& selected);

  private:
    // The report's change of the entries: its time and the user information the table
    // gives its serial.
    TBatteryChange Report(const std::string& serial, bool low, TLogTime now, const TLogUser& user);
    // Sorts by the page's column `column` when it has one.
    void SortByColumn(int column, bool ascending, const TUserVisibility& userColumns, int* follow);
    // The list index of the entry of `serial` (the last one), or -1.
    int IndexOf(const std::string& serial) const;
};

}  // namespace ravlin
