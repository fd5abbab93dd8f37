// Monitor file contents from the fuzzer. Whatever the reader accepts, writing it and reading
// it again gives the same set-up; nothing touches the disk. Message and event limits taken
// from the first bytes stop the reader with what it read within them.
// max_len: 65536
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "monitoring/MonitorFile.h"

using namespace ravlin;

namespace {

bool SameStored(const TMonitorData& a, const TMonitorData& b) {
    return a.Number == b.Number && a.Text == b.Text && a.Color == b.Color && a.Size == b.Size &&
           a.Sound == b.Sound && a.SoundFile == b.SoundFile && a.Picture == b.Picture &&
           a.Blink == b.Blink && a.Activate == b.Activate && a.ShowWindow == b.ShowWindow &&
           a.RepeatTime == b.RepeatTime && a.ActiveEvents == b.ActiveEvents &&
           a.DeactiveEvents == b.DeactiveEvents;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    if (size >= 2) {
        const TMonitorFileLimits limits{data[0] % 8u, data[1] % 32u};
        const TMonitorFileContent capped = ParseMonitorFile(content, limits);
        size_t events = 0;
        for (const auto& m : capped.messages)
            events += m.ActiveEvents.size() + m.DeactiveEvents.size();
        if (capped.messages.size() > limits.maxMessages || events > limits.maxEvents) std::abort();
    }
    const TMonitorFileContent first = ParseMonitorFile(content);
    if (first.status != TMonitorFileStatus::Ok) return 0;
    for (const auto& m : first.messages)
        if (m.RepeatTime < 0) std::abort();
    const std::string written = FormatMonitorFile(first.messages);
    const TMonitorFileContent again = ParseMonitorFile(written);
    if (again.status != TMonitorFileStatus::Ok) std::abort();
    if (again.messages.size() != first.messages.size()) std::abort();
    for (size_t i = 0; i < first.messages.size(); ++i)
        if (!SameStored(first.messages[i], again.messages[i])) std::abort();
    if (FormatMonitorFile(again.messages) != written) std::abort();
    return 0;
}
