#pragma once
// The texts that describe a record: transmitter code, function, channels, time, and the
// one-line summary of the serial-port commands a record carries ("RS-232" text).
// The views, find, export and printing all show these.

#include <string>

#include "records/Data.h"

namespace ravlin {

class TFunctionTable;

// CodePrefix followed by Serial.
std::string TransmitterCodeText(const TData& record);
// Combined mode: the function name of Output ("?" when unknown or in relay mode).
std::string FunctionText(const TData& record, const TFunctionTable& functionTable);
// Relay mode: the function of relay `relay` (1..n); the whole code is looked up, so every
// relay shows the same name.
std::string RelayFunctionText(const TData& record, const TFunctionTable& functionTable, int relay);
// Channel list of the channel mask.
std::string ChannelsText(const TData& record);
// Combined mode: the time when the record's function is the timed one, else "-".
std::string TimeText(const TData& record, const TFunctionTable& functionTable);
// Relay mode: the time of relay `relay` (its own four digits of Time) when that relay's
// function is the timed one, else "-".
std::string RelayTimeText(const TData& record, const TFunctionTable& functionTable, int relay);
// True when `functionText` names the function that takes a time.
bool IsTimedFunction(const std::string& functionText, const TFunctionTable& functionTable);

// Summary of the serial-port command slots in Extra for the serial-command receiver
// types ("KV1M", "KV1W", "KV1K", "KV8M", "KV1M3", "KV1M2"); empty for every other type.
// Command bytes: 32 and above as their character, lower ones as "$" and their two digits.
std::string ExtraText(const TData& record, const std::string& receiverTypeName);

}  // namespace ravlin
