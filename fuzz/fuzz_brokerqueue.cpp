// Queue files for the broker from the fuzzer (a file damaged, or written by another
// version): the reader never crashes, and what it reads is written and read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bridge/Outbox.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    size_t skipped = 0;
    const auto messages = ParseOutbox(content, &skipped);
    if (ParseOutbox(FormatOutbox(messages)) != messages) std::abort();
    return 0;
}
