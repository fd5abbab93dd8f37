#pragma once
// Changes of the record table and their undo history. Every command that changes records
// (edit, add, delete, paste, the on-line add) describes what it does as a TRecordChange:
// the records it replaces, before and after, and the end of the used part before and
// after. The history keeps the changes made since the table was last opened, downloaded,
// uploaded or saved, and two marks: the state that equals the data file, and the state
// that equals the receiver's memory. Undoing or redoing to a mark clears the matching
// "modified" flag again.
//
// A command that changes the table without a change (opening, downloading, encoding for
// an upload or a save, which renumbers the records) must Reset() the history.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "catalog/Device.h"
#include "records/Data.h"

namespace ravlin {

enum class TChangeKind { Edit, Add, Delete, Paste, OnlineAdd, Other };

struct TRecordChange {
    struct TItem {
        int position = 0;  // 1-based
        TData before, after;
    };
    TChangeKind kind = TChangeKind::Other;
    std::vector<TItem> items;
    int usedBefore = 0;
    int usedAfter = 0;

    bool Empty() const { return items.empty() && usedBefore == usedAfter; }
    // The positions the change touches, in the order of its items.
    std::vector<int> Positions() const;
    // Appends `next`, made on the table this change leaves (several records edited in one
    // command are undone in one step).
    void Append(TRecordChange next);
};

// Every field except the File view's work mark.
bool SameRecord(const TData& a, const TData& b);

// Puts the change's records (`forward`: the after records, else the before records) into
// the table and sets UsedCount. Positions outside the table are skipped.
void ApplyChange(const TRecordChange& change, TRecordTable& table, TDevice& device, bool forward);

// The change between two tables of the same receiver type: the positions whose records
// differ (a command that rebuilds records wholesale, such as a comment import).
TRecordChange DiffTables(const TRecordTable& before, const TRecordTable& after, int usedBefore,
                         int usedAfter, TChangeKind kind = TChangeKind::Other);

// A digest of the table and its receiver type (name, record count, end of the used part):
// equal digests mean, but for a 64-bit collision, an equal table. A caller that keeps a
// history compares it to find out whether a command changed the table behind the history.
uint64_t TableDigest(const TRecordTable& table, const TDevice& device);

class TRecordHistory {
  public:
    explicit TRecordHistory(size_t maxSteps = 1000) : maxSteps_(maxSteps ? maxSteps : 1) {}

    // A new base state: nothing to undo or redo. `saved`: it equals the data file;
    // `matchesReceiver`: it equals the receiver's memory.
    void Reset(bool saved, bool matchesReceiver);

    // Applies `change` to the table and keeps it; anything that could be redone is gone.
    // False (nothing applied or kept) for an empty change.
    bool Apply(TRecordChange change, TRecordTable& table, TDevice& device);
    // Keeps a change that is already in the table.
    bool Record(TRecordChange change);

    bool CanUndo() const { return at_ > 0; }
    bool CanRedo() const { return at_ < steps_.size(); }
    // The change the next Undo / Redo takes back or makes again; nullptr when none.
    const TRecordChange* NextUndo() const { return CanUndo() ? &steps_[at_ - 1] : nullptr; }
    const TRecordChange* NextRedo() const { return CanRedo() ? &steps_[at_] : nullptr; }

    // The positions changed; empty when there was nothing to undo / redo.
    std::vector<int> Undo(TRecordTable& table, TDevice& device);
    std::vector<int> Redo(TRecordTable& table, TDevice& device);

    // The current state now equals the data file / the receiver's memory.
    void MarkSaved() {
        saved_ = static_cast<long>(at_);
        ++revision_;
    }
    void MarkReceiver() {
        receiver_ = static_cast<long>(at_);
        ++revision_;
    }
    bool AtSaved() const { return saved_ == static_cast<long>(at_); }
    bool AtReceiver() const { return receiver_ == static_cast<long>(at_); }

    size_t Steps() const { return steps_.size(); }
    size_t Position() const { return at_; }
    // Counts every reset, kept change, undo, redo and mark: a caller that saw the same
    // revision before knows that nobody went through the history meanwhile.
    uint64_t Revision() const { return revision_; }

  private:
    size_t maxSteps_;
    std::deque<TRecordChange> steps_;
    size_t at_ = 0;      // steps_[0..at_) are done
    long saved_ = 0;     // step count of the saved state; -1 when it cannot be reached
    long receiver_ = 0;  // the same for the receiver's memory
    uint64_t revision_ = 0;
};

}  // namespace ravlin
