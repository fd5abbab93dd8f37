#pragma once
// The memory image codec: the record area of a receiver as hex text (RecordCount x L
// digits) <-> the record table. The record layout comes from the receiver type's
// catalogue entry: its decode and encode maps say, digit by digit, which field and which
// position in that field a record digit belongs to.

#include <string>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/Data.h"

namespace ravlin {

class TFunctionTable;

inline constexpr const char* kDataCodingError = "Data coding error";

// True when `raw` equals the type's empty template or its erased record.
bool IsEmptyRaw(const std::string& raw, const TDevice& device);

// Rebuilds `table` from `image`: RecordCount records, user information reset (User1 of the
// text-holding types read from Extra), device.UsedCount set. False (no message) when a
// decode map group has a position that is not a number in 1..500; `table` and `device`
// are then unchanged.
bool DecodeImage(const std::string& image, TDevice& device, TRecordTable& table);

// Packs the table (used records to the front, renumbered, in their order) and builds the
// image of RecordCount records into `image`. Records standing behind an erased record are
// packed too, so nothing the views show is dropped. With block size 2048 UsedCount becomes
// the number of packed records, otherwise RecordCount. On an encode map fault: the
// information "Data coding error", false; the table stays packed and `image` holds the
// records before the failing one.
bool EncodeImage(TDevice& device, TRecordTable& table, std::string& image, TUserInterface& ui);

// Empties record `position` (1-based): template digits, digit fields all "0" of their
// length, no user information. Position is kept. Out-of-range positions are ignored.
void ClearRecord(TRecordTable& table, const TDevice& device, int position);
void ClearRecord(TData& record, const TDevice& device);

// An empty record for `position`, its digit fields as long as the decode map makes them.
TData MakeEmptyRecord(const TDevice& device, int position);

// User1 of the text-holding types: the text kept in Extra, and its writing back.
std::string ExtraToText(const std::string& extra, const std::string& typeName);
void TextToExtra(const std::string& text, const std::string& typeName, std::string& extra);

// New document for receiver type `name`: the catalogue entry (dataDir/Rx.def, without
// block size) and the function table `functionTable` (its file name already set) are loaded.
// Not logged in: the entry becomes `current`, with the function table's record count,
// block size 0, no password and addresses 0. Logged in: `current` stays the receiver's,
// and the table covers its RecordCount positions (the receiver's memory decides).
// UsedCount := RecordCount. False (with the catalogue's or the function table's message,
// or none for an unknown name) leaves `current` and `table` unchanged.
bool MakeEmptyTable(const std::string& dataDir, const std::string& name, bool loggedIn,
                    TDevice& current, TFunctionTable& functionTable, TRecordTable& table,
                    const TTextTable& texts, TUserInterface& ui);

}  // namespace ravlin
