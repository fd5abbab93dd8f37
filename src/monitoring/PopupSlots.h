#pragma once
// Places for the pop-up windows of active messages: a slot is taken by one message and
// freed when it is deactivated; slots are kept for the whole run, so a freed place is
// used again before a new one is made. New places run in rows of 200 pixels across the
// screen's work area and rows 150 pixels apart; when the next row would leave the work
// area, they start again at its top left corner.

#include <cstddef>
#include <vector>

namespace ravlin {

// The screen's work area (without task bars), in screen pixels.
struct TWorkArea {
    int left = 0, top = 0, width = 1024, height = 768;
};

struct TWindowSlot {
    int top = 0, left = 0;  // screen position of the window
    int message = -1;       // index of the message using it; -1 when free
};

class TWindowSlots {
  public:
    static constexpr int kStep = 200;     // horizontal distance of two places
    static constexpr int kRowStep = 150;  // vertical distance of two rows
    static constexpr int kMargin = 10;

    // The first free slot, or a new one placed after the last; it records `message`.
    int Take(int message, const TWorkArea& area);
    void Free(int slot);
    // Frees every slot (a new set-up).
    void FreeAll();
    // Message indexes above `removed` move down by one; the slot of `removed` is freed.
    void MessageRemoved(int removed);

    const std::vector<TWindowSlot>& Slots() const { return slots_; }
    const TWindowSlot* Slot(int i) const {
        return i >= 0 && i < static_cast<int>(slots_.size()) ? &slots_[i] : nullptr;
    }

  private:
    std::vector<TWindowSlot> slots_;
};

}  // namespace ravlin
