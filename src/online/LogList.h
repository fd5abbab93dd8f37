#pragma once
// TLogList: a log of on-line mode kept in a file of the home folder, one entry a line,
// that the history and the battery log specialise by their line format (TLogList<Format>).
// It reads the file, formats and parses its lines, sorts by a field and takes the entries'
// user information from the record table.
//
// Changes are operations, never snapshots: each one (a reception, a refresh of the user
// information, a clear by key, a sort) is applied under the file's lock to the entries the
// file holds at that moment (another program may have written it since it was read here),
// and the result is written and becomes the list shown. An operation whose write failed
// stays in the list and is applied again, to the file as it is then, with the next change.
// Some operations (the history's sort and trim) only wait for the next change to be
// written.
//
// A Format gives:
//   Entry, Entries                      the entry (a TLogEntry) and its container
//   AppendLine(out, entry)              the entry's line with its CR LF
//   ReadLine(fields, entry)             an entry from the "#"-ended fields of a line
//   UserMatches(entry, record)          whether a record of the entry's serial key lends it
//                                       its user information
//   BatteryKey(entry), ButtonText(entry)  the battery and button fields, for sorting
//   kLimits                             TLogLimits of the file
//
// Not thread-safe: one thread at a time.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/UserInterface.h"
#include "online/LogFile.h"
#include "online/LogTime.h"
#include "records/Data.h"

