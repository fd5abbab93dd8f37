#include "views/ViewRows.h"

#include <algorithm>
#include <charconv>

namespace ravlin {

namespace {

template <typename T>
T At(const std::vector<T>& v, int i, T def) {
    return i >= 0 && static_cast<size_t>(i) < v.size() ? v[i] : def;
}

// Find choices: the time stamp, the transmitter code, then the five user columns.
void SetFindChoices(TTextRows& rows, const TTextTable& texts, const TUserTitles& titles,
                    Text timeText, std::vector<int> columns) {
    rows.findChoices = {TextAt(texts, timeText), TextAt(texts, Text::SerialColumn)};
    rows.findChoices.insert(rows.findChoices.end(), titles.begin(), titles.end());
    rows.findColumns = std::move(columns);
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
    rows.page = TViewPage::History;
    SetFindChoices(rows, texts, titles, Text::HistoryTimeColumn, {2, 0, 4, 5, 6, 7, 8});
    rows.exportAs.assign(std::max(columns, 5), TExportAs::Text);
    rows.exportAs[2] = TExportAs::DateTime;
    rows.exportAs[4] = TExportAs::Number;
    rows.printRules.assign(std::max(columns, 5), TPrintRule{});
    rows.printRules[2].minWidth = 350;
    rows.printRules[3].minWidth = 300;
    rows.printRules[4].maxWidth = 250;
    for (int c = 5; c < columns; ++c) rows.printRules[c].flexible = true;
}

void SetBatteryRules(TTextRows& rows, const TTextTable& texts, const TUserTitles& titles,
                     int columns) {
    rows.page = TViewPage::Battery;
    SetFindChoices(rows, texts, titles, Text::BatteryTimeColumn, {2, 0, 3, 4, 5, 6, 7});
    rows.exportAs.assign(std::max(columns, 4), TExportAs::Text);
    rows.exportAs[2] = TExportAs::DateTime;
    rows.exportAs[3] = TExportAs::Number;
    rows.printRules.assign(std::max(columns, 4), TPrintRule{});
    rows.printRules[1].minWidth = 300;
    rows.printRules[2].minWidth = 350;
    rows.printRules[3].maxWidth = 250;
    for (int c = 4; c < columns; ++c) rows.printRules[c].flexible = true;
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
