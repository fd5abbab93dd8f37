#pragma once
// Local date and time as the monitor shows and logs it: "dd.MM.yyyy hh:mm:ss", hours 00
// to 23. The alarm state also keeps a steady tick, so that repeat times do not follow
// changes of the wall clock.

#include <chrono>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace ravlin {

struct TDateTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    auto operator<=>(const TDateTime&) const = default;
    // A calendar date (1601..9999) and a time of day.
    bool Valid() const;
};

TDateTime LocalDateTime(std::chrono::system_clock::time_point t);

// "dd.MM.yyyy hh:mm:ss". With `midnightDateOnly`, a time of exactly 00:00:00 gives the
// date alone (as the message list shows it).
std::string FormatDateTime(const TDateTime& t, bool midnightDateOnly);

// "dd.MM.yyyy" or "yyyy-MM-dd", optionally followed by a blank or "T" and "hh:mm" or
// "hh:mm:ss". Missing time parts are 0. Anything else, or no real date, gives nullopt.
std::optional<TDateTime> ParseDateTime(std::string_view text);

// The moment of an alarm change: the wall time for people, the steady tick for repeats.
struct TMonitorTime {
    TDateTime wall;
    std::chrono::steady_clock::time_point tick;
    static TMonitorTime Now();
};

}  // namespace ravlin
