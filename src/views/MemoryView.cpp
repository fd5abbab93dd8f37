#include "views/MemoryView.h"

#include <algorithm>

#include "catalog/FunctionTable.h"
#include "records/Describe.h"

namespace ravlin {

namespace {

constexpr const char* kRs232 = "RS-232";

// The last column shows User 1 instead of the RS-232 text.
bool LastColumnIsUser1(const TDevice& device, bool multi) {
    return multi ? IsTextHoldingType(device.Name) : device.Name == "KV8T-N";
}

TMemoryColumn Lang(Text id, std::string suffix = {}) {
    return {id, std::move(suffix), {}};
}
TMemoryColumn Fixed(std::string text) {
    return {Text::None, {}, std::move(text)};
}

}  // namespace

std::string TMemoryColumn::Header(const TTextTable& texts) const {
    if (textId == Text::None) return fixedText;
    return TextAt(texts, textId) + suffix;
}

std::vector<TMemoryColumn> MemoryColumns(const TDevice& device, const TFunctionTable& functionTable,
                                         const std::string& user1Title) {
    const bool multi = functionTable.IsRelayMode();
    std::vector<TMemoryColumn> columns = {Lang(Text::PositionColumn), Lang(Text::SerialColumn),
                                          Lang(Text::ButtonColumn)};
    if (multi) {
        for (int j = 1; j <= device.Outputs; ++j) {
            columns.push_back(Lang(Text::RelayFunctionColumn, std::to_string(j)));
            columns.push_back(Lang(Text::RelayTimeColumn, std::to_string(j)));
        }
    } else {
        columns.push_back(Lang(Text::FunctionColumn));
        columns.push_back(Lang(Text::Channels));
        columns.push_back(Lang(Text::TimeColumn));
    }
    columns.push_back(Fixed(LastColumnIsUser1(device, multi) ? user1Title : kRs232));
    return columns;
}

std::vector<std::string> MemoryCells(const TData& record, const TDevice& device,
                                     const TFunctionTable& functionTable) {
    const bool multi = functionTable.IsRelayMode();
    std::vector<std::string> cells = {std::to_string(record.Position), TransmitterCodeText(record),
                                      record.Button};
    if (multi) {
        for (int j = 1; j <= device.Outputs; ++j) {
            cells.push_back(RelayFunctionText(record, functionTable, j));
            cells.push_back(RelayTimeText(record, functionTable, j));
        }
    } else {
        cells.push_back(FunctionText(record, functionTable));
        cells.push_back(ChannelsText(record));
        cells.push_back(TimeText(record, functionTable));
    }
    if (LastColumnIsUser1(device, multi))
        cells.push_back(record.User1);
    else if (!multi || record.Extra.size() >= 99)
        cells.push_back(ExtraText(record, device.Name));
    else
        cells.emplace_back();
    return cells;
}

TMemoryViewContent BuildMemoryView(const TRecordTable& table, const TDevice& device,
                                   const TFunctionTable& functionTable, const TTextTable& texts,
                                   const std::string& user1Title) {
    TMemoryViewContent view;
    view.family = FamilyOf(functionTable.SingleRelay);
    view.columns = MemoryColumns(device, functionTable, user1Title);
    for (const auto& c : view.columns) view.headers.push_back(c.Header(texts));
    const size_t count =
        std::min(table.size(), static_cast<size_t>(std::max(device.RecordCount, 0)));
    for (size_t i = 0; i < count; ++i) {
        const TData& record = table[i];
        if (record.Empty) continue;
        view.rows.push_back(
            {static_cast<int>(i), MemoryCells(record, device, functionTable), IsRedRecord(record)});
    }
    view.empty = view.rows.empty();
    return view;
}

}  // namespace ravlin