namespace ravlin {

// The most fields a line of the history or the battery log has.
inline constexpr size_t kLogLineFields = 9;

// What every entry of the history and the battery log holds besides its own fields.
struct TLogEntry : TLogUser {
    std::string Serial;       // the 7-digit serial as received
    TLogTime Time = kNoTime;  // the reception (history) or the last report (battery log)
    std::string TimeText;     // the time field as read when it was not a time
};

// The fields a log page shows and sorts by. The battery log has no button; its battery
// field is the entry's state.
enum class TLogField { Serial, Button, Time, Battery, UserNumber, User1, User2, User3, User4 };

// Which user fields the File view shows for the current receiver layout (user number,
// User 1 .. User 4): the history and battery pages show the same ones.
using TUserVisibility = std::array<bool, 5>;
inline constexpr TUserVisibility kAllUserFields = {true, true, true, true, true};
// Titles of the user number and User 1 .. User 4 (settings UserID, User1 .. User4).
using TUserFieldTitles = std::array<std::string, 5>;

// The colour of a cell of a log page.
enum class TCellColour { Default, Red, Green };

// `fixed`, then the visible user fields in the order user number, User 1 .. User 4.
std::vector<TLogField> LogColumns(std::vector<TLogField> fixed, const TUserVisibility& visible);
// Header: 28, 29, `timeText`, 169, the user field titles.
std::string LogTitle(TLogField field, const TTextTable& texts, const TUserFieldTitles& titles,
                     Text timeText);
// Cell text of a field every entry has: the serial, the time as in the file, the user
// number in decimal, the user texts; empty for the others.
std::string CommonCell(const TLogEntry& entry, TLogField field);

// The fields of a line every entry has.
void AppendTimeField(std::string& out, const TLogEntry& entry);
void ReadTimeField(std::string_view field, TLogEntry& entry);
// The user number and User 1 .. User 4, each with its "#"; read from fields[first] on.
void AppendUserFields(std::string& out, const TLogEntry& entry);
void ReadUserFields(const std::vector<std::string_view>& fields, size_t first, TLogEntry& entry);

// Sort keys: the time, battery and user number fields are numbers, the others texts
// compared by character codes.
inline bool IsNumberField(TLogField field) {
    return field == TLogField::Time || field == TLogField::Battery ||
           field == TLogField::UserNumber;
}
inline size_t UserTextIndex(TLogField field) {
    return static_cast<size_t>(static_cast<int>(field) - static_cast<int>(TLogField::User1));
}
template <class Format>
int64_t NumberKey(const typename Format::Entry& e, TLogField field) {
    switch (field) {
        case TLogField::Time:
            return e.Time;
        case TLogField::Battery:
            return Format::BatteryKey(e);
        default:
            return e.UserNumber;
    }
}
template <class Format>
const std::string& TextKey(const typename Format::Entry& e, TLogField field) {
    switch (field) {
        case TLogField::Serial:
            return e.Serial;
        case TLogField::Button:
            return Format::ButtonText(e);
        default:
            return e.User[UserTextIndex(field)];
    }
}
// A field's sort order of two entries: -1, 0, 1.
template <class Format>
int CompareLogEntries(const typename Format::Entry& a, const typename Format::Entry& b,
                      TLogField field) {
    if (IsNumberField(field)) {
        const int64_t x = NumberKey<Format>(a, field), y = NumberKey<Format>(b, field);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    const int c = TextKey<Format>(a, field).compare(TextKey<Format>(b, field));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The stable order of the entries by `field`: position i of the result is the index of
// the entry that goes there.
template <class Format>
std::vector<int> SortOrder(const typename Format::Entries& items, TLogField field, bool ascending);

// Puts items[order[i]] at i for every i (`order` is a permutation; it is used up).
template <class Entries>
void ApplyOrder(Entries& items, std::vector<int>& order) {
    // Cycle by cycle in place: an entry moves once, and no second list is built.
    for (size_t start = 0; start < order.size(); ++start) {
        if (order[start] < 0 || static_cast<size_t>(order[start]) == start) continue;
        auto held = std::move(items[start]);
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

// The user information of the records with a transmitter, kept by value: an operation
// that waits to be written may be applied again after the table has changed.
using TUserRecords = std::shared_ptr<const TRecordTable>;
TUserRecords UserRecordsOf(const TRecordTable& table);

template <class Format>
class TLogList {
  public:
    using TEntry = typename Format::Entry;
    using TEntries = typename Format::Entries;

    // `fileName`: the full path of the file.
    TLogList(std::string fileName, const TTextTable& texts, TUserInterface& ui)
        : file_(std::move(fileName), texts, ui, Format::kLimits) {}

    const std::string& FileName() const { return file_.FileName(); }
    // The entries in list order (the order of the file and the page).
    const TEntries& Items() const { return items_; }
    // The list without its file (tests, tools): the next write of a change writes what is
    // set here when the file has not changed since it was read.
    TEntries& EditItems() {
        textValid_ = false;
        return items_;
    }

    // Reads the file as it is now; changes still to be written are applied on top (an
    // order still to be written is not: the list is in the file's order again). A missing,
    // unreadable or refused file gives an empty list (false); a file beyond the limits of
    // a log that keeps its head gives its first entries.
    bool Load();
    // Replaces the file with the list as it stands (a list made on purpose: tests, tools).
    bool Save();
    // True after a failed write, until the changes it left are written.
    bool Unsaved() const { return failed_; }
    // Writes the changes a failed write left; true when none are left.
    bool WritePending();

    // The user information of one entry from the table (unset fields only).
    static void FillUserInfo(TEntry& entry, const TRecordTable& table);
    // File text of a list, and a list from file text (appended to `out`). Parsing stops
    // after `maxEntries` entries and says whether the text held more.
    static std::string FormatText(const TEntries& items);
    static bool ParseText(std::string_view text, TEntries& out,
                          size_t maxEntries = Format::kLimits.maxEntries);

  protected:
    using TOperation = std::function<void()>;
    // What becomes of an operation whose write failed.
    enum class TOnFailure {
        Keep,    // shown in the list, written with the next change
        Forget,  // the list is as it was before
    };
    // `op` (a change of items_) applied to the file's current entries under its lock,
    // then the file written; its result.
    bool Apply(TOperation op, TOnFailure onFailure = TOnFailure::Keep);
    // `op`, already applied to the list, is written with the next change; `order` for one
    // that only reorders.
    void Defer(TOperation op, bool order) { pending_.push_back({std::move(op), order}); }

    // The operations' steps.
    // `entry` first; the oldest entry goes when the list held `limit` or more. The file
    // text follows by one line instead of being formatted afresh.
    void AddFront(TEntry entry, size_t limit);
    // Every entry's user information afresh from `records`.
    void RefreshUsers(const TRecordTable& records);
    // Stable sort by `field`; equal keys keep their order in both directions. Returns the
    // new index of the entry that was at `follow` (-1: none).
    int Reorder(TLogField field, bool ascending, int follow);
    // Keeps the first `length` entries.
    void KeepFirst(size_t length);
    // Removes the entries `remove` says so of.
    template <class Pred>
    void RemoveIf(Pred&& remove) {
        std::erase_if(items_, remove);
        textValid_ = false;
    }

    TLogFile file_;

  private:
    // The file's text taken into the list (under the lock), the waiting operations on top.
    TLogTake Take(std::string_view text);
    std::string_view Text();

    TEntries items_;
    // The file text of items_ while textValid_: an addition puts one line in front
    // instead of formatting 99 999 entries again.
    std::string text_;
    bool textValid_ = false;
    // Operations the file does not hold yet, in order; `order` for a reorder only.
    struct TPending {
        TOperation op;
        bool order = false;
    };
    std::vector<TPending> pending_;
    bool failed_ = false;
};

// ---- definitions ----------------------------------------------------------------------

template <class Format>
std::vector<int> SortOrder(const typename Format::Entries& items, TLogField field, bool ascending) {
    // Keys taken out of the entries first: the comparisons then run over one compact
    // array instead of entries spread over the heap.
    auto orderBy = [ascending](auto& keys) {
        std::stable_sort(keys.begin(), keys.end(), [ascending](const auto& a, const auto& b) {
            return ascending ? a.first < b.first : b.first < a.first;
        });
        std::vector<int> order(keys.size());
        for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].second;
        return order;
    };
    const size_t n = items.size();
    if (IsNumberField(field)) {
        std::vector<std::pair<int64_t, int>> keys(n);
        for (size_t i = 0; i < n; ++i)
            keys[i] = {NumberKey<Format>(items[i], field), static_cast<int>(i)};
        return orderBy(keys);
    }
    // The texts side by side in one buffer; std::string_view compares bytes unsigned.
    std::string arena;
    std::vector<size_t> offsets(n + 1);
    for (size_t i = 0; i < n; ++i) {
        offsets[i] = arena.size();
        arena += TextKey<Format>(items[i], field);
    }
    offsets[n] = arena.size();
    std::vector<std::pair<std::string_view, int>> keys(n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = {std::string_view(arena).substr(offsets[i], offsets[i + 1] - offsets[i]),
                   static_cast<int>(i)};
    return orderBy(keys);
}

template <class Format>
bool TLogList<Format>::Load() {
    items_.clear();
    text_.clear();
    textValid_ = false;
    std::string text;
    const TLogRead read = file_.Read(text);
    bool ok = read == TLogRead::Read || read == TLogRead::Capped;
    if (ok && !ParseText(text, items_) && !Format::kLimits.keepHead) {
        items_.clear();
        file_.ReportTooMany();
        file_.Forget();
        ok = false;
    }
    std::erase_if(pending_, [](const TPending& p) { return p.order; });
    for (const TPending& p : pending_) p.op();
    return ok;
}

template <class Format>
TLogTake TLogList<Format>::Take(std::string_view text) {
    TEntries read;
    if (!ParseText(text, read) && !Format::kLimits.keepHead) return TLogTake::TooManyEntries;
    items_ = std::move(read);
    textValid_ = false;
    for (const TPending& p : pending_) p.op();
    return TLogTake::Fits;
}

template <class Format>
std::string_view TLogList<Format>::Text() {
    if (!textValid_) {
        text_ = FormatText(items_);
        textValid_ = true;
    }
    return text_;
}

template <class Format>
bool TLogList<Format>::Apply(TOperation op, TOnFailure onFailure) {
    TEntries before;
    if (onFailure == TOnFailure::Forget) before = items_;
    op();
    pending_.push_back({std::move(op), false});
    const bool written = file_.Update([this](std::string_view text) { return Take(text); },
                                      [this] { return Text(); });
    if (written) {
        pending_.clear();
        failed_ = false;
    } else if (onFailure == TOnFailure::Forget) {
        pending_.pop_back();
        items_ = std::move(before);
        textValid_ = false;
    } else {
        failed_ = true;
    }
    return written;
}

template <class Format>
bool TLogList<Format>::Save() {
    // The list as it stands becomes the file, whatever the file holds now.
    TEntries wanted = items_;
    return Apply([this, wanted = std::move(wanted)] {
        items_ = wanted;
        textValid_ = false;
    });
}

template <class Format>
bool TLogList<Format>::WritePending() {
    if (!failed_) return true;
    return Apply([] {});
}

template <class Format>
void TLogList<Format>::FillUserInfo(TEntry& entry, const TRecordTable& table) {
    const std::string key = SerialKey(entry.Serial);
    for (const TData& record : table)
        if (!record.Empty && record.Serial == key && Format::UserMatches(entry, record))
            entry.FillFrom(record);
}

template <class Format>
std::string TLogList<Format>::FormatText(const TEntries& items) {
    std::string out;
    size_t estimate = 0;
    for (const auto& e : items) {
        estimate += e.Serial.size() + e.TimeText.size() + 40;
        for (const auto& u : e.User) estimate += u.size();
    }
    out.reserve(estimate);
    for (const auto& e : items) Format::AppendLine(out, e);
    return out;
}

template <class Format>
bool TLogList<Format>::ParseText(std::string_view text, TEntries& out, size_t maxEntries) {
    std::vector<std::string_view> fields;
    size_t taken = 0;
    bool more = false;
    TLineReader reader(text);
    for (std::string_view line; reader.Next(line);) {
        if (line.empty()) continue;
        if (taken == maxEntries) {
            more = true;
            break;
        }
        SplitFields(line, fields, kLogLineFields);
        Format::ReadLine(fields, out.emplace_back());
        ++taken;
    }
    return !more;
}

template <class Format>
void TLogList<Format>::AddFront(TEntry entry, size_t limit) {
    bool full = items_.size() >= limit && !items_.empty();
    if (full) {
        // The entry that goes is the oldest by time, whatever order the list is sorted in
        // (of equal times the one nearest the end; a time that was not read counts oldest).
        auto oldest = items_.begin();
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (it->Time <= oldest->Time) oldest = it;
        if (std::next(oldest) != items_.end()) {
            items_.erase(oldest);
            textValid_ = false;
            full = false;
        }
    }
    if (textValid_) {
        std::string line;
        Format::AppendLine(line, entry);
        if (full) {
            // Lines hold no line feed of their own (AppendField), so the last one starts
            // after the second-last line feed.
            const size_t end =
                text_.size() >= 2 ? text_.rfind('\n', text_.size() - 2) : std::string::npos;
            text_.resize(end == std::string::npos ? 0 : end + 1);
        }
        text_.insert(0, line);
    }
    items_.push_front(std::move(entry));
    if (full) items_.pop_back();
}

template <class Format>
void TLogList<Format>::RefreshUsers(const TRecordTable& table) {
    // Records without a transmitter are left out of the index (TSerialIndex).
    const TSerialIndex index(table);
    for (auto& e : items_) {
        e.Clear();
        for (int i : index.Find(SerialKey(e.Serial))) {
            const TData& record = table[static_cast<size_t>(i)];
            if (Format::UserMatches(e, record)) e.FillFrom(record);
        }
    }
    textValid_ = false;
}

template <class Format>
void TLogList<Format>::KeepFirst(size_t length) {
    if (items_.size() <= length) return;
    items_.resize(length);
    textValid_ = false;
}

template <class Format>
int TLogList<Format>::Reorder(TLogField field, bool ascending, int follow) {
    std::vector<int> order = SortOrder<Format>(items_, field, ascending);
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
