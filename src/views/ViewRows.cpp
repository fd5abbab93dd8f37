#include "views/ViewRows.h"

#include <algorithm>
#include <charconv>

namespace ravlin {

namespace {

template <typename T>
T At(const std::vector<T>& v, int i, T def) {
    return i >= 0 && static_cast<size_t>(i) < v.size() ? v[i] : def;
}

// The grid columns of a log page's fields when every user field is shown; the user texts
// follow the user number.
struct TLogPageColumns {
    TViewPage page;
    Text timeText;  // the time column's title
    int time, battery, userNumber;
};

void SetLogRules(TTextRows& rows, const TTextTable& texts, const TUserTitles& titles, int columns,
                 const TLogPageColumns& at) {
    const int user = at.userNumber;
    rows.page = at.page;
    // Find choices: the time stamp, the transmitter code, then the five user columns.
    rows.findChoices = {TextAt(texts, at.timeText), TextAt(texts, Text::SerialColumn)};
    rows.findChoices.insert(rows.findChoices.end(), titles.begin(), titles.end());
    rows.findColumns = {at.time, 0, user, user + 1, user + 2, user + 3, user + 4};
    rows.exportAs.assign(std::max(columns, user + 1), TExportAs::Text);
    rows.exportAs[at.time] = TExportAs::DateTime;
    rows.exportAs[user] = TExportAs::Number;
    rows.printRules.assign(std::max(columns, user + 1), TPrintRule{});
    rows.printRules[at.time].minWidth = 350;
    rows.printRules[at.battery].minWidth = 300;
    rows.printRules[user].maxWidth = 250;
    for (int c = user + 1; c < columns; ++c) rows.printRules[c].flexible = true;
}

}  // namespace

std::string TTextRows::Header(int column) const {
    return At(headers, column, std::string());
}

std::string TTextRows::Cell(int row, int column) const {
    if (row < 1 || row > RowCount()) return {};
    return At(rows[row - 1], column, std::string());
}

int TTextRows::FindColumn(int item) const {
    return At(findColumns, item - 1, -1);
}

TExportAs TTextRows::ExportAs(int column) const {
    return At(exportAs, column, TExportAs::Text);
}

std::optional<double> TTextRows::DateTimeValue(int row, int column) const {
    return At(times, row - 1, std::optional<double>());
}

TPrintRule TTextRows::PrintRule(int column) const {
    return At(printRules, column, TPrintRule{});
}

void SetHistoryRules(TTextRows& rows, const TTextTable& texts, const TUserTitles& titles,
                     int columns) {
    SetLogRules(rows, texts, titles, columns,
                {TViewPage::History, Text::HistoryTimeColumn, 2, 3, 4});
}

void SetBatteryRules(TTextRows& rows, const TTextTable& texts, const TUserTitles& titles,
                     int columns) {
    SetLogRules(rows, texts, titles, columns,
                {TViewPage::Battery, Text::BatteryTimeColumn, 2, 1, 3});
}

std::optional<double> SerialDateTime(int year, int month, int day, int hour, int minute,
                                     int second) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leap ? 1 : 0) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    // Days from the civil date (proleptic Gregorian), counted from 1970-01-01.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days1970 = static_cast<long long>(era) * 146097 + doe - 719468;
    constexpr long long k18991230 = -25569;  // 1899-12-30 counted from 1970-01-01
    return static_cast<double>(days1970 - k18991230) +
           (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

bool ParseCellInteger(const std::string& text, long long& value) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return false;
    const size_t e = text.find_last_not_of(' ');
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+' && (++first == last || *first < '0' || *first > '9')) return false;
    auto [p, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && p == last && first != last;
}

}  // namespace ravlin
