// Command payloads and topics from the fuzzer, as another console (or anyone on the broker)
// may send them: nothing crashes, an accepted command says the same when written again, and
// any text written as JSON reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bridge/Json.h"
#include "bridge/Payloads.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string why;
    if (const auto op = ParseDeactivateCommand(input, why)) {
        std::string again;
        if (ParseDeactivateCommand(DeactivateCommand(*op), again) != op) std::abort();
    } else if (why.empty()) {
        std::abort();  // a refusal always says why
    }
    if (const auto s = ParseAlarmPayload(input)) {
        if (ParseAlarmPayload(AlarmPayload(*s)) != s) std::abort();
    }
    (void)ParseTopic(input);
    const auto back = ParseFlatJsonObject(TJsonObject().Text("t", input).Done(), size * 6 + 16);
    if (!back || !TextMember(*back, "t")) std::abort();
    return 0;
}
