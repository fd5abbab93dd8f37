#pragma once
// The record commands Add, Edit and Delete over the record table, without their windows,
// and the same edits as one request (the command-line tool). Each command describes what
// it does as a TRecordChange; the caller applies it through the undo history, marks the
// document modified and as differing from the receiver when the change is not empty, and
// refreshes the views.
//
// Messages: Text::NoFreePosition; the editor's messages (RecordEditor.h).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/Data.h"
#include "records/RecordEditor.h"
#include "records/RecordHistory.h"

namespace ravlin {

class TFunctionTable;

// Position of the first empty record (lowest position); 0 when every record is used.
int FirstEmptyPosition(const TRecordTable& table);

// What Add opens the editor on.
struct TAddPlan {
    int position = 0;  // the free position i
    TData record;      // the record the editor starts from
};

// The template of an added record: a record of the table copied (its button becomes "0"),
// a cleared record, or the free record as it is.
inline constexpr int kAddCleared = 0;
inline constexpr int kAddAsItIs = -1;

// Add, steps 1 and 3: the first free position and the record to edit. `templatePosition`
// > 0 copies the record at that position, kAddCleared starts from a cleared record,
// kAddAsItIs from the free record unchanged. False after NoFreePosition when no record is free.
bool PlanAdd(const TRecordTable& table, const TDevice& device, int templatePosition, TAddPlan& plan,
             const TTextTable& texts, TUserInterface& ui);
// The same for a given free position (the command-line tool names it).
TAddPlan PlanAddAt(const TRecordTable& table, const TDevice& device, int position,
                   int templatePosition);

// An accepted add: the edited record goes to the plan's position, no longer empty unless
// its Serial is "00000"; a position at or beyond the end of the used part moves that end
// (the record after it is marked erased when it holds nothing, UsedCount grows by one).
// The change is empty when the record stays empty: nothing is added.
TRecordChange AddChange(const TRecordTable& table, const TDevice& device, const TAddPlan& plan,
                        const TData& edited, TChangeKind kind = TChangeKind::Add);

// An accepted edit of the record at `position` (empty when nothing changed).
TRecordChange EditChange(const TRecordTable& table, const TDevice& device, int position,
                         const TData& edited);

// Delete: the records at `positions` are cleared. Positions outside the table, repeated
// ones and records that are already empty are left out.
TRecordChange DeleteChange(const TRecordTable& table, const TDevice& device,
                           const std::vector<int>& positions);

// ---- the commands over one document -------------------------------------------------

// What the record commands work on: narrow references to the document's objects.
struct TRecordContext {
    const TTextTable& texts;
    TUserInterface& ui;
    const TFunctionTable& functionTable;
    TDevice& device;
    TRecordTable& table;
    TRecordHistory& history;
    std::string txDir;                  // the folder of Tx.def
    std::array<std::string, 5> titles;  // user number and User1..User4 titles
};

// Changed: the table changed (one undo step); the caller sets the document's marks from
// the history (saved: AtSaved(), same as the receiver: AtReceiver()) and refreshes the
// views and the user information the logs show.
enum class TCommandResult { Changed, Unchanged, Cancelled, Refused };

// Delete of the selected rows' positions.
TCommandResult DeleteRecordsCommand(TRecordContext& ctx, const std::vector<int>& positions);
// Paste of the private clipboard form (text from the clipboard; anything else is refused
// silently, as there is nothing of ours to paste).
TCommandResult PasteRecordsCommand(TRecordContext& ctx, std::string_view privateForm);
// Undo / Redo: Changed when a step was taken back or made again; `positions` receives the
// positions it touched (for the selection).
TCommandResult UndoCommand(TRecordContext& ctx, std::vector<int>* positions = nullptr);
TCommandResult RedoCommand(TRecordContext& ctx, std::vector<int>* positions = nullptr);

// ---- one edit as a request ----------------------------------------------------------

struct TRecordEditRequest {
    std::optional<std::string> code;
    std::optional<std::string> type;      // a transmitter type name, or "-"
    std::optional<std::string> button;    // one hex digit
    std::optional<std::string> function;  // a name of the function list
    std::optional<int> relay;             // relay mode: 1..n, the relay the time is for
    std::optional<TTimeBoxes> time;
    std::optional<std::vector<int>> channels;  // combined mode: channel numbers
    std::optional<int32_t> userId;
    std::array<std::optional<std::string>, 4> user;
};

// Sets the request into an opened editor in the order of the dialog's controls (type,
// code, button, relay, function, time, channels, user information) and confirms it. A
// value the dialog could not be given (an unknown type or function, a button the type
// does not offer, a time for an untimed function, ...) is refused with a message like a
// failed check. False after the message.
bool ApplyEditRequest(TRecordEditor& editor, const TRecordEditRequest& request, TData& result);

// The whole edit of record `position` (1-based): an empty record is filled as Add fills
// its free position, a used one is edited. `txDir` holds Tx.def. On success `change` is the
// change to apply; false after the message leaves it empty.
bool EditRecordByRequest(const TRecordTable& table, const TDevice& device,
                         const TFunctionTable& functionTable, const std::string& txDir,
                         int position, const TRecordEditRequest& request, const TTextTable& texts,
                         TUserInterface& ui, TRecordChange& change);

}  // namespace ravlin
