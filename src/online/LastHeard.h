#pragma once
// TLastHeard: when each transmitter code was last received with each button, kept in
// LastHeard.dat in the home folder and updated together with the history, however short
// the history is. It finds the transmitters that still open a door but have not been
// used for a long time (lost, or handed back and forgotten).
//
// File: the line "Ravlin last heard 1", then one line per transmitter code and button,
// ordered by serial key, code and button, each ended by CR LF:
//   Code#Button#Time#
// Code: the 7-digit transmitter code as received; Button: the received button digit;
// Time as in History.dat. Lines that cannot be read are dropped. A file with another
// first line is not read and never overwritten: writing it fails with WrongFormat + " - " +
// file name, shown once. Nor is a file of more than kMaxEntries entries or 16 MiB (a file
// this program wrote never has them).
//
// Every reception is one locked update of the file as it is then (LogFile.h); one that
// could not be written is written with the next.
//
// Not thread-safe: one thread at a time.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/UserInterface.h"
#include "online/LogFile.h"
#include "online/LogTime.h"
#include "records/Data.h"

namespace ravlin {

class TLastHeard {
  public:
    static constexpr const char* kFileName = "LastHeard.dat";
    static constexpr const char* kHeader = "Ravlin last heard 1";
    // A noisy site logging every transmitter could grow the file without end: beyond
    // this many codes and buttons the longest unheard are forgotten.
    static constexpr size_t kMaxEntries = 100000;

    struct TEntry {
        std::string code;    // 7 digits as received
        std::string button;  // the received digit
        TLogTime time = kNoTime;
    };

    TLastHeard(std::string fileName, const TTextTable& texts, TUserInterface& ui);

    const std::string& FileName() const { return file_.FileName(); }
    // Reads the file; missing, unreadable, refused or with another first line gives an
    // empty list.
    bool Load();
    // `code` was received with `button` at `time`, added to the file's entries. A code
    // that is not seven characters is not kept.
    bool Heard(const std::string& code, const std::string& button, TLogTime time);

    // The last time the record's transmitter was received with a button the record reacts
    // to: equal, or sharing a pressed button; any button of an input transmitter.
    // Nothing for an empty record or one never heard.
    std::optional<TLogTime> LastHeardOf(const TData& record) const;
    // Entries in file order.
    std::vector<TEntry> Entries() const;
    size_t Size() const { return entries_.size(); }
    // True after a failed write, until a later one wrote what it left.
    bool Unsaved() const { return !pending_.empty(); }

    std::string FormatText() const;
    // Replaces the list with the entries of `text`, at most `maxEntries` of them: NotOurs
    // without the first line, TooManyEntries when there are more.
    TLogTake ParseText(std::string_view text, size_t maxEntries = kMaxEntries);

  private:
    // serial key + code + "#" + button: one serial key's entries lie together.
    static std::string Key(const std::string& code, const std::string& button);
    // Puts one entry in (a later time wins), forgetting the oldest beyond kMaxEntries.
    void Put(const TEntry& e);
    // The file's text under the lock, the receptions still to be written on top.
    TLogTake Take(std::string_view text);

    TLogFile file_;
    std::map<std::string, TEntry> entries_;
    std::vector<TEntry> pending_;  // heard, not written yet
    std::string text_;             // what the last write wrote
};

// The text of the File view's "last heard" column for a record: the time as in the logs,
// "-" when never heard, empty for an empty record.
std::string LastHeardText(const TLastHeard& heard, const TData& record);
// Header of that column (no language text exists for it yet).
inline constexpr const char* kLastHeardTitle = "Last heard";

// Indexes of the records (not empty) that were never heard or not since `days` days
// before `now`, in table order.
std::vector<int> StaleRecords(const TRecordTable& table, const TLastHeard& heard, TLogTime now,
                              int days);

}  // namespace ravlin
