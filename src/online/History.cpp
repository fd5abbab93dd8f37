#include "online/History.h"

#include <algorithm>

#include "records/ButtonCodes.h"

namespace ravlin {

void THistoryFormat::AppendLine(std::string& out, const THistoryRec& rec) {
    AppendField(out, rec.Serial);
    AppendField(out, rec.Button);
    AppendTimeField(out, rec);
    out += rec.LowBatt ? "1#" : "0#";
    AppendUserFields(out, rec);
    out += "\r\n";
}

void THistoryFormat::ReadLine(const std::vector<std::string_view>& f, THistoryRec& rec) {
    if (f.size() > 0) rec.Serial = f[0];
    if (f.size() > 1) rec.Button = f[1];
    if (f.size() > 2) ReadTimeField(f[2], rec);
    if (f.size() > 3) rec.LowBatt = f[3] == "1";
    ReadUserFields(f, 4, rec);
}

bool THistoryFormat::UserMatches(const THistoryRec& rec, const TData& record) {
    return HistoryButtonMatch(rec.Button, record.Button);
}

std::vector<THistoryField> HistoryColumns(const TUserVisibility& visible) {
    return LogColumns({TLogField::Serial, TLogField::Button, TLogField::Time, TLogField::Battery},
                      visible);
}

std::string HistoryTitle(THistoryField field, const TTextTable& texts,
                         const TUserFieldTitles& titles) {
    return LogTitle(field, texts, titles, Text::HistoryTimeColumn);
}

std::string HistoryCell(const THistoryRec& rec, THistoryField field, const TTextTable& texts) {
    switch (field) {
        case TLogField::Button:
            return rec.Button;
        case TLogField::Battery:
            return TextAt(texts, rec.LowBatt ? Text::BatteryLow : Text::BatteryOk);
        default:
            return CommonCell(rec, field);
    }
}

TCellColour HistoryCellColour(const THistoryRec& rec, THistoryField field,
                              const TTextTable& texts) {
    return field == TLogField::Battery &&
                   HistoryCell(rec, field, texts) == TextAt(texts, Text::BatteryLow)
               ? TCellColour::Red
               : TCellColour::Default;
}

int CompareHistory(const THistoryRec& a, const THistoryRec& b, THistoryField field) {
    return CompareLogEntries<THistoryFormat>(a, b, field);
}

THistory::THistory(std::string fileName, const TTextTable& texts, TUserInterface& ui)
    : TLogList(std::move(fileName), texts, ui) {}

void THistory::SetLength(int length) {
    length_ = std::clamp(length, 1, kMaxLength);
}

bool THistory::Add(const std::string& serial, const std::string& digit, bool low,
                   const TRecordTable& table) {
    THistoryRec rec;
    rec.Time = clock->Now();
    rec.LowBatt = low;
    rec.Serial = serial;
    rec.Button = IsInputTransmitter(serial) ? InputCodeText(digit) : digit;
    FillUserInfo(rec, table);
    const size_t length = static_cast<size_t>(length_);
    return Apply([this, rec = std::move(rec), length] { AddFront(rec, length); });
}

void THistory::Trim() {
    const size_t length = static_cast<size_t>(length_);
    KeepFirst(length);
    Defer([this, length] { KeepFirst(length); }, false);
}

bool THistory::TrimFile() {
    const size_t length = static_cast<size_t>(length_);
    return Apply([this, length] { KeepFirst(length); });
}

bool THistory::Clear() {
    // A failed clear leaves list and file as they were.
    return Apply([this] { KeepFirst(0); }, TOnFailure::Forget);
}

bool THistory::RefreshUserInfo(const TRecordTable& table) {
    return Apply([this, records = UserRecordsOf(table)] { RefreshUsers(*records); });
}

bool THistory::Reload() {
    if (!WritePending()) return false;
    return Load();
}

int THistory::Sort(THistoryField field, bool ascending, int follow) {
    const int followed = Reorder(field, ascending, follow);
    Defer([this, field, ascending] { Reorder(field, ascending, -1); }, true);
    return followed;
}

}  // namespace ravlin
