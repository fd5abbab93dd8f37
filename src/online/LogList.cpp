#include "online/LogList.h"

namespace ravlin {

TUserRecords UserRecordsOf(const TRecordTable& table) {
    auto records = std::make_shared<TRecordTable>();
    for (const TData& r : table)
        if (!r.Empty) records->push_back(r);
    return records;
}

std::vector<TLogField> LogColumns(std::vector<TLogField> fixed, const TUserVisibility& visible) {
    for (int i = 0; i < 5; ++i)
        if (visible[static_cast<size_t>(i)])
            fixed.push_back(static_cast<TLogField>(static_cast<int>(TLogField::UserNumber) + i));
    return fixed;
}

std::string LogTitle(TLogField field, const TTextTable& texts, const TUserFieldTitles& titles,
                     Text timeText) {
    switch (field) {
        case TLogField::Serial:
            return TextAt(texts, Text::SerialColumn);
        case TLogField::Button:
            return TextAt(texts, Text::ButtonColumn);
        case TLogField::Time:
            return TextAt(texts, timeText);
        case TLogField::Battery:
            return TextAt(texts, Text::BatteryColumn);
        default:
            return titles[static_cast<size_t>(static_cast<int>(field) -
                                              static_cast<int>(TLogField::UserNumber))];
    }
}

std::string CommonCell(const TLogEntry& entry, TLogField field) {
    switch (field) {
        case TLogField::Serial:
            return entry.Serial;
        case TLogField::Time:
            return entry.Time == kNoTime ? entry.TimeText : FormatLogTime(entry.Time);
        case TLogField::UserNumber:
            return std::to_string(entry.UserNumber);
        case TLogField::User1:
        case TLogField::User2:
        case TLogField::User3:
        case TLogField::User4:
            return entry.User[UserTextIndex(field)];
        default:
            return {};
    }
}

void AppendTimeField(std::string& out, const TLogEntry& entry) {
    if (entry.Time == kNoTime) {
        AppendField(out, entry.TimeText);
    } else {
        AppendLogTime(out, entry.Time);
        out += '#';
    }
}

void ReadTimeField(std::string_view field, TLogEntry& entry) {
    if (!ParseLogTime(field, entry.Time)) {
        entry.Time = kNoTime;
        entry.TimeText = field;
    }
}

void AppendUserFields(std::string& out, const TLogEntry& entry) {
    AppendNumber(out, entry.UserNumber);
    out += '#';
    for (const auto& u : entry.User) AppendField(out, u);
}

void ReadUserFields(const std::vector<std::string_view>& fields, size_t first, TLogEntry& entry) {
    if (fields.size() > first) entry.UserNumber = DecimalOr0(fields[first]);
    for (size_t i = 0; i < 4 && first + 1 + i < fields.size(); ++i)
        entry.User[i] = fields[first + 1 + i];
}

}  // namespace ravlin
