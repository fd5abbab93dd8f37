#pragma once
// The pages of the main window, in tab order. A window controller brings its page to the
// front by it; the status bar's record commands depend on the page shown.

namespace ravlin {

enum class TPage { Memory = 0, File = 1, History = 2, Battery = 3, Monitoring = 4 };

inline constexpr int kPageCount = 5;

}  // namespace ravlin
