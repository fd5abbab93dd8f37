#pragma once
// THistory: the reception history of on-line mode, newest first, kept in History.dat in
// the home folder and rewritten after every addition. The history page shows it through
// HistoryColumns / HistoryTitle / HistoryCell.
//
// File: one line per record, in list order, each ended by CR LF:
//   Serial#Button#Time#LowBatt#UserNumber#User1#User2#User3#User4#
// Time "dd.MM.yyyy hh:mm:ss" (midnight: the date alone), LowBatt "1" or "0". Nothing is
// escaped. A line whose time cannot be read keeps its time text as read. Loading does not
// trim the list to its length.
//
// At most 99 999 records and 32 MiB are read: beyond them the first records (the newest)
// are kept, as a shorter length would keep them.
//
// Messages: 80 + " - " + file name when the file cannot be written; the list in memory
// keeps its records and is written again at the next change.
//
// Not thread-safe: one thread at a time (the window thread, or the poll while the window
// waits for it).

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/UserInterface.h"
#include "online/LogList.h"
#include "records/Data.h"

namespace ravlin {

struct THistoryRec : TLogEntry {
    std::string Button;  // the button digit, or the input code text of an "A" serial
    bool LowBatt = false;
};

// Newest first. A deque: every reception goes to the front and the oldest leaves the back.
using THistoryList = std::deque<THistoryRec>;

// The line format of History.dat (see above).
struct THistoryFormat {
    using Entry = THistoryRec;
    using Entries = THistoryList;
    static constexpr TLogLimits kLimits{32u << 20, 99999, true};
    static void AppendLine(std::string& out, const THistoryRec& rec);
    static void ReadLine(const std::vector<std::string_view>& fields, THistoryRec& rec);
    // A record lends its user information when its button matches the received one.
    static bool UserMatches(const THistoryRec& rec, const TData& record);
    static int64_t BatteryKey(const THistoryRec& rec) { return rec.LowBatt ? 1 : 0; }
    static const std::string& ButtonText(const THistoryRec& rec) { return rec.Button; }
};

// A column of the history page.
using THistoryField = TLogField;

// Columns of the history page: Serial, Button, Time, Battery, then the visible user
// fields in the order user number, User 1 .. User 4.
std::vector<THistoryField> HistoryColumns(const TUserVisibility& visible);
// Header: 28, 29, 216, 169, the user field titles.
std::string HistoryTitle(THistoryField field, const TTextTable& texts,
                         const TUserFieldTitles& titles);
// Cell text: the time as in the file, the battery as Text::BatteryLow or Text::BatteryOk, the user
// number in decimal.
std::string HistoryCell(const THistoryRec& rec, THistoryField field, const TTextTable& texts);
// The battery column is red while it reads Text::BatteryLow; other cells have the default colour.
TCellColour HistoryCellColour(const THistoryRec& rec, THistoryField field, const TTextTable& texts);
// A field's sort order: -1, 0, 1.
int CompareHistory(const THistoryRec& a, const THistoryRec& b, THistoryField field);

class THistory : public TLogList<THistoryFormat> {
  public:
    static constexpr const char* kFileName = "History.dat";
    static constexpr int kMaxLength = 99999;
    static constexpr int kDefaultLength = 100;

    // `fileName`: the full path of History.dat.
    THistory(std::string fileName, const TTextTable& texts, TUserInterface& ui);

    // The clock of Add (local time now); tests set their own. Never nullptr.
    const TLogClock* clock = &LocalClock();

    // Setting HistoryLength, 1..99 999 (values outside are clamped).
    void SetLength(int length);
    int Length() const { return length_; }

    // A new reception at position 0 of the file's current records, the oldest dropped
    // when the list is full; its user information from `table`. False when the file could
    // not be written (the reception stays in the list and is written with the next change).
    bool Add(const std::string& serial, const std::string& digit, bool low,
             const TRecordTable& table);
    // Drops the records beyond the first Length(); the file follows at the next write.
    void Trim();
    // Drops the file's records beyond the first Length() and writes it at once.
    bool TrimFile();
    // Empties the file (80 on failure, the list unchanged).
    bool Clear();
    // User information of the file's records afresh from `table`.
    bool RefreshUserInfo(const TRecordTable& table);
    // The history page is shown: the list comes from the file again. After a failed
    // write the list holds receptions the file lacks: it is written first and kept when
    // that fails again.
    bool Reload();

    // Stable sort of the list by `field`; equal keys keep their order in both directions.
    // Returns the new index of the record that was at `follow` (-1: none). The order is
    // written with the next change.
    int Sort(THistoryField field, bool ascending, int follow = -1);

  private:
    int length_ = kDefaultLength;
};

}  // namespace ravlin
