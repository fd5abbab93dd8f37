#pragma once
// The record commands that open the record editor (Add, Edit, the on-line Add) and the
// clipboard of the desktop program, for the controller that places them in the main
// window. Delete, Paste, Undo and Redo need no window: RecordCommands.h.

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "records/RecordCommands.h"

namespace ravlin {

// Add: the first free position, started from the record at `templatePosition` (the
// position of the current row; kAddCleared when the row has none, kAddAsItIs on the other
// pages). Text::NoFreePosition when no record is free (Refused). Cancel changes nothing.
TCommandResult AddRecordCommand(QWidget* parent, TRecordContext& ctx, int templatePosition);
// The on-line panel's Add: the transmitter just received (its seven-character code and
// button digit) put into the free record before the editor opens.
TCommandResult AddTransmitterCommand(QWidget* parent, TRecordContext& ctx, const std::string& code,
                                     const std::string& button);
// Edit: the editor for each position in turn (the selected rows from the top). Every
// confirmed edit stays, also when a later one is cancelled; together they are one undo
// step. Cancelled when the user cancelled one (the views are refreshed all the same).
TCommandResult EditRecordsCommand(QWidget* parent, TRecordContext& ctx,
                                  const std::vector<int>& positions);

// Copy: the tab-separated rows (spreadsheets; see views/CopyRows.h) and the whole records
// at `positions` in the private form, both on the system clipboard.
void CopyRecordsToClipboard(const TRecordContext& ctx, const std::string& tabSeparated,
                            const std::vector<int>& positions);
// The private form on the clipboard (copied by this or another running program).
std::optional<std::string> RecordsOnClipboard();
// Paste from the clipboard into the first free positions.
TCommandResult PasteFromClipboard(TRecordContext& ctx);

}  // namespace ravlin
