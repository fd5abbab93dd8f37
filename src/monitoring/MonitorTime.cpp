#include "monitoring/MonitorTime.h"

#include <cstdio>
#include <ctime>

namespace ravlin {

namespace {

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Exactly `digits` decimal digits at `pos`; advances `pos`.
bool TakeNumber(std::string_view s, size_t& pos, size_t digits, int& out) {
    if (pos + digits > s.size()) return false;
    int v = 0;
    for (size_t i = 0; i < digits; ++i) {
        const char c = s[pos + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    pos += digits;
    return true;
}

bool TakeChar(std::string_view s, size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

bool TDateTime::Valid() const {
    if (Year < 1601 || Year > 9999 || Month < 1 || Month > 12) return false;
    if (Day < 1 || Day > DaysInMonth(Year, Month)) return false;
    return Hour >= 0 && Hour <= 23 && Minute >= 0 && Minute <= 59 && Second >= 0 && Second <= 59;
}

TDateTime LocalDateTime(std::chrono::system_clock::time_point t) {
    const std::time_t s = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&s, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string FormatDateTime(const TDateTime& t, bool midnightDateOnly) {
    char buf[48];
    if (midnightDateOnly && t.Hour == 0 && t.Minute == 0 && t.Second == 0)
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", t.Day, t.Month, t.Year);
    else
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", t.Day, t.Month, t.Year,
                      t.Hour, t.Minute, t.Second);
    return buf;
}

std::optional<TDateTime> ParseDateTime(std::string_view s) {
    TDateTime t;
    size_t pos = 0;
    if (s.size() >= 10 && s[4] == '-') {
        if (!TakeNumber(s, pos, 4, t.Year) || !TakeChar(s, pos, '-') ||
            !TakeNumber(s, pos, 2, t.Month) || !TakeChar(s, pos, '-') ||
            !TakeNumber(s, pos, 2, t.Day))
            return std::nullopt;
    } else if (!TakeNumber(s, pos, 2, t.Day) || !TakeChar(s, pos, '.') ||
               !TakeNumber(s, pos, 2, t.Month) || !TakeChar(s, pos, '.') ||
               !TakeNumber(s, pos, 4, t.Year)) {
        return std::nullopt;
    }
    if (pos < s.size()) {
        if (s[pos] != ' ' && s[pos] != 'T') return std::nullopt;
        ++pos;
        if (!TakeNumber(s, pos, 2, t.Hour) || !TakeChar(s, pos, ':') ||
            !TakeNumber(s, pos, 2, t.Minute))
            return std::nullopt;
        if (pos < s.size() && (!TakeChar(s, pos, ':') || !TakeNumber(s, pos, 2, t.Second)))
            return std::nullopt;
        if (pos != s.size()) return std::nullopt;
    }
    if (!t.Valid()) return std::nullopt;
    return t;
}

TMonitorTime TMonitorTime::Now() {
    return {LocalDateTime(std::chrono::system_clock::now()), std::chrono::steady_clock::now()};
}

}  // namespace ravlin
