#pragma once
// The Memory view without its window: column headers and the rows of the non-empty
// records in position order, in the column order of the receiver type's layout family.
// The desktop program's table model and `ravlin-cli show` both show what this builds.

#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/Data.h"
#include "views/FileView.h"

namespace ravlin {

class TFunctionTable;

// One column: its header is language text `textId` followed by `suffix` (the relay
// number), or `fixedText` when textId is None ("RS-232", the User 1 title).
struct TMemoryColumn {
    Text textId = Text::None;
    std::string suffix;
    std::string fixedText;
    std::string Header(const TTextTable& texts) const;
};

struct TMemoryRow {
    int record = 0;  // index into the record table
    std::vector<std::string> cells;
    bool red = false;  // the button cell reads exactly "0"
};

struct TMemoryViewContent {
    TLayoutFamily family = TLayoutFamily::Single;
    std::vector<TMemoryColumn> columns;
    std::vector<std::string> headers;  // the columns' header texts
    std::vector<TMemoryRow> rows;      // non-empty records, position order
    bool empty = true;                 // no record shown
};

// Columns of the type's layout family (function table SingleRelay 0: single layout of
// seven columns; otherwise 2 x Outputs + 4 columns). `user1Title` heads the last column of
// the text-holding types (the settings' User1 title; Text::User1Title by default).
std::vector<TMemoryColumn> MemoryColumns(const TDevice& device, const TFunctionTable& functionTable,
                                         const std::string& user1Title);
// The cells of one record in that column order.
std::vector<std::string> MemoryCells(const TData& record, const TDevice& device,
                                     const TFunctionTable& functionTable);
TMemoryViewContent BuildMemoryView(const TRecordTable& table, const TDevice& device,
                                   const TFunctionTable& functionTable, const TTextTable& texts,
                                   const std::string& user1Title);

}  // namespace ravlin
