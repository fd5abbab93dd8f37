// History.dat contents from the fuzzer. Whatever is read is written in the file's form;
// reading that back gives the same records, and writing them again the same bytes. The
// page's cells and every sort work on whatever was read. The length limit keeps the first
// records: inputs are long enough to hold more than the 99 999 of the file's limit, and a
// limit taken from the first byte is reached by short ones too.
// max_len: 262144
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "online/History.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    THistoryList items;
    THistory::ParseText(text, items);
    const std::string written = THistory::FormatText(items);
    THistoryList again;
    THistory::ParseText(written, again);
    if (again.size() != items.size()) std::abort();
    if (THistory::FormatText(again) != written) std::abort();
    const size_t limit = size ? data[0] % 16 : 0;
    THistoryList capped;
    const bool whole = THistory::ParseText(text, capped, limit);
    if (capped.size() > limit || whole != (items.size() <= limit)) std::abort();
    for (size_t i = 0; i < capped.size(); ++i)
        if (THistoryFormat::kLimits.keepHead &&
            THistory::FormatText({capped[i]}) != THistory::FormatText({items[i]}))
            std::abort();  // the first records are the ones kept

    const TTextTable texts(300, "t");
    for (const auto& rec : again)
        for (auto field : HistoryColumns(kAllUserFields)) HistoryCell(rec, field, texts);
    TSilentUi ui;
    THistory history("", texts, ui);  // sorting writes nothing
    if (again.size() <= 2000) {
        history.EditItems() = again;
        for (int f = 0; f <= static_cast<int>(THistoryField::User4); ++f) {
            const int at = history.Sort(static_cast<THistoryField>(f), f % 2 == 0,
                                        static_cast<int>(again.size()) - 1);
            if (!again.empty() && (at < 0 || static_cast<size_t>(at) >= again.size())) std::abort();
        }
    }
    return 0;
}
