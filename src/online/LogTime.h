#pragma once
// Local date and time of the logs, to the second, as a count of seconds of the civil
// calendar (no time zone: the logs keep the wall-clock time of the reception).
//
// File form: "dd.MM.yyyy hh:mm:ss"; exactly midnight is written as the date alone.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace ravlin {

using TLogTime = int64_t;

// A time field that could not be read; sorts before every real time.
inline constexpr TLogTime kNoTime = std::numeric_limits<int64_t>::min();

// Seconds from 1 January 1970 00:00:00 of the civil calendar; false outside year 1..9999
// or for a date or time that does not exist.
bool MakeLogTime(int year, int month, int day, int hour, int minute, int second, TLogTime& out);
// The parts of a time made by MakeLogTime.
void SplitLogTime(TLogTime t, int& year, int& month, int& day, int& hour, int& minute, int& second);

// The local date and time now.
TLogTime NowLocal();

// Where a log takes the time of a reception: LocalClock in the programs, a fixed time in
// tests. Asked on the thread that adds to the log.
class TLogClock {
  public:
    virtual ~TLogClock() = default;
    virtual TLogTime Now() const = 0;
};
// NowLocal as a clock; lives as long as the program.
const TLogClock& LocalClock();

// "dd.MM.yyyy hh:mm:ss", or "dd.MM.yyyy" at midnight; empty for kNoTime.
std::string FormatLogTime(TLogTime t);
// Appends FormatLogTime(t) (the writers build large files).
void AppendLogTime(std::string& out, TLogTime t);

// The file form, also with one-digit day, month, hours, minutes or seconds and without
// the seconds; the date alone is midnight. False for anything else.
bool ParseLogTime(std::string_view text, TLogTime& out);

inline constexpr TLogTime kSecondsPerDay = 86400;

}  // namespace ravlin
