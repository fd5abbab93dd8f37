#include "online/LogTime.h"

#include <ctime>

namespace ravlin {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

bool LeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

void Append2(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

// 1..maxDigits decimal digits at `at`; advances `at`.
bool Number(std::string_view text, size_t& at, size_t minDigits, size_t maxDigits, int& value) {
    size_t n = 0;
    value = 0;
    while (at < text.size() && n < maxDigits && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++n;
    }
    return n >= minDigits;
}

}  // namespace

bool MakeLogTime(int year, int month, int day, int hour, int minute, int second, TLogTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return false;
    out = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) *
              kSecondsPerDay +
          hour * 3600 + minute * 60 + second;
    return true;
}

void SplitLogTime(TLogTime t, int& year, int& month, int& day, int& hour, int& minute,
                  int& second) {
    int64_t days = t / kSecondsPerDay;
    int64_t secs = t % kSecondsPerDay;
    if (secs < 0) {
        secs += kSecondsPerDay;
        --days;
    }
    CivilFromDays(days, year, month, day);
    hour = static_cast<int>(secs / 3600);
    minute = static_cast<int>(secs / 60 % 60);
    second = static_cast<int>(secs % 60);
}

TLogTime NowLocal() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    TLogTime t = 0;
    // A leap second reads as the second before it.
    MakeLogTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                tm.tm_sec > 59 ? 59 : tm.tm_sec, t);
    return t;
}

const TLogClock& LocalClock() {
    struct TLocalClock : TLogClock {
        TLogTime Now() const override { return NowLocal(); }
    };
    static const TLocalClock clock;
    return clock;
}

void AppendLogTime(std::string& out, TLogTime t) {
    if (t == kNoTime) return;
    int y, mo, d, h, mi, s;
    SplitLogTime(t, y, mo, d, h, mi, s);
    Append2(out, d);
    out += '.';
    Append2(out, mo);
    out += '.';
    Append2(out, y / 100);
    Append2(out, y % 100);
    if (h == 0 && mi == 0 && s == 0) return;
    out += ' ';
    Append2(out, h);
    out += ':';
    Append2(out, mi);
    out += ':';
    Append2(out, s);
}

std::string FormatLogTime(TLogTime t) {
    std::string out;
    AppendLogTime(out, t);
    return out;
}

bool ParseLogTime(std::string_view text, TLogTime& out) {
    size_t at = 0;
    int d = 0, mo = 0, y = 0, h = 0, mi = 0, s = 0;
    if (!Number(text, at, 1, 2, d) || at >= text.size() || text[at++] != '.') return false;
    if (!Number(text, at, 1, 2, mo) || at >= text.size() || text[at++] != '.') return false;
    if (!Number(text, at, 4, 4, y)) return false;
    if (at < text.size()) {
        if (text[at++] != ' ') return false;
        if (!Number(text, at, 1, 2, h) || at >= text.size() || text[at++] != ':') return false;
        if (!Number(text, at, 1, 2, mi)) return false;
        if (at < text.size()) {
            if (text[at++] != ':' || !Number(text, at, 1, 2, s)) return false;
        }
        if (at != text.size()) return false;
    }
    return MakeLogTime(y, mo, d, h, mi, s, out);
}

}  // namespace ravlin
