#include "records/RecordCommands.h"

#include <algorithm>
#include <cctype>

#include "base/Hex.h"
#include "catalog/FunctionTable.h"
#include "records/Codec.h"
#include "records/RecordClipboard.h"

namespace ravlin {

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool Refuse(TUserInterface& ui, const std::string& text) {
    ui.Error(TMessage::Fixed(text));
    return false;
}

// The item of `items` equal to `text`, letter case ignored.
const std::string* FindItem(const std::vector<std::string>& items, const std::string& text) {
    for (const std::string& item : items)
        if (Upper(item) == Upper(text)) return &item;
    return nullptr;
}

}  // namespace

int FirstEmptyPosition(const TRecordTable& table) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].Empty) return static_cast<int>(i + 1);
    return 0;
}

TAddPlan PlanAddAt(const TRecordTable& table, const TDevice& device, int position,
                   int templatePosition) {
    TAddPlan plan;
    plan.position = position;
    if (position < 1 || static_cast<size_t>(position) > table.size()) return plan;
    if (templatePosition > 0 && static_cast<size_t>(templatePosition) <= table.size()) {
        plan.record = table[static_cast<size_t>(templatePosition - 1)];
        plan.record.Button = "0";
    } else {
        plan.record = table[static_cast<size_t>(position - 1)];
        if (templatePosition == kAddCleared) ClearRecord(plan.record, device);
    }
    plan.record.Position = position;
    return plan;
}

bool PlanAdd(const TRecordTable& table, const TDevice& device, int templatePosition, TAddPlan& plan,
             const TTextTable& texts, TUserInterface& ui) {
    const int position = FirstEmptyPosition(table);
    if (position == 0) {
        ui.Error(TMessage::Lang(texts, Text::NoFreePosition));
        return false;
    }
    plan = PlanAddAt(table, device, position, templatePosition);
    return true;
}

TRecordChange AddChange(const TRecordTable& table, const TDevice& device, const TAddPlan& plan,
                        const TData& edited, TChangeKind kind) {
    TRecordChange change;
    change.kind = kind;
    change.usedBefore = change.usedAfter = device.UsedCount;
    const int i = plan.position;
    if (i < 1 || static_cast<size_t>(i) > table.size()) return change;
    TData after = edited;
    after.Position = i;
    if (after.Serial != "00000") after.Empty = false;
    // A record that is still empty holds nothing the views or the receiver would show.
    if (after.Empty) return change;
    change.items.push_back({i, table[static_cast<size_t>(i - 1)], std::move(after)});

    const int recordCount = std::min(device.RecordCount, static_cast<int>(table.size()));
    if (i >= device.UsedCount && i < recordCount) {
        const TData& next = table[static_cast<size_t>(i)];
        // The erased record marks the new end of the used part; a record that holds a
        // transmitter (behind an earlier erased one) keeps its digits.
        if (next.Empty && next.Raw != device.ErasedRecord) {
            TData marked = next;
            marked.Raw = device.ErasedRecord;
            change.items.push_back({i + 1, next, std::move(marked)});
        }
        change.usedAfter = device.UsedCount + 1;
    }
    return change;
}

TRecordChange EditChange(const TRecordTable& table, const TDevice& device, int position,
                         const TData& edited) {
    TRecordChange change;
    change.kind = TChangeKind::Edit;
    change.usedBefore = change.usedAfter = device.UsedCount;
    if (position < 1 || static_cast<size_t>(position) > table.size()) return change;
    const TData& before = table[static_cast<size_t>(position - 1)];
    TData after = edited;
    after.Position = before.Position;
    after.Empty = before.Empty;
    after.Raw = before.Raw;
    if (!SameRecord(before, after)) change.items.push_back({position, before, std::move(after)});
    return change;
}

TRecordChange DeleteChange(const TRecordTable& table, const TDevice& device,
                           const std::vector<int>& positions) {
    TRecordChange change;
    change.kind = TChangeKind::Delete;
    change.usedBefore = change.usedAfter = device.UsedCount;
    std::vector<bool> seen(table.size() + 1, false);
    change.items.reserve(positions.size());
    for (int p : positions) {
        if (p < 1 || static_cast<size_t>(p) > table.size() || seen[static_cast<size_t>(p)])
            continue;
        seen[static_cast<size_t>(p)] = true;
        const TData& before = table[static_cast<size_t>(p - 1)];
        if (before.Empty) continue;
        TData after = before;
        ClearRecord(after, device);
        change.items.push_back({p, before, std::move(after)});
    }
    return change;
}

TCommandResult DeleteRecordsCommand(TRecordContext& ctx, const std::vector<int>& positions) {
    return ctx.history.Apply(DeleteChange(ctx.table, ctx.device, positions), ctx.table, ctx.device)
               ? TCommandResult::Changed
               : TCommandResult::Unchanged;
}

TCommandResult PasteRecordsCommand(TRecordContext& ctx, std::string_view privateForm) {
    TClipRecords clip;
    if (!ParseRecords(privateForm, clip)) return TCommandResult::Refused;
    TPasteResult result =
        PasteRecords(ctx.table, ctx.device, ctx.functionTable, clip, ctx.texts, ctx.ui);
    if (ctx.history.Apply(std::move(result.change), ctx.table, ctx.device))
        return TCommandResult::Changed;
    return result.refused > 0 ? TCommandResult::Refused : TCommandResult::Unchanged;
}

