#include "online/LogRows.h"

#include <algorithm>

namespace ravlin {

namespace {

constexpr int kTimeMin = 350;
constexpr int kStateMin = 300;
constexpr int kUserNumberMax = 250;

std::vector<std::string> Choices(const TTextTable& texts, Text timeText,
                                 const TUserFieldTitles& titles) {
    std::vector<std::string> items = {TextAt(texts, timeText), TextAt(texts, Text::SerialColumn)};
    items.insert(items.end(), titles.begin(), titles.end());
    return items;
}

template <typename Field>
int IndexOf(const std::vector<Field>& columns, Field field) {
    const auto it = std::find(columns.begin(), columns.end(), field);
    return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
}

template <typename Field>
bool Inside(const std::vector<Field>& columns, int column) {
    return column >= 0 && column < static_cast<int>(columns.size());
}

}  // namespace

std::optional<double> LogDateTime(TLogTime time) {
    if (time == kNoTime) return std::nullopt;
    int year, month, day, hour, minute, second;
    SplitLogTime(time, year, month, day, hour, minute, second);
    return SerialDateTime(year, month, day, hour, minute, second);
}

// ---- History view ---------------------------------------------------------------------

int THistoryRows::ColumnOf(THistoryField field) const {
    return IndexOf(columns_, field);
}

int THistoryRows::RowCount() const {
    return std::max(1, static_cast<int>(items_.size()));
}

std::string THistoryRows::Header(int column) const {
    return Inside(columns_, column) ? HistoryTitle(columns_[column], texts_, titles_)
                                    : std::string();
}

std::string THistoryRows::Cell(int row, int column) const {
    if (row < 1 || row > static_cast<int>(items_.size()) || !Inside(columns_, column)) return {};
    return HistoryCell(items_[static_cast<size_t>(row - 1)], columns_[column], texts_);
}

std::vector<std::string> THistoryRows::FindChoices() const {
    return Choices(texts_, Text::HistoryTimeColumn, titles_);
}

int THistoryRows::FindColumn(int item) const {
    static constexpr THistoryField kFields[] = {THistoryField::Time,       THistoryField::Serial,
                                                THistoryField::UserNumber, THistoryField::User1,
                                                THistoryField::User2,      THistoryField::User3,
                                                THistoryField::User4};
    if (item < 1 || item > static_cast<int>(std::size(kFields))) return -1;
    return ColumnOf(kFields[item - 1]);
}

TExportAs THistoryRows::ExportAs(int column) const {
    if (!Inside(columns_, column)) return TExportAs::Text;
    if (columns_[column] == THistoryField::Time) return TExportAs::DateTime;
    if (columns_[column] == THistoryField::UserNumber) return TExportAs::Number;
    return TExportAs::Text;
}

std::optional<double> THistoryRows::DateTimeValue(int row, int column) const {
    if (row < 1 || row > static_cast<int>(items_.size()) || ExportAs(column) != TExportAs::DateTime)
        return std::nullopt;
    return LogDateTime(items_[static_cast<size_t>(row - 1)].Time);
}

TPrintRule THistoryRows::PrintRule(int column) const {
    TPrintRule rule;
    if (!Inside(columns_, column)) return rule;
    switch (columns_[column]) {
        case THistoryField::Time:
            rule.minWidth = kTimeMin;
            break;
        case THistoryField::Battery:
            rule.minWidth = kStateMin;
            break;
        case THistoryField::UserNumber:
            rule.maxWidth = kUserNumberMax;
            break;
        case THistoryField::User1:
        case THistoryField::User2:
        case THistoryField::User3:
        case THistoryField::User4:
            rule.flexible = true;
            break;
        default:
            break;
    }
    return rule;
}

// ---- Battery view ---------------------------------------------------------------------

int TBatteryRows::ColumnOf(TBatteryField field) const {
    return IndexOf(columns_, field);
}

int TBatteryRows::RowCount() const {
    return std::max(1, static_cast<int>(items_.size()));
}

std::string TBatteryRows::Header(int column) const {
    return Inside(columns_, column) ? BatteryTitle(columns_[column], texts_, titles_)
                                    : std::string();
}

std::string TBatteryRows::Cell(int row, int column) const {
    if (row < 1 || row > static_cast<int>(items_.size()) || !Inside(columns_, column)) return {};
    return BatteryCell(items_[static_cast<size_t>(row - 1)], columns_[column], texts_);
}

std::vector<std::string> TBatteryRows::FindChoices() const {
    return Choices(texts_, Text::BatteryTimeColumn, titles_);
}

int TBatteryRows::FindColumn(int item) const {
    static constexpr TBatteryField kFields[] = {
        TBatteryField::Time,  TBatteryField::Serial, TBatteryField::UserNumber, TBatteryField::User1,
        TBatteryField::User2, TBatteryField::User3,  TBatteryField::User4};
    if (item < 1 || item > static_cast<int>(std::size(kFields))) return -1;
    return ColumnOf(kFields[item - 1]);
}

TExportAs TBatteryRows::ExportAs(int column) const {
    if (!Inside(columns_, column)) return TExportAs::Text;
    if (columns_[column] == TBatteryField::Time) return TExportAs::DateTime;
    if (columns_[column] == TBatteryField::UserNumber) return TExportAs::Number;
    return TExportAs::Text;
}

std::optional<double> TBatteryRows::DateTimeValue(int row, int column) const {
    if (row < 1 || row > static_cast<int>(items_.size()) || ExportAs(column) != TExportAs::DateTime)
        return std::nullopt;
    return LogDateTime(items_[static_cast<size_t>(row - 1)].Time);
}

TPrintRule TBatteryRows::PrintRule(int column) const {
    TPrintRule rule;
    if (!Inside(columns_, column)) return rule;
    switch (columns_[column]) {
        case TBatteryField::State:
            rule.minWidth = kStateMin;
            break;
        case TBatteryField::Time:
            rule.minWidth = kTimeMin;
            break;
        case TBatteryField::UserNumber:
            rule.maxWidth = kUserNumberMax;
            break;
        case TBatteryField::User1:
        case TBatteryField::User2:
        case TBatteryField::User3:
        case TBatteryField::User4:
            rule.flexible = true;
            break;
        default:
            break;
    }
    return rule;
}

}  // namespace ravlin
