#pragma once
// The record editor without its window: the state of every control of the "User
// Information" and "Projector Control" pages, the rules that tie them together, and the
// confirmation that turns them into a record. The dialog shows this state and calls the
// event operations below; the command-line tool sets the same state and confirms.
//
// The editor works on a working copy: the record handed to Open() is not touched, and
// Confirm() gives the new record only when every check passed.
//
// What the user did not change stays as stored: opening shows the record as it is (a type,
// button or function the lists do not offer included), and confirming it unchanged gives it
// back byte for byte. The type's rules (the code's first character, the type's buttons,
// the function list of input codes) apply when the user changes the type, the code or the
// button; where they change another value, `notes` says so.
//
// Messages (error boxes, Text::...): BadTxCode invalid transmitter code, TimeUnreadable
// time text of the function unreadable, UnknownFunction, RecordBreaksRules the check rules
// refuse the record, the command slots' (see Projector.h), CannotOpen / WrongFormat for
// Tx.def (see Catalog.h); fixed texts for user texts the data file cannot carry.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/Data.h"
#include "records/Projector.h"

namespace ravlin {

class TFunctionTable;

// The control a window should give the focus after a refusal.
enum class TEditorField { None, Code, UserText, Command };

// Time boxes (minutes, seconds, milliseconds) <-> a time in units of 100 ms.
struct TTimeBoxes {
    int minutes = 0;
    int seconds = 0;
    int millis = 0;
    bool operator==(const TTimeBoxes&) const = default;
};
// Milliseconds rounded to whole hundreds (a half to the even hundred), the sum in units of
// 100 ms; with `limit` at most 65535 and at least 1.
int TimeValue(const TTimeBoxes& boxes, bool limit = true);
TTimeBoxes TimeBoxesOf(int value);
// The boxes of a time text "m:ss,mmm"; nullopt when a part is not a number.
std::optional<TTimeBoxes> ParseTimeText(const std::string& text);

// The transmitter code stored for a typed one: 5 hex digits get `typePrefix` (or "x0" when
// it is not two characters) before them, "x" and 6 hex digits become "x" and the digits, 7
// hex digits stay; hex digits in upper case. nullopt for anything else; `xForm` tells
// whether the text had the "x" form.
std::optional<std::string> NormaliseCode(const std::string& typed, const std::string& typePrefix,
                                         bool* xForm = nullptr);

// The button codes a transmitter type gives, rising: the sums of its shown buttons' values
// (buttons pressed together), or its inputs' values; for an input code ("A...") also F,
// the code of Direct and Inverse. `Describe` names them for a message ("1 to F",
// "3 (Closed), 6 (Open), F").
std::vector<int> ButtonCodesOf(const TTx& type, bool inputCode);
std::string DescribeButtonCodes(const TTx& type, bool inputCode);

// A value the editor changed by a rule while the user changed another one.
enum class TNoteField { Code, Button, Function };
struct TEditorNote {
    TNoteField field;
    std::string text;  // "The button code becomes F: ..."
};

// A user text the data file can carry: no "#" (its field separator) and no line break.
// Otherwise the message that refuses it, naming the field by `what`.
std::optional<TMessage> UserTextProblem(const std::string& text, const std::string& what);
// For the text-holding receiver types, the most characters of User1 the receiver keeps.
// -1 for every other type.
int UserTextCapacity(const TDevice& device);

struct TEditorButton {
    bool visible = false;
    int top = 0;
    int left = 0;
    bool ticked = false;
};

class TRecordEditor {
  public:
    // The user titles for messages default to the language's (Text::UserIdTitle ...; see
    // userTitles).
    TRecordEditor(const TTextTable& texts, const TFunctionTable& functionTable,
                  const TDevice& device, TUserInterface& ui);

    // Opening: reads the transmitter types from dir/fileName (its message when that fails;
    // the type becomes "-") and shows `record`.
    void Open(const TData& record, const std::string& txDir, const std::string& txFile = "Tx.def");
    // The same with the transmitter types already read.
    void Open(const TData& record, std::vector<TTx> types);

    // ---- events of the User Information page --------------------------------------
    // The type list's text was changed (a choice or a typed text that was confirmed).
    void TypeChanged(const std::string& text);
    // Button picture: tick box j (0..3) ticked or unticked.
    void ButtonBoxToggled(int j, bool ticked);
    // Input list: input `index` chosen (-1: none).
    void InputChosen(int index);
    // The button code list's text was edited. A code the current type does not give is
    // refused with a message naming the type's codes: false, the button stays.
    bool ButtonCodeEdited(const std::string& text);
    // The code box's text changed (typing); CodeExit validates it (the box lost the focus).
    void CodeEdited(const std::string& text) { code = text; }
    bool CodeExit();
    // The function list's text was changed. A text the list does not hold stays as typed
    // (Confirm refuses it with UnknownFunction). Choosing the timed function sets the
    // times: they are normalised, in relay mode every relay's.
    void FunctionChanged(const std::string& text);
    // A time box lost the focus: a time the user changed is normalised; an untouched one
    // stays as stored, also below the shortest time.
    void TimeExit();
    // Relay mode: relay `index` (0-based) of the relay list chosen.
    void RelayChosen(int index);
    // Channel box n (0..7) ticked or unticked; ignored for a disabled box.
    void ChannelToggled(int n, bool ticked);

