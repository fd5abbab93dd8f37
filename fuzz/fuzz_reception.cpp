// A last-reception block from the fuzzer, as a read of the on-line address returns it:
// whatever decodes gives the parts of the block (code, button, battery, position) in
// upper case, the panel and the logging levels work on it, and the history, the battery
// log and the last-heard list take it in memory without a file.
// max_len: 256
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "online/Battery.h"
#include "online/History.h"
#include "online/LastHeard.h"
#include "online/Reception.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string block(reinterpret_cast<const char*>(data), size);
    TReception r;
    if (!DecodeReception(block, r)) return 0;
    if (r.serial.size() != 7 || r.button.size() != 1 || r.battery.size() != 2 ||
        r.position.size() != 4)
        std::abort();
    const int position = r.MemoryPosition();
    if (position < -1 || position > 0xFFFF) std::abort();
    TOnlinePanel panel;
    panel.Show(r);

    TRecordTable table(3);
    table[1].Empty = false;
    table[1].Serial = r.SerialKey();
    table[1].Button = r.button;
    table[1].UserID = 5;
    for (int level = 0; level <= 4; ++level) {
        const TLogDecision d = DecideLogging(r, table, level % 2 == 0, level, 4 - level);
        if (r.Nothing() && (d.history || d.battery)) std::abort();
    }
    // The logs' entries for it, as the poll makes them (no file: nothing is written).
    THistoryRec rec;
    rec.Serial = r.serial;
    rec.Button = r.button;
    THistory::FillUserInfo(rec, table);
    THistoryList items{rec};
    THistoryList again;
    THistory::ParseText(THistory::FormatText(items), again);
    if (again.size() != 1 || again[0].Serial != r.serial) std::abort();
    return 0;
}
