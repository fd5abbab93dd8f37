#pragma once
// THistory: the reception history of on-line mode, newest first, kept in History.dat in
// the home folder and rewritten after every addition. The history page shows it through
// HistoryColumns / HistoryTitle / HistoryCell.
//
// File: one line per record, in list order, each ended by CR LF:
//   Serial#Button#Time#LowBatt#UserNumber#User1#User2#User3#User4#
// Time "dd.MM.yyyy hh:mm:ss" (midnight: the date alone), LowBatt "1" or "0". Nothing is
// escaped. A line whose time cannot be read keeps its time text as read.
//
// Messages: Text::CannotOpen + " - " + file name when the file cannot be written; the list
// in memory keeps its records and is written again at the next change.
//
// Not thread-safe: one thread at a time (the window thread, or the poll while the window
// waits for it).

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/UserInterface.h"
#include "online/LogFile.h"
#include "online/LogTime.h"
#include "records/Data.h"

namespace ravlin {

struct THistoryRec : TLogUser {
    std::string Serial;  // the 7-digit serial as received
    std::string Button;  // the button digit, or the input code text of an "A" serial
    bool LowBatt = false;
    TLogTime Time = kNoTime;
    std::string TimeText;  // the time field as read when it was not a time
};

// Newest first. A deque: every reception goes to the front and the oldest leaves the back.
using THistoryList = std::deque<THistoryRec>;

// Which user fields the File view shows for the current receiver layout (user number,
// User 1 .. User 4): the history and battery pages show the same ones.
using TUserVisibility = std::array<bool, 5>;
inline constexpr TUserVisibility kAllUserFields = {true, true, true, true, true};
// Titles of the user number and User 1 .. User 4 (settings UserID, User1 .. User4).
using TUserFieldTitles = std::array<std::string, 5>;

enum class THistoryField { Serial, Button, Time, Battery, UserNumber, User1, User2, User3, User4 };

// Columns of the history page: Serial, Button, Time, battery, then the visible user
// fields in the order user number, User 1 .. User 4.
std::vector<THistoryField> HistoryColumns(const TUserVisibility& visible);
// Header: SerialColumn, ButtonColumn, HistoryTimeColumn, BatteryColumn, the user field
// titles.
std::string HistoryTitle(THistoryField field, const TTextTable& texts,
                         const TUserFieldTitles& titles);
// Cell text: the time as in the file, the battery as Text::BatteryLow or BatteryOk, the user
// number in decimal.
std::string HistoryCell(const THistoryRec& rec, THistoryField field, const TTextTable& texts);
// The red cells: the battery column when it reads Text::BatteryLow.
bool HistoryCellRed(const THistoryRec& rec, THistoryField field, const TTextTable& texts);

class THistory {
  public:
    static constexpr const char* kFileName = "History.dat";
    static constexpr int kMaxLength = 99999;
    static constexpr int kDefaultLength = 100;

    // `fileName`: the full path of History.dat.
    THistory(std::string fileName, const TTextTable& texts, TUserInterface& ui);

    // The records, position 0 newest.
    const THistoryList& Items() const { return items_; }
    // For changes from outside (the page's own operations are below).
    THistoryList& EditItems() {
        textValid_ = false;
        return items_;
    }
    // The clock of Add (local time now); tests set their own.
    std::function<TLogTime()> clock;

    const std::string& FileName() const { return fileName_; }
    // Setting HistoryLength, 1..99 999 (values outside are clamped).
    void SetLength(int length);
    int Length() const { return length_; }

    // Reads the file; a missing or unreadable file gives an empty list (false). Does not
    // trim.
    bool Load();
    // Writes the file (CannotOpen on failure).
    bool Save();
    // A new reception at position 0, the oldest dropped when the list is full; its user
    // information from `table`; then Save. Another program's replacement of the file
    // since it was read here is read first, so its receptions are kept. False when the
    // file could not be written (the reception stays in the list).
    bool Add(const std::string& serial, const std::string& digit, bool low,
             const TRecordTable& table);
    // Drops the records beyond the first Length(); the file follows at the next write.
    void Trim();
    // Empties the file (CannotOpen on failure, the list unchanged) and loads it.
    bool Clear();
    // User information of every record afresh from `table`, then Save.
    bool RefreshUserInfo(const TRecordTable& table);
    // The history page is shown: the list comes from the file again. After a failed
    // write the list holds receptions the file lacks: it is written first and kept when
    // that fails again.
    bool Reload();
    // True after a failed write, until a write or a load succeeds.
    bool Unsaved() const { return unsaved_; }

    // Stable sort of the list by `field`; equal keys keep their order in both directions.
    // Returns the new index of the record that was at `follow` (-1: none).
    int Sort(THistoryField field, bool ascending, int follow = -1);

    // The user information of one record from the table (unset fields only).
    static void FillUserInfo(THistoryRec& rec, const TRecordTable& table);
    // File text of a list, and a list from file text (appended to `out`).
    static std::string FormatText(const THistoryList& items);
    static void ParseText(std::string_view text, THistoryList& out);
    static void AppendLine(std::string& out, const THistoryRec& rec);

  private:
    std::string fileName_;
    const TTextTable& texts_;
    TUserInterface& ui_;
    THistoryList items_;
    // The file text of items_ while textValid_: an addition puts one line in front
    // instead of formatting 99 999 records again.
    std::string text_;
    bool textValid_ = false;
    int length_ = kDefaultLength;
    bool unsaved_ = false;
    TFileStamp stamp_;  // the file as last read or written here
};

// Puts items[order[i]] at i for every i (`order` is a permutation; it is used up).
void ApplyOrder(THistoryList& items, std::vector<int>& order);
// A field's sort order: -1, 0, 1.
int CompareHistory(const THistoryRec& a, const THistoryRec& b, THistoryField field);

}  // namespace ravlin
