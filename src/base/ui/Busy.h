#pragma once
// The one busy state of the desktop program: a command of the main window (receiver,
// document, record, setup ...) runs only when no other one does. A receiver command keeps
// the window thread's events going while its worker runs; a second command started from
// those events (a key, a timer) is refused here. Window thread only.

#include <utility>

namespace ravlin {

class TBusyState {
  public:
    bool Busy() const { return busy_; }

    // Runs `command` unless another command runs; false when refused (the command's own
    // result otherwise).
    template <typename F>
    bool Run(F&& command) {
        if (busy_) return false;
        busy_ = true;
        struct TEnd {
            bool& busy;
            ~TEnd() { busy = false; }
        } end{busy_};
        return std::forward<F>(command)();
    }

  private:
    bool busy_ = false;
};

}  // namespace ravlin
