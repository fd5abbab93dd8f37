#pragma once
// TLogList: a log of on-line mode kept in a file of the home folder, one entry a line,
// that the history and the battery log specialise by their line format (TLogList<Format>).
// It reads and writes the file, formats and parses its lines, sorts by a field, takes the
// entries' user information from the record table, and applies each change to the
// entries of the file as it is now (another program may have replaced it since it was
// read here), then writes it.
//
// A Format gives:
//   Entry, Entries                      the entry (a TLogEntry) and its container
//   AppendLine(out, entry)              the entry's line with its CR LF
//   ReadLine(fields, entry)             an entry from the "#"-ended fields of a line
//   UserMatches(entry, record)          whether a record of the entry's serial key lends it
//                                       its user information
//   BatteryKey(entry), ButtonText(entry)  the battery and button fields, for sorting
//
// Not thread-safe: one thread at a time.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/UserInterface.h"
#include "online/LogFile.h"
#include "online/LogTime.h"
#include "records/Data.h"

namespace ravlin {

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

// Whether a change first reads the file again when another program has replaced it since
// this list read or wrote it (never while the list holds entries the file lacks).
enum class TRereadFile { IfReplaced, No };

template <class Format>
class TLogList {
  public:
    using TEntry = typename Format::Entry;
    using TEntries = typename Format::Entries;

    // `fileName`: the full path of the file.
    TLogList(std::string fileName, const TTextTable& texts, TUserInterface& ui)
        : file_(std::move(fileName), texts, ui) {}

    const std::string& FileName() const { return file_.FileName(); }
    // The entries in list order (the order of the file and the page).
    const TEntries& Items() const { return items_; }
    // For changes from outside: the file text is formatted afresh at the next write, so
    // the reference is not to be kept across one.
    TEntries& EditItems() {
        textValid_ = false;
        return items_;
    }

    // Reads the file; a missing or unreadable file gives an empty list (false).
    bool Load();
    // Writes the file (80 on failure: the list keeps its entries and Unsaved() is true).
    bool Save();
    // True after a failed write, until a write or a load succeeds.
    bool Unsaved() const { return file_.Unsaved(); }

    // The user information of one entry from the table (unset fields only).
    static void FillUserInfo(TEntry& entry, const TRecordTable& table);
    // File text of a list, and a list from file text (appended to `out`).
    static std::string FormatText(const TEntries& items);
    static void ParseText(std::string_view text, TEntries& out);

  protected:
    // `change()` on the entries, then the file written; its result.
    template <class Change>
    bool Apply(TRereadFile reread, Change&& change) {
        if (reread == TRereadFile::IfReplaced && file_.ReplacedElsewhere()) Load();
        change();
        return Save();
    }

    // The operations of a change.
    // `entry` first; the oldest entry goes when the list held `limit` or more. The file
    // text follows by one line instead of being formatted afresh.
    void AddFront(TEntry entry, size_t limit);
    // Every entry's user information afresh from `table`.
    void RefreshUsers(const TRecordTable& table);
    // Stable sort by `field`; equal keys keep their order in both directions. Returns the
    // new index of the entry that was at `follow` (-1: none).
    int Reorder(TLogField field, bool ascending, int follow);

    TLogFile file_;

  private:
    TEntries items_;
    // The file text of items_ while textValid_: an addition puts one line in front
    // instead of formatting 99 999 entries again.
    std::string text_;
    bool textValid_ = false;
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
    if (!file_.Read(text)) return false;
    ParseText(text, items_);
    return true;
}

template <class Format>
bool TLogList<Format>::Save() {
    if (!textValid_) {
        text_ = FormatText(items_);
        textValid_ = true;
    }
    return file_.Write(text_);
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
void TLogList<Format>::ParseText(std::string_view text, TEntries& out) {
    std::vector<std::string_view> fields;
    ForEachLine(text, [&](std::string_view line) {
        SplitFields(line, fields);
        Format::ReadLine(fields, out.emplace_back());
    });
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
