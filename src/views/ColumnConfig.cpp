#include "views/ColumnConfig.h"

#include <algorithm>

namespace ravlin {

namespace {

constexpr int kMaxKind = 100;
constexpr const char* kSetupSection = "Setup";

// Kinds that have a header and cells; each may stand once only.
bool HasHeader(int k) {
    return (k >= kind::Position && k <= kind::User4) || k == kind::Rs232 ||
           (k > kind::RelayFunction && k <= kind::RelayTime + 20);
}

void RecountColumns(const TIniFile& ini, TLayoutFamily family, int singleRelay,
                    TColumnLayout& layout) {
    layout.items[0] = LayoutColumnCount(family, singleRelay, VisibleUserColumns(ini, family));
}

}  // namespace

bool IsValidLayoutList(const std::vector<int>& list) {
    std::vector<int> seen(kMaxKind + 1, 0);
    const size_t n = std::min<size_t>(list.size(), TColumnLayout::kMaxColumns + 1);
    for (size_t i = 1; i < n; ++i) {
        const int k = list[i];
        if (k < 0 || k > kMaxKind) return false;
        if (HasHeader(k) && seen[k]++) return false;
    }
    for (int k = kind::UserID; k <= kind::User4; ++k)
        if (seen[k] != 1) return false;
    return true;
}

TColumnLayout ReadColumnLayout(const TIniFile& ini, TLayoutFamily family, int singleRelay) {
    std::vector<int> list = ParseLayoutList(
        ini.ReadString(kGridConfigSection, LayoutKey(family), DefaultLayoutList(family)));
    if (!IsValidLayoutList(list)) list = ParseLayoutList(DefaultLayoutList(family));
    return BuildColumnLayout(
        list, LayoutColumnCount(family, singleRelay, VisibleUserColumns(ini, family)));
}

void StoreColumnLayoutAndFlags(TIniFile& ini, TLayoutFamily family, const TColumnLayout& layout) {
    StoreColumnLayout(ini, family, layout);
    const auto singleKeys = VisibilityKeys(TLayoutFamily::Single);
    const auto multiKeys = VisibilityKeys(TLayoutFamily::Multi);
    for (size_t i = 0; i < singleKeys.size(); ++i)
        for (const char* key : {singleKeys[i], multiKeys[i]})
            ini.WriteBool(kSetupSection, key, ini.ReadBool(kSetupSection, key, true));
}

bool MoveColumn(TColumnLayout& layout, TSortState& sort, int from, int to) {
    constexpr int n = TColumnLayout::kMaxColumns;
    if (from < 0 || to < 0 || from >= n || to >= n || from == to) return false;
    auto& items = layout.items;  // element 0 is the column count
    const int moved = items[from + 1];
    if (to < from)
        for (int i = from; i > to; --i) items[i + 1] = items[i];
    else
        for (int i = from; i < to; ++i) items[i + 1] = items[i + 2];
    items[to + 1] = moved;
    if (sort.column == from)
        sort.column = to;
    else if (to < from && sort.column >= to && sort.column < from)
        ++sort.column;
    else if (to > from && sort.column > from && sort.column <= to)
        --sort.column;
    return true;
}

bool ColumnMoved(TIniFile& ini, TLayoutFamily family, int singleRelay, TColumnLayout& layout,
                 TSortState& sort, int from, int to) {
    constexpr int n = TColumnLayout::kMaxColumns;
    if (from < 0 || to < 0 || from >= n || to >= n) return false;
    MoveColumn(layout, sort, from, to);
    StoreColumnLayoutAndFlags(ini, family, layout);
    RecountColumns(ini, family, singleRelay, layout);
    return true;
}

bool ShowUserColumn(TIniFile& ini, TLayoutFamily family, int singleRelay, TColumnLayout& layout,
                    TSortState& sort, int k) {
    const int index = layout.IndexOf(k);
    const int count = layout.Count();
    if (k < kind::UserID || k > kind::User4 || index < 0 || index < count ||
        count >= TColumnLayout::kMaxColumns)
        return false;
    ColumnMoved(ini, family, singleRelay, layout, sort, index, count);
    layout.items[0] = std::min(layout.items[0] + 1, TColumnLayout::kMaxColumns);
    return true;
}

bool HideUserColumn(TIniFile& ini, TLayoutFamily family, int singleRelay, TColumnLayout& layout,
                    TSortState& sort, int k) {
    const int index = layout.IndexOf(k);
    const int count = layout.Count();
    if (k < kind::UserID || k > kind::User4 || index < 0 || index >= count || count < 1)
        return false;
    ColumnMoved(ini, family, singleRelay, layout, sort, index, count - 1);
    layout.items[0] = std::max(layout.items[0] - 1, 0);
    return true;
}

std::array<bool, 5> ReadUserColumnFlags(const TIniFile& ini, TLayoutFamily family) {
    std::array<bool, 5> flags{};
    const auto keys = VisibilityKeys(family);
    for (size_t i = 0; i < keys.size(); ++i) flags[i] = ini.ReadBool(kSetupSection, keys[i], true);
    return flags;
}

void WriteUserColumnFlags(TIniFile& ini, TLayoutFamily family, const std::array<bool, 5>& flags) {
    const auto keys = VisibilityKeys(family);
    for (size_t i = 0; i < keys.size(); ++i) ini.WriteBool(kSetupSection, keys[i], flags[i]);
}

TWidthKeys FileViewWidthKeys(TLayoutFamily family) {
    return family == TLayoutFamily::Single ? TWidthKeys{"UserGrid_Single", 13}
                                           : TWidthKeys{"UserGrid_Multi", 25};
}

TWidthKeys MemoryViewWidthKeys(TLayoutFamily family) {
    return family == TLayoutFamily::Single ? TWidthKeys{"MemGrid_Single", 6}
                                           : TWidthKeys{"MemGrid_Multi", 19};
}

std::vector<int> ReadColumnWidths(const TIniFile& ini, TWidthKeys keys, int columns) {
    std::vector<int> widths(std::max(columns, 0), kDefaultColumnWidth);
    const int n = std::min(keys.stored, static_cast<int>(widths.size()));
    for (int i = 0; i < n; ++i)
        widths[i] = std::clamp(
            ini.ReadInteger(keys.section, "Col" + std::to_string(i + 1), kDefaultColumnWidth),
            kMinColumnWidth, kMaxColumnWidth);
    return widths;
}

std::vector<int> ReadStoredColumnWidths(const TIniFile& ini, TWidthKeys keys, int columns) {
    std::vector<int> widths = ReadColumnWidths(ini, keys, columns);
    const int n = std::min(keys.stored, static_cast<int>(widths.size()));
    for (int i = 0; i < static_cast<int>(widths.size()); ++i)
        if (i >= n || !ini.ValueExists(keys.section, "Col" + std::to_string(i + 1))) widths[i] = 0;
    return widths;
}

void WriteColumnWidths(TIniFile& ini, TWidthKeys keys, const std::vector<int>& widths) {
    const int n = std::min(keys.stored, static_cast<int>(widths.size()));
    for (int i = 0; i < n; ++i)
        if (widths[i] > 0) ini.WriteInteger(keys.section, "Col" + std::to_string(i + 1), widths[i]);
}

}  // namespace ravlin
