#include "records/Describe.h"

#include <algorithm>

#include "base/Hex.h"
#include "catalog/FunctionTable.h"

namespace ravlin {

std::string TransmitterCodeText(const TData& record) {
    return record.CodePrefix + record.Serial;
}

std::string FunctionText(const TData& record, const TFunctionTable& functionTable) {
    return functionTable.FunctionName(record.Output);
}

std::string RelayFunctionText(const TData& record, const TFunctionTable& functionTable, int relay) {
    return functionTable.RelayFunctionName(relay, record.Output);
}

std::string ChannelsText(const TData& record) {
    return TFunctionTable::ChannelsText(record.Channels);
}

bool IsTimedFunction(const std::string& functionText, const TFunctionTable& functionTable) {
    if (functionTable.TimeIndex < 0 ||
        static_cast<size_t>(functionTable.TimeIndex) >= functionTable.Functions.size())
        return false;
    return functionText == functionTable.Functions[static_cast<size_t>(functionTable.TimeIndex)];
}

std::string TimeText(const TData& record, const TFunctionTable& functionTable) {
    if (!IsTimedFunction(FunctionText(record, functionTable), functionTable)) return "-";
    return functionTable.TimeText(record.Time);
}

std::string RelayTimeText(const TData& record, const TFunctionTable& functionTable, int relay) {
    if (!IsTimedFunction(RelayFunctionText(record, functionTable, relay), functionTable))
        return "-";
    return functionTable.RelayTimeText(relay, record.Time);
}

namespace {

// The byte at digits `at`, `at` + 1 (1-based) of `extra`; 0 when it is not there or not
// hexadecimal.
int ByteAt(const std::string& extra, size_t at) {
    return at < 1 ? 0 : std::max(HexByteAt(extra, at - 1), 0);
}

// `count` command bytes from digit `at`, as far as Extra reaches. A byte below 32 shows as
// "$" and its two digits; so does a pair that is no byte (kept as typed in the editor).
std::string CommandBytes(const std::string& extra, size_t at, int count) {
    std::string text;
    for (int i = 0; i < count; ++i, at += 2) {
        if (at + 1 > extra.size()) break;
        const int byte = HexByteAt(extra, at - 1);
        if (byte < 32) {
            text += '$';
            text += extra[at - 1];
            text += extra[at];
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

void Join(std::string& result, const std::string& slotText, bool firstSlot) {
    if (firstSlot) {
        result += slotText;
    } else if (!slotText.empty()) {
        result += " / " + slotText;
    }
}

bool IsTwoSlotRecord(const TData& record) {
    return (record.Output == "E0" && record.Button == "A") ||
           (record.Output == "0E" && record.Button == "5") ||
           (record.Output == "66" && record.Button == "F");
}

}  // namespace

std::string ExtraText(const TData& record, const std::string& type) {
    const std::string& extra = record.Extra;
    std::string result;
    if (type == "KV1M2") {
        for (size_t s = 4; s <= extra.size(); s += 124) {
            int n = ByteAt(extra, s);
            if (n > 114) n = 0;
            std::string slot = CommandBytes(extra, s + 10, n);
            if (n == 0 && ByteAt(extra, s + 2) > 0) slot = "Tx Code";
            Join(result, slot, s == 4);
        }
        return result;
    }
    const bool sequenced = type == "KV1W" || type == "KV1M3";
    if (!sequenced && type != "KV1M" && type != "KV1K" && type != "KV8M") return result;
    if (sequenced) result = "S:" + std::to_string(1 + (ByteAt(extra, 4) >> 6)) + " - ";
    const bool delayed = type == "KV1M3";
    const size_t step = IsTwoSlotRecord(record) ? 48 : 0;
    for (size_t s = 4; s <= extra.size() || s == 4; s += step) {
        const int n = ByteAt(extra, s) & 0x3F;
        std::string slot = CommandBytes(extra, s + (delayed ? 12 : 10), n);
        if (n == 0 && ByteAt(extra, s + 2) > 0) slot = "Tx Code";
        if (delayed) {
            const int delay = ByteAt(extra, s + 10);
            if (delay > 0) slot += " (D: " + std::to_string(delay / 10) + "s)";
        }
        Join(result, slot, s == 4);
        if (step == 0) break;
    }
    return result;
}

}  // namespace ravlin
