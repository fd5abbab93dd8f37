#include "monitoring/PopupSlots.h"

namespace ravlin {

int TWindowSlots::Take(int message, const TWorkArea& area) {
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].message < 0) {
            slots_[i].message = message;
            return static_cast<int>(i);
        }
    }
    TWindowSlot s;
    s.top = area.top + kMargin;
    s.left = area.left + kMargin;
    if (!slots_.empty()) {
        const TWindowSlot& last = slots_.back();
        s.top = last.top;
        s.left = last.left + kStep;
        // Positions are screen positions; the tests against the area are relative to it.
        if (area.width < s.left - area.left + kStep) {
            s.top += kRowStep;
            s.left = area.left + kMargin;
            if (area.height < s.top - area.top + kRowStep) {
                s.top = area.top + kMargin;
                s.left = area.left + kMargin;
            }
        }
    }
    s.message = message;
    slots_.push_back(s);
    return static_cast<int>(slots_.size()) - 1;
}

void TWindowSlots::Free(int slot) {
    if (slot >= 0 && slot < static_cast<int>(slots_.size())) slots_[slot].message = -1;
}

void TWindowSlots::FreeAll() {
    for (auto& s : slots_) s.message = -1;
}

void TWindowSlots::MessageRemoved(int removed) {
    for (auto& s : slots_) {
        if (s.message == removed)
            s.message = -1;
        else if (s.message > removed)
            --s.message;
    }
}

}  // namespace ravlin