TCommandResult UndoCommand(TRecordContext& ctx, std::vector<int>* positions) {
    if (!ctx.history.CanUndo()) return TCommandResult::Unchanged;
    std::vector<int> changed = ctx.history.Undo(ctx.table, ctx.device);
    if (positions) *positions = std::move(changed);
    return TCommandResult::Changed;
}

TCommandResult RedoCommand(TRecordContext& ctx, std::vector<int>* positions) {
    if (!ctx.history.CanRedo()) return TCommandResult::Unchanged;
    std::vector<int> changed = ctx.history.Redo(ctx.table, ctx.device);
    if (positions) *positions = std::move(changed);
    return TCommandResult::Changed;
}

bool ApplyEditRequest(TRecordEditor& editor, const TRecordEditRequest& request, TData& result) {
    TUserInterface& ui = editor.ui();
    if (request.type) {
        const std::string& name = *request.type;
        if (name == "-" || name.empty()) {
            editor.TypeChanged("-");
        } else {
            const TTx* found = nullptr;
            for (const TTx& t : editor.types())
                if (Upper(t.Name) == Upper(name) && t.Count != 0) found = &t;
            if (!found) return Refuse(ui, "Unknown transmitter type: " + name);
            editor.TypeChanged(found->Name);
        }
    }
    if (request.code) {
        editor.CodeEdited(*request.code);
        if (!editor.CodeExit()) return false;
    }
    if (request.button) {
        const std::string& b = *request.button;
        if (b.size() != 1 || !IsHexDigit(b[0]))
            return Refuse(ui, "The button code must be one hexadecimal digit, 0-9 or A-F: " + b);
        if (!editor.ButtonCodeEdited(b)) return false;
    }
    if (request.relay) {
        const int n = static_cast<int>(editor.relayItems.size());
        if (!editor.relayMode) return Refuse(ui, "This receiver type has no relays of their own.");
        if (*request.relay < 1 || *request.relay > n)
            return Refuse(ui, "Relay " + std::to_string(*request.relay) +
                                  " does not exist; the relays are 1 to " + std::to_string(n) +
                                  ".");
        editor.RelayChosen(*request.relay - 1);
    }
    if (request.function) {
        const std::string* item = FindItem(editor.functionItems, *request.function);
        if (!item) {
            ui.Error(TMessage::Lang(editor.texts(), Text::UnknownFunction));
            return false;
        }
        editor.FunctionChanged(*item);
    }
    if (request.time) {
        const TTimeBoxes& t = *request.time;
        if (!editor.timeEnabled)
            return Refuse(ui, "The function " + editor.functionText + " takes no time.");
        if (t.minutes < 0 || t.minutes > 110 || t.seconds < 0 || t.seconds > 59 || t.millis < 0 ||
            t.millis > 999)
            return Refuse(ui,
                          "The time must be given as minutes 0-110, seconds 0-59 and "
                          "milliseconds 0-999.");
        editor.time = t;
        editor.TimeExit();
    }
    if (request.channels) {
        if (editor.relayMode)
            return Refuse(ui, "This receiver type has no channels; its relays are set apart.");
        std::array<bool, 8> ticks{};
        for (int n : *request.channels) {
            if (n < 1 || n > editor.channelBoxes)
                return Refuse(ui, "Channel " + std::to_string(n) +
                                      " does not exist; the channels are 1 to " +
                                      std::to_string(editor.channelBoxes) + ".");
            ticks[static_cast<size_t>(n - 1)] = true;
        }
        editor.channels = ticks;
    }
    if (request.userId) editor.userId = *request.userId;
    for (size_t i = 0; i < 4; ++i)
        if (request.user[i]) editor.user[i] = *request.user[i];
    if (!editor.Confirm(result)) return false;
    // What the rules changed besides the values given: said, since no window shows it.
    for (const TEditorNote& note : editor.notes) {
        const bool given = note.field == TNoteField::Code     ? request.code.has_value()
                           : note.field == TNoteField::Button ? request.button.has_value()
                                                              : request.function.has_value();
        if (!given) ui.Information(TMessage::Fixed(note.text));
    }
    return true;
}

bool EditRecordByRequest(const TRecordTable& table, const TDevice& device,
                         const TFunctionTable& functionTable, const std::string& txDir,
                         int position, const TRecordEditRequest& request, const TTextTable& texts,
                         TUserInterface& ui, TRecordChange& change) {
    change = TRecordChange{};
    if (position < 1 || static_cast<size_t>(position) > table.size())
        return Refuse(ui, "Position " + std::to_string(position) +
                              " does not exist; the memory has positions 1 to " +
                              std::to_string(table.size()) + ".");
    const bool adding = table[static_cast<size_t>(position - 1)].Empty;
    if (adding && !request.code)
        return Refuse(ui, "Position " + std::to_string(position) +
                              " is empty: a transmitter code is needed to fill it.");
    const TAddPlan plan = adding ? PlanAddAt(table, device, position, kAddCleared)
                                 : TAddPlan{position, table[static_cast<size_t>(position - 1)]};
    TRecordEditor editor(texts, functionTable, device, ui);
    editor.Open(plan.record, txDir);
    TData result;
    if (!ApplyEditRequest(editor, request, result)) return false;
    if (adding) {
        change = AddChange(table, device, plan, result);
        if (change.Empty())
            return Refuse(ui, "The transmitter code " + result.CodePrefix + result.Serial +
                                  " marks an empty record; nothing was stored.");
    } else {
        change = EditChange(table, device, position, result);
    }
    return true;
}

}  // namespace ravlin
