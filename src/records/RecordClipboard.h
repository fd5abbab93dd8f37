#pragma once
// Records on the clipboard. Copy puts two forms there: the selected rows as tab-separated
// text in the view's column order (for spreadsheets), and the whole records in a private
// form that another running program can paste. Paste reads the private form (bytes from
// anywhere: every reader check is strict) and puts the records into the first free
// positions, with the checks of the record editor; a record that fails one is reported and
// left out.
//
// Private form (single-byte text, lines ended by CR LF):
//   "RavlinRecords;1;" type name in hex ";" record count
//   one line per record: Position;Serial;Button;Output;Channels;Time;Extra;UserID;User1;
//   User2;User3;User4;TxType;CodePrefix -- digit fields as they are, texts as two hex
//   digits per byte.

#include <string>
#include <string_view>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/Data.h"
#include "records/RecordHistory.h"

namespace ravlin {

class TFunctionTable;

// The clipboard format of the desktop program for whole records.
inline constexpr const char* kRecordsMimeType = "application/x-ravlin-records";

// Rows of cells as tab-separated lines (CR LF). A tab or line break inside a cell would
// split it and becomes a blank.
std::string TabSeparated(const std::vector<std::vector<std::string>>& rows);

struct TClipRecords {
    std::string typeName;  // the receiver type the records were copied from
    std::vector<TData> records;
};

// The records at `positions` (1-based; others are left out), in that order.
std::vector<TData> RecordsAt(const TRecordTable& table, const std::vector<int>& positions);
std::string SerializeRecords(const std::string& typeName, const std::vector<TData>& records);
// False for anything that is not exactly the private form; `out` is then unchanged.
bool ParseRecords(std::string_view text, TClipRecords& out);

struct TPasteResult {
    TRecordChange change;  // to apply through the history
    int pasted = 0;
    int refused = 0;
};

// Pastes into the first free positions, as Add fills them (the end of the used part moves
// along). Each record must be of the document's receiver type and pass the editor's checks:
// the transmitter code (Text::BadTxCode), a known function (UnknownFunction), the check
// rules (RecordBreaksRules), user texts the data file can carry, field lengths of the type;
// the set rules are applied. Refused records are reported in one message; NoFreePosition
// when the free positions run out. Records of another receiver type are refused as a whole.
TPasteResult PasteRecords(const TRecordTable& table, const TDevice& device,
                          const TFunctionTable& functionTable, const TClipRecords& clip,
                          const TTextTable& texts, TUserInterface& ui);

}  // namespace ravlin
