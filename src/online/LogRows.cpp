#include "online/LogRows.h"

namespace ravlin {

namespace {

std::optional<double> Stamp(TLogTime t) {
    if (t == kNoTime) return std::nullopt;
    int y, mo, d, h, mi, s;
    SplitLogTime(t, y, mo, d, h, mi, s);
    return SerialDateTime(y, mo, d, h, mi, s);
}

}  // namespace

TTextRows HistoryRows(const THistory& history, const TUserVisibility& visible,
                      const PopisType& texts, const TUserFieldTitles& titles) {
    const std::vector<THistoryField> columns = HistoryColumns(visible);
    TTextRows rows;
    for (THistoryField c : columns) rows.headers.push_back(HistoryTitle(c, texts, titles));
    for (const THistoryRec& rec : history.Items()) {
        auto& cells = rows.rows.emplace_back();
        for (THistoryField c : columns) cells.push_back(HistoryCell(rec, c, texts));
        rows.times.push_back(Stamp(rec.Time));
    }
    SetHistoryRules(rows, texts, titles, static_cast<int>(columns.size()));
    return rows;
}

TTextRows BatteryRows(const TBatt& battery, const TUserVisibility& visible, const PopisType& texts,
                      const TUserFieldTitles& titles) {
    const std::vector<TBattField> columns = BatteryColumns(visible);
    TTextRows rows;
    for (TBattField c : columns) rows.headers.push_back(BatteryTitle(c, texts, titles));
    for (const TLowBatt& entry : battery.Items) {
        auto& cells = rows.rows.emplace_back();
        for (TBattField c : columns) cells.push_back(BatteryCell(entry, c, texts));
        rows.times.push_back(Stamp(entry.Time));
    }
    SetBatteryRules(rows, texts, titles, static_cast<int>(columns.size()));
    return rows;
}

}  // namespace ravlin
