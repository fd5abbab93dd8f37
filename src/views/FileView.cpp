#include "views/FileView.h"

#include <algorithm>
#include <charconv>

#include "base/Hex.h"
#include "base/IniFile.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "records/Describe.h"
#include "views/ColumnConfig.h"

namespace ravlin {

namespace {

constexpr int kMaxRelays = 20;

std::string Call(const std::function<std::string(const TData&)>& f, const TData& r) {
    return f ? f(r) : std::string();
}

bool IsRelayKind(int k, int base, int outputs) {
    int j = k - base;
    return j >= 1 && j <= kMaxRelays && j <= outputs;
}

// Decimal integer with optional sign and surrounding blanks; false for anything else.
bool ParseInt(const std::string& text, int& value) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return false;
    size_t e = text.find_last_not_of(' ');
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+') ++first;
    auto [p, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && p == last && first != last;
}

}  // namespace

// ---- layout ---------------------------------------------------------------------------

int TColumnLayout::IndexOf(int k) const {
    for (int c = 0; c < kMaxColumns; ++c)
        if (items[c + 1] == k) return c;
    return -1;
}

std::vector<int> TColumnLayout::ShownKinds() const {
    int n = std::clamp(Count(), 0, kMaxColumns);
    return std::vector<int>(items.begin() + 1, items.begin() + 1 + n);
}

TTransmitterColumns TransmitterColumnsOf(const TColumnLayout& layout) {
    TTransmitterColumns at;
    for (int col = 0; col < layout.Count(); ++col) {
        if (layout.KindAt(col) == kind::Code) at.code = col;
        if (layout.KindAt(col) == kind::Button) at.button = col;
    }
    return at;
}

const char* LayoutKey(TLayoutFamily family) {
    return family == TLayoutFamily::Single ? "User_Single" : "User_Multi";
}

const char* DefaultLayoutList(TLayoutFamily family) {
    return family == TLayoutFamily::Single
               ? "12,7,8,9,10,11,0,1,2,3,4,5,6,15,"
               : "11,7,8,9,10,11,0,1,2,3,15,21,41,22,42,23,43,24,44,25,45,26,46,27,47,28,48,29,"
                 "49,30,50,31,51,32,52,33,53,34,54,35,55,36,56,37,57,38,58,39,59,";
}

std::array<const char*, 5> VisibilityKeys(TLayoutFamily family) {
    if (family == TLayoutFamily::Single)
        return {"UserSingleIDVisible", "UserSingle1Visible", "UserSingle2Visible",
                "UserSingle3Visible", "UserSingle4Visible"};
    return {"UserMultiIDVisible", "UserMulti1Visible", "UserMulti2Visible", "UserMulti3Visible",
            "UserMulti4Visible"};
}

std::vector<int> ParseLayoutList(const std::string& text) {
    std::vector<int> out;
    std::string collected;
    for (char c : text) {
        if (c == ',') {
            int v = 0;
            out.push_back(ParseInt(collected, v) ? v : kind::Unknown);
            collected.clear();
        } else {
            collected += c;
        }
    }
    return out;
}

std::string FormatLayoutList(const TColumnLayout& layout) {
    std::string out;
    for (int v : layout.items) out += std::to_string(v) + ",";
    return out;
}

int LayoutColumnCount(TLayoutFamily family, int singleRelay, int visibleUserColumns) {
    int n = family == TLayoutFamily::Single ? 8 + visibleUserColumns
                                            : 5 + 2 * singleRelay + visibleUserColumns;
    return std::clamp(n, 0, TColumnLayout::kMaxColumns);
}

TColumnLayout BuildColumnLayout(const std::vector<int>& list, int columnCount) {
    TColumnLayout layout;
    for (size_t i = 0; i < layout.items.size(); ++i)
        layout.items[i] = i < list.size() ? list[i] : kind::None;
    layout.items[0] = std::clamp(columnCount, 0, TColumnLayout::kMaxColumns);
    return layout;
}

int VisibleUserColumns(const TIniFile& ini, TLayoutFamily family) {
    int v = 0;
    for (const char* key : VisibilityKeys(family))
        if (ini.ReadBool("Setup", key, true)) ++v;
    return v;
}

TColumnLayout LoadColumnLayout(const TIniFile& ini, TLayoutFamily family, int singleRelay) {
    std::string list =
        ini.ReadString(kGridConfigSection, LayoutKey(family), DefaultLayoutList(family));
    return BuildColumnLayout(
        ParseLayoutList(list),
        LayoutColumnCount(family, singleRelay, VisibleUserColumns(ini, family)));
}

void StoreColumnLayout(TIniFile& ini, TLayoutFamily family, const TColumnLayout& layout) {
    ini.WriteString(kGridConfigSection, LayoutKey(family), FormatLayoutList(layout));
}

// ---- sort state ------------------------------------------------------------------------

void PressHeader(TSortState& state, int column) {
    if (column < 0) {
        state.column = -1;
        state.ascending = true;
    } else if (state.column == column) {
        state.ascending = !state.ascending;
    } else {
        state.column = column;
        state.ascending = true;
    }
}

// ---- headers, cells, keys --------------------------------------------------------------

TCellTexts MakeCellTexts(const TFunctionTable& functionTable, const TDevice& device) {
    const TFunctionTable* f = &functionTable;
    const TDevice* d = &device;
    TCellTexts c;
    c.function = [f](const TData& r) { return FunctionText(r, *f); };
    c.channels = [](const TData& r) { return ChannelsText(r); };
    c.time = [f](const TData& r) { return TimeText(r, *f); };
    c.relayFunction = [f](const TData& r, int j) { return RelayFunctionText(r, *f, j); };
    c.relayTime = [f](const TData& r, int j) { return RelayTimeText(r, *f, j); };
    c.extra = [d](const TData& r) { return ExtraText(r, d->Name); };
    c.outputs = device.Outputs;
    return c;
}

std::string HeaderText(int k, const TTextTable& texts, const TUserTitles& titles) {
    switch (k) {
        case kind::Position:
            return TextAt(texts, Text::PositionColumn);
        case kind::Code:
            return TextAt(texts, Text::SerialColumn);
        case kind::TxType:
            return TextAt(texts, Text::TxType);
        case kind::Button:
            return TextAt(texts, Text::ButtonColumn);
        case kind::Function:
            return TextAt(texts, Text::FunctionColumn);
        case kind::Channels:
            return TextAt(texts, Text::Channels);
        case kind::Time:
            return TextAt(texts, Text::TimeColumn);
        case kind::Rs232:
            return "RS-232";
        default:
            break;
    }
    if (k >= kind::UserID && k <= kind::User4) return titles[k - kind::UserID];
    if (k > kind::RelayFunction && k <= kind::RelayFunction + kMaxRelays)
        return TextAt(texts, Text::RelayFunctionColumn) + std::to_string(k - kind::RelayFunction);
    if (k > kind::RelayTime && k <= kind::RelayTime + kMaxRelays)
        return TextAt(texts, Text::RelayTimeColumn) + std::to_string(k - kind::RelayTime);
    return {};
}

std::string CellText(int k, const TData& r, const TCellTexts& cells) {
    switch (k) {
        case kind::Position:
            return std::to_string(r.Position);
        case kind::Code:
            return r.Code();
        case kind::TxType:
            return r.TxType;
        case kind::Button:
            return r.Button;
        case kind::Function:
            return Call(cells.function, r);
        case kind::Channels:
            return Call(cells.channels, r);
        case kind::Time:
            return Call(cells.time, r);
        case kind::UserID:
            return std::to_string(r.UserID);
        case kind::User1:
            return r.User1;
        case kind::User1 + 1:
            return r.User2;
        case kind::User1 + 2:
            return r.User3;
        case kind::User4:
            return r.User4;
        case kind::Rs232:
            return r.Extra.size() >= 99 ? Call(cells.extra, r) : std::string();
        default:
            break;
    }
    if (IsRelayKind(k, kind::RelayFunction, cells.outputs))
        return cells.relayFunction ? cells.relayFunction(r, k - kind::RelayFunction) : "";
    if (IsRelayKind(k, kind::RelayTime, cells.outputs))
        return cells.relayTime ? cells.relayTime(r, k - kind::RelayTime) : "";
    return {};
}

bool IsNumberKind(int k) {
    return k == kind::Position || k == kind::Code || k == kind::Time || k == kind::UserID;
}

int64_t HexKey(const std::string& text) {
    uint32_t v = 0;
    return ParseHex(text, v) ? v : 0;
}

TSortKey SortKeyOf(int k, const TData& r, const TCellTexts& cells) {
    TSortKey key;
    switch (k) {
        case kind::Position:
            key.number = r.Position;
            break;
        case kind::Code:
            key.number = HexKey(r.Serial);
            break;
        case kind::Time:
            key.number = HexKey(r.Time);
            break;
        case kind::UserID:
            key.number = r.UserID;
            break;
        case kind::Rs232:
            break;  // the same for every record
        default:
            key.text = CellText(k, r, cells);
            break;
    }
    return key;
}

// ---- rows ---------------------------------------------------------------------------------

std::vector<int> SortedRows(const TRecordTable& table, int sortKind, bool ascending,
                            const TCellTexts& cells) {
    std::vector<int> rows;
    rows.reserve(table.size());
    for (size_t i = 0; i < table.size(); ++i)
        if (!table[i].Empty) rows.push_back(static_cast<int>(i));

    // Keys are made once per record; equal keys keep table order (stable sort) whatever
    // the direction.
    if (IsNumberKind(sortKind)) {
        std::vector<int64_t> keys(table.size());
        for (int i : rows) keys[i] = SortKeyOf(sortKind, table[i], cells).number;
        if (ascending)
            std::stable_sort(rows.begin(), rows.end(),
                             [&](int a, int b) { return keys[a] < keys[b]; });
        else
            std::stable_sort(rows.begin(), rows.end(),
                             [&](int a, int b) { return keys[a] > keys[b]; });
    } else {
        std::vector<std::string> keys(table.size());
        bool any = false;
        for (int i : rows) {
            keys[i] = SortKeyOf(sortKind, table[i], cells).text;
            any = any || !keys[i].empty();
        }
        if (!any) return rows;
        // std::string compares bytes as unsigned characters.
        if (ascending)
            std::stable_sort(rows.begin(), rows.end(),
                             [&](int a, int b) { return keys[a].compare(keys[b]) < 0; });
        else
            std::stable_sort(rows.begin(), rows.end(),
                             [&](int a, int b) { return keys[a].compare(keys[b]) > 0; });
    }
    return rows;
}

int KeepSelection(const TRecordTable& table, const std::vector<int>& rows, int selectedRecord,
                  int oldRow) {
    if (rows.empty()) return -1;
    for (size_t r = 0; r < rows.size(); ++r)
        if (table[rows[r]].Position == selectedRecord) return static_cast<int>(r);
    int row = oldRow > 0 ? oldRow - 1 : 0;
    return std::min(row, static_cast<int>(rows.size()) - 1);
}

// ---- the view ---------------------------------------------------------------------------

void TFileView::Refresh(const TRecordTable& table, const TTextTable& texts,
                        const TUserTitles& titles, const TCellTexts& cells) {
    // The position the selected row showed, not the record now at that table index: the
    // table may have changed (renumbered by a save, replaced by an open) since.
    if (&cells != &this->cells) this->cells = cells;
    int selectedRecord = 1;
    if (selectedRow >= 0 && selectedRow < static_cast<int>(positions.size()))
        selectedRecord = positions[selectedRow];

    headers.clear();
    for (int k : layout.ShownKinds()) headers.push_back(HeaderText(k, texts, titles));

    rows = SortedRows(table, layout.KindAt(sort.column), sort.ascending, cells);
    empty = rows.empty();
    positions.clear();
    for (int i : rows) positions.push_back(table[i].Position);
    selectedRow = KeepSelection(table, rows, selectedRecord, selectedRow);
}

std::string TFileView::Cell(const TRecordTable& table, int row, int column,
                            const TCellTexts& cells) const {
    // The table may have been replaced since the last refresh (a repaint before it).
    if (row < 0 || row >= RowCount() || column < 0 || column >= layout.Count() ||
        static_cast<size_t>(rows[row]) >= table.size())
        return {};
    return CellText(layout.KindAt(column), table[rows[row]], cells);
}

void TFileView::Clear() {
    rows.clear();
    positions.clear();
    selectedRow = -1;
    empty = true;
}

bool TFileView::IsRedRow(const TRecordTable& table, int row) const {
    if (row < 0 || row >= RowCount() || static_cast<size_t>(rows[row]) >= table.size())
        return false;
    int c = layout.IndexOf(kind::Button);
    return c >= 0 && c < layout.Count() && IsRedRecord(table[rows[row]]);
}

bool RefreshFileView(const TFileViewSource& source, TFileView& view) {
    source.functionTable.SetFileName(source.language.FunctionTableFile());
    if (!source.functionTable.LoadFunctionTable(source.device.Name)) return false;
    const int singleRelay = source.functionTable.SingleRelay;
    view.family = FamilyOf(singleRelay);
    view.layout = ReadColumnLayout(source.ini, view.family, singleRelay);
    view.sort = source.sorts.Of(view.family);
    view.Refresh(source.table, source.language.Texts(), source.titles,
                 MakeCellTexts(source.functionTable, source.device));
    return true;
}

void PressFileViewHeader(TFileViewSorts& sorts, TFileView& view, int column) {
    view.sort = sorts.Of(view.family);
    PressHeader(view.sort, column);
    sorts.Of(view.family) = view.sort;
}

void MoveFileViewColumn(TIniFile& ini, TFileViewSorts& sorts, TFileView& view, int from, int to) {
    TSortState& sort = sorts.Of(view.family);
    if (!MoveColumn(view.layout, sort, from, to)) return;
    view.sort = sort;
    StoreColumnLayout(ini, view.family, view.layout);
}

}  // namespace ravlin
