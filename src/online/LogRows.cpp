#include "online/LogRows.h"

#include <algorithm>

namespace ravlin {

namespace {

// Find's column choices after "All", in order.
constexpr TLogField kFindFields[] = {TLogField::Time,  TLogField::Serial, TLogField::UserNumber,
                                     TLogField::User1, TLogField::User2,  TLogField::User3,
                                     TLogField::User4};
constexpr int kTimeMin = 350;
constexpr int kStateMin = 300;
constexpr int kUserNumberMax = 250;

}  // namespace

std::optional<double> LogDateTime(TLogTime time) {
    if (time == kNoTime) return std::nullopt;
    int year, month, day, hour, minute, second;
    SplitLogTime(time, year, month, day, hour, minute, second);
    return SerialDateTime(year, month, day, hour, minute, second);
}

template <class Entries>
int TLogRows<Entries>::RowCount() const {
    return std::max(1, static_cast<int>(items_.size()));
}

template <class Entries>
std::string TLogRows<Entries>::Header(int column) const {
    return IsColumn(column) ? titleOf_(columns_[column], texts_, titles_) : std::string();
}

template <class Entries>
std::string TLogRows<Entries>::Cell(int row, int column) const {
    if (!IsEntry(row) || !IsColumn(column)) return {};
    return cellOf_(items_[static_cast<size_t>(row - 1)], columns_[column], texts_);
}

template <class Entries>
std::vector<std::string> TLogRows<Entries>::FindChoices() const {
    std::vector<std::string> items;
    for (TLogField field : kFindFields) items.push_back(titleOf_(field, texts_, titles_));
    return items;
}

template <class Entries>
int TLogRows<Entries>::FindColumn(int item) const {
    if (item < 1 || item > static_cast<int>(std::size(kFindFields))) return -1;
    const auto it = std::find(columns_.begin(), columns_.end(), kFindFields[item - 1]);
    return it == columns_.end() ? -1 : static_cast<int>(it - columns_.begin());
}

template <class Entries>
TExportAs TLogRows<Entries>::ExportAs(int column) const {
    if (!IsColumn(column)) return TExportAs::Text;
    if (columns_[column] == TLogField::Time) return TExportAs::DateTime;
    if (columns_[column] == TLogField::UserNumber) return TExportAs::Number;
    return TExportAs::Text;
}

template <class Entries>
std::optional<double> TLogRows<Entries>::DateTimeValue(int row, int column) const {
    if (!IsEntry(row) || ExportAs(column) != TExportAs::DateTime) return std::nullopt;
    return LogDateTime(items_[static_cast<size_t>(row - 1)].Time);
}

template <class Entries>
TPrintRule TLogRows<Entries>::PrintRule(int column) const {
    TPrintRule rule;
    if (!IsColumn(column)) return rule;
    switch (columns_[column]) {
        case TLogField::Time:
            rule.minWidth = kTimeMin;
            break;
        case TLogField::Battery:
            rule.minWidth = kStateMin;
            break;
        case TLogField::UserNumber:
            rule.maxWidth = kUserNumberMax;
            break;
        case TLogField::User1:
        case TLogField::User2:
        case TLogField::User3:
        case TLogField::User4:
            rule.flexible = true;
            break;
        default:
            break;
    }
    return rule;
}

template class TLogRows<THistoryList>;
template class TLogRows<std::vector<TLowBatteryEntry>>;

}  // namespace ravlin
