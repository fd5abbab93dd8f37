// LowBatt.dat contents from the fuzzer. Whatever is read is written in the file's form;
// reading that back gives the same entries, and writing them again the same bytes. The
// page's cells and the sorts of every column work on whatever was read. Beyond its entry
// limit (100 000, reached by the longest inputs; a limit from the first byte by short
// ones) the reader says so.
// max_len: 262144
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "online/Battery.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<TLowBatteryEntry> items;
    TBatteryLog::ParseText(text, items);
    const std::string written = TBatteryLog::FormatText(items);
    std::vector<TLowBatteryEntry> again;
    TBatteryLog::ParseText(written, again);
    if (again.size() != items.size()) std::abort();
    if (TBatteryLog::FormatText(again) != written) std::abort();
    const size_t limit = size ? data[0] % 16 : 0;
    std::vector<TLowBatteryEntry> capped;
    if (TBatteryLog::ParseText(text, capped, limit) != (items.size() <= limit)) std::abort();
    if (capped.size() > limit) std::abort();

    const TTextTable texts(300, "t");
    const auto columns = BatteryColumns(kAllUserFields);
    for (const auto& e : again)
        for (auto field : columns) {
            BatteryCell(e, field, texts);
            BatteryCellColour(e, field, texts);
        }
    if (again.size() <= 2000) {
        for (size_t i = 0; i + 1 < again.size(); ++i)
            for (auto field : columns) {
                const int ab = CompareBattery(again[i], again[i + 1], field);
                const int ba = CompareBattery(again[i + 1], again[i], field);
                if (ab != -ba) std::abort();  // a sort needs an order
            }
    }
    return 0;
}
