// Column layouts and widths from a hand-edited settings file. Whatever the file holds, the
// File view gets a layout it can show (61 elements, a column count within 0..60, each user
// column once), moving, showing and hiding columns keep it so, and what is stored reads
// back as stored.
// max_len: 16384
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "views/ColumnConfig.h"

using namespace ravlin;

namespace {

void Check(const TColumnLayout& layout) {
    if (layout.Count() < 0 || layout.Count() > TColumnLayout::kMaxColumns) std::abort();
    for (int k = kind::UserID; k <= kind::User4; ++k) {
        int n = 0;
        for (int c = 0; c < TColumnLayout::kMaxColumns; ++c) n += layout.KindAt(c) == k;
        if (n != 1) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    TIniFile ini("");
    ini.LoadText(content);
    const uint8_t steer = size ? data[0] : 0;
    const int singleRelay = steer % 24;
    for (TLayoutFamily family : {TLayoutFamily::Single, TLayoutFamily::Multi}) {
        TColumnLayout layout = ReadColumnLayout(ini, family, singleRelay);
        Check(layout);
        TSortState sort{static_cast<int>(steer) - 100, true};
        // A few moves, shows and hides steered by the input's bytes.
        for (size_t i = 1; i + 1 < size && i < 40; i += 2) {
            const int a = data[i] % 64, b = data[i + 1] % 64;
            switch (data[i] % 3) {
                case 0:
                    ColumnMoved(ini, family, singleRelay, layout, sort, a - 2, b - 2);
                    break;
                case 1:
                    ShowUserColumn(ini, family, singleRelay, layout, sort, kind::UserID + b % 5);
                    break;
                default:
                    HideUserColumn(ini, family, singleRelay, layout, sort, kind::UserID + b % 5);
                    break;
            }
            Check(layout);
        }
        StoreColumnLayout(ini, family, layout);
        const auto list =
            ParseLayoutList(ini.ReadString(kGridConfigSection, LayoutKey(family), ""));
        if (list.size() != layout.items.size() || !IsValidLayoutList(list)) std::abort();
        for (size_t i = 1; i < list.size(); ++i)
            if (list[i] != layout.items[i]) std::abort();

        for (TWidthKeys keys : {FileViewWidthKeys(family), MemoryViewWidthKeys(family)}) {
            const auto widths = ReadColumnWidths(ini, keys, kFileViewWidthColumns);
            for (int w : widths)
                if (w < kMinColumnWidth || w > kMaxColumnWidth) std::abort();
            WriteColumnWidths(ini, keys, widths);
            if (ReadColumnWidths(ini, keys, kFileViewWidthColumns) != widths) std::abort();
        }
    }
    return 0;
}