    // ---- events of the Projector Control page -------------------------------------
    // The user switches to the page: the slot layout follows the function and button now
    // chosen.
    void ProjectorPageShown();
    // The input timer fired ("KV1M2": empty command boxes take the ones below them).
    bool CompactCommands() { return ravlin::CompactCommands(projector); }

    // ---- confirmation -------------------------------------------------------------
    // Runs every check. True: `result` is the record to store (Position, Empty and Raw of
    // the opened record). False: the message was shown, `focus` names the control, and the
    // editor stays as it was (apart from a restored code).
    bool Confirm(TData& result);

    // ---- state (what the controls show) -------------------------------------------
    TData original;  // the record as opened
    int32_t userId = 0;
    std::array<std::string, 4> user;
    std::string code;                    // KodEdit, at most 7 characters
    std::vector<std::string> typeItems;  // names of the transmitter types
    std::string typeText = "-";
    std::string buttonText;   // BtnCombo
    bool showButtons = true;  // button picture (true) or input list (false)
    bool showInputs = false;
    std::array<TEditorButton, 4> buttons;
    std::vector<std::string> inputItems;
    int inputIndex = -1;
    std::vector<std::string> functionItems;
    std::string functionText;
    int functionIndex = -1;
    bool timeEnabled = false;
    TTimeBoxes time;
    bool relayMode = false;
    std::vector<std::string> relayItems;  // "RE 1" .. "RE n"
    int relayIndex = 0;
    int channelBoxes = 0;  // channel boxes 1..channelBoxes are enabled (combined mode)
    std::array<bool, 8> channels{};
    TProjectorPage projector;
    TEditorField focus = TEditorField::None;
    int focusIndex = -1;  // the user text (0..3) or command slot of `focus`
    // Values the rules changed since opening, at most one note per field; a field the user
    // sets again drops its note.
    std::vector<TEditorNote> notes;

    // Working values of relay mode.
    std::string workingOutput;
    std::string workingTime;
    int currentRelay = 1;

    const std::vector<TTx>& types() const { return types_; }
    // Index of the type whose picture is shown (0 when none matched).
    int currentType() const { return currentType_; }
    const TDevice& device() const { return device_; }
    const TFunctionTable& functionTable() const { return functionTable_; }
    const TTextTable& texts() const { return texts_; }
    TUserInterface& ui() const { return ui_; }

    // Validates the code box: 5 hex digits (the type's prefix, or "x0", put before), "x"
    // and 6 hex digits, or 7 hex digits; stored in upper case. Invalid: BadTxCode and the stored
    // code back. `refocus` is set unless the text had the "x" form.
    bool ValidateCode(bool* refocus = nullptr);
    // The output code that the chosen function stands for (relay mode: after a relay
    // change); empty when the function has none.
    std::string ChosenOutput();

    // Names of the user number and User1..User4 for messages (by default the language's
    // Text::UserIdTitle ... User4Title).
    std::array<std::string, 5> userTitles;

    // The refusal of `text` in user text box i (0..3), nullopt when it may be stored. A text
    // typed may not hold what the data file cannot carry; the receiver's own User1 of the
    // text-holding types, left as it came, is kept whole whatever it holds.
    std::optional<TMessage> UserTextRefusal(size_t i, const std::string& text) const;

  private:
    // The button picture or input list for the type text and button code; changes nothing.
    void ShowType();
    // The function list for the code. `rules`: the code or type was changed, so an input
    // code takes button F and a function the list lacks becomes its first item.
    void FillFunctionList(bool rules, bool reloadTime = false);
    void ApplyFunction(bool rules, bool reloadTime);
    void LoadTime(bool reload);
    void SetAllRelayTimes();
    void RelayChange();
    void Note(TNoteField field, std::string text);
    void Forget(TNoteField field);
    const TTx* FindType(const std::string& name) const;
    void SetButtonFromTicks();
    std::string StoredCode() const { return original.CodePrefix + original.Serial; }

    const TTextTable& texts_;
    const TFunctionTable& functionTable_;
    const TDevice& device_;
    TUserInterface& ui_;
    std::vector<TTx> types_;
    int currentType_ = 0;
    // What the controls showed at opening, to tell what the user changed.
    std::string openedFunction_;
    std::array<bool, 8> openedChannels_{};
    TProjectorPage openedProjector_;
    std::string checkedCode_;  // the code as last validated: CodeExit without a change is no change
    TTimeBoxes loadedTime_;    // the time boxes as loaded or last normalised
    bool timeSet_ = false;     // the user set the time shown (the current relay's in relay mode)
};

}  // namespace ravlin
