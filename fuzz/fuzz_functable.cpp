// Function table reader, then the lookups, check and set rules on sample records.
// max_len: 65536
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalog/FunctionTable.h"

using namespace ravlin;

namespace {

TData Sample(const std::string& serial, const std::string& button, const std::string& output,
             const std::string& channels, const std::string& time, const std::string& extra) {
    TData d;
    d.Serial = serial;
    d.Button = button;
    d.Output = output;
    d.Channels = channels;
    d.Time = time;
    d.Extra = extra;
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string name = text.substr(0, text.find_first_of("\r\n"));
    TTextTable texts(100, "text");
    TSilentUi ui;
    TFunctionTable functionTable("/nonexistent", texts, ui);
    functionTable.LoadFunctionTableText(text, name);
    // Loading twice exercises the rules kept from a previous load.
    functionTable.LoadFunctionTableText(text, name);

    const TData samples[] = {
        Sample("12345", "A", "E0", "03", "0032", std::string(100, '0')),
        Sample("", "", "", "", "", ""),
        Sample("1", "F", "0", "8", "123456789ABC", "00"),
        Sample("FFFFF", "5", "0E", "FF", "FFFFFFFFFFFF", std::string(500, 'F')),
    };
    for (const TData& sample : samples) {
        TData record = sample;
        if (functionTable.Check(record)) functionTable.ApplySetRules(record);
        // Set rules replace digits but never change a field's length.
        if (record.Serial.size() != sample.Serial.size() ||
            record.Time.size() != sample.Time.size() || record.Extra.size() != sample.Extra.size())
            __builtin_trap();
        functionTable.FunctionName(record.Output);
        functionTable.RelayFunctionName(1, record.Output);
        std::string code;
        if (!functionTable.Functions.empty())
            functionTable.FunctionCode(functionTable.Functions.front(), code);
        functionTable.TimeText(record.Time);
        for (int relay = -1; relay <= 10; ++relay) {
            functionTable.RelayTimeText(relay, record.Time);
            std::string time = record.Time;
            functionTable.SetRelayTime(relay, relay * 7000, time);
            if (time.size() != record.Time.size()) __builtin_trap();
        }
        std::string time;
        functionTable.TimeCode(static_cast<int>(size) * 1000 - 5000, time);
        TFunctionTable::ChannelsText(record.Channels);
    }
    TFunctionTable::ChannelsText(name);
    TFunctionTable::FormatTime(name);
    return 0;
}
