// Alarm log contents from the fuzzer. The reader never fails on damage; every entry it
// reads is written back as a line that reads as the same entry.
// max_len: 65536
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "monitoring/AlarmLog.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    size_t skipped = 0;
    const auto entries = ParseAlarmLog(content, &skipped);
    if (entries.size() + skipped > content.size() + 1) std::abort();
    for (const TAlarmEntry& e : entries) {
        if (!e.Time.Valid() || e.Number < 0) std::abort();
        const std::string line = FormatAlarmLine(e);
        if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n") std::abort();
        const auto back = ParseAlarmLine(std::string_view(line).substr(0, line.size() - 2));
        if (!back) std::abort();
        if (FormatAlarmLine(*back) != line) std::abort();
        if (back->Time != e.Time || back->Action != e.Action || back->Cause != e.Cause ||
            back->Number != e.Number)
            std::abort();
    }
    return 0;
}
