#include "records/RecordEditor.h"

#include <algorithm>
#include <cctype>

#include "base/Hex.h"
#include "catalog/Catalog.h"
#include "catalog/FunctionTable.h"
#include "records/Codec.h"

namespace ravlin {

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return Upper(a) == Upper(b);
}

// Codes beginning with "A" belong to input transmitters.
bool IsInputCode(const std::string& code) {
    return !code.empty() && (code[0] == 'A' || code[0] == 'a');
}

// A whole decimal number, optionally signed.
bool ParseNumber(const std::string& text, int& value) {
    return catalog_detail::ParseInt(text, value);
}

}  // namespace

int TimeValue(const TTimeBoxes& boxes, bool limit) {
    const long minutes = std::max(boxes.minutes, 0);
    const long seconds = std::max(boxes.seconds, 0);
    const long millis = std::max(boxes.millis, 0);
    long hundreds = millis / 100;
    const long rest = millis % 100;
    if (rest > 50 || (rest == 50 && hundreds % 2 == 1)) ++hundreds;
    long value = minutes * 600 + seconds * 10 + hundreds;
    if (limit) value = std::clamp(value, 1L, 65535L);
    return static_cast<int>(std::min(value, 0x7FFFFFFFL));
}

TTimeBoxes TimeBoxesOf(int value) {
    const long t = 100L * std::max(value, 0);
    return {static_cast<int>(t / 60000), static_cast<int>(t / 1000 % 60),
            static_cast<int>(t % 1000)};
}

std::optional<TTimeBoxes> ParseTimeText(const std::string& text) {
    const size_t colon = text.find(':');
    const size_t comma = text.find(',', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || comma == std::string::npos) return std::nullopt;
    TTimeBoxes boxes;
    if (!ParseNumber(text.substr(0, colon), boxes.minutes) ||
        !ParseNumber(text.substr(colon + 1, comma - colon - 1), boxes.seconds) ||
        !ParseNumber(text.substr(comma + 1), boxes.millis))
        return std::nullopt;
    return boxes;
}

std::optional<std::string> NormaliseCode(const std::string& s, const std::string& typePrefix,
                                         bool* xForm) {
    const bool x = s.size() == 7 && (s[0] == 'x' || s[0] == 'X');
    if (xForm) *xForm = x;
    if (s.size() == 5 && AllHexDigits(s))
        return (typePrefix.size() == 2 ? typePrefix : "x0") + Upper(s);
    if (x && AllHexDigits(std::string_view(s).substr(1))) return "x" + Upper(s.substr(1));
    if (s.size() == 7 && AllHexDigits(s)) return Upper(s);
    return std::nullopt;
}

std::optional<TMessage> UserTextProblem(const std::string& text, const std::string& what) {
    if (text.find('#') != std::string::npos)
        return TMessage::Fixed(what +
                               ": the character \"#\" cannot be stored, it separates the fields "
                               "of the data file.");
    if (text.find_first_of("\r\n") != std::string::npos)
        return TMessage::Fixed(what + ": a line break cannot be stored.");
    return std::nullopt;
}

int UserTextCapacity(const TDevice& device) {
    if (!IsTextHoldingType(device.Name)) return -1;
    const size_t digits = MakeEmptyRecord(device, 0).Extra.size();
    const size_t start = device.Name == "KV8T-N" ? 1 : 0;
    return digits > start ? static_cast<int>((digits - start) / 2) : 0;
}

std::vector<int> ButtonCodesOf(const TTx& type, bool inputCode) {
    std::vector<bool> gives(16, false);
    if (type.HasButtons) {
        // Every non-empty choice of shown buttons, as the tick boxes add them up.
        for (unsigned chosen = 1; chosen < 16; ++chosen) {
            int sum = 0;
            bool shown = true;
            for (size_t j = 0; j < 4; ++j)
                if (chosen & (1u << j)) {
                    shown = shown && type.Buttons[j].Visible;
                    sum += type.Buttons[j].Value;
                }
            if (shown && sum > 0 && sum < 16) gives[static_cast<size_t>(sum)] = true;
        }
    } else {
        for (const TInput& input : type.Inputs)
            if (input.Value >= 0 && input.Value < 16)
                gives[static_cast<size_t>(input.Value)] = true;
        if (inputCode) gives[15] = true;
    }
    std::vector<int> codes;
    for (int d = 0; d < 16; ++d)
        if (gives[static_cast<size_t>(d)]) codes.push_back(d);
    return codes;
}

std::string DescribeButtonCodes(const TTx& type, bool inputCode) {
    const std::vector<int> codes = ButtonCodesOf(type, inputCode);
    auto digit = [](int d) { return std::string(1, HexDigitChar(static_cast<unsigned>(d))); };
    std::string text;
    for (size_t i = 0; i < codes.size();) {
        size_t run = i;
        while (run + 1 < codes.size() && codes[run + 1] == codes[run] + 1) ++run;
        if (!text.empty()) text += ", ";
        if (type.HasButtons && run >= i + 2) {
            text += digit(codes[i]) + " to " + digit(codes[run]);
            i = run + 1;
            continue;
        }
        text += digit(codes[i]);
        if (!type.HasButtons)
            for (const TInput& input : type.Inputs)
                if (input.Value == codes[i]) {
                    text += " (" + input.Name + ")";
                    break;
                }
        ++i;
    }
    return text.empty() ? std::string("none") : text;
}

TRecordEditor::TRecordEditor(const TTextTable& texts, const TFunctionTable& functionTable,
                             const TDevice& device, TUserInterface& ui)
    : texts_(texts), functionTable_(functionTable), device_(device), ui_(ui) {
    for (int i = 0; i < 5; ++i)
        userTitles[static_cast<size_t>(i)] = TextAt(texts, TextInRun(Text::UserIdTitle, i));
}

void TRecordEditor::Open(const TData& record, const std::string& txDir, const std::string& txFile) {
    std::vector<TTx> types;
    const bool loaded = LoadTransmitterTypes(txDir, txFile, types, texts_, ui_);
    Open(record, std::move(types));
    if (!loaded) {
        typeText = "-";
        ShowType();
    }
}

void TRecordEditor::Open(const TData& record, std::vector<TTx> types) {
    original = record;
    types_ = std::move(types);
    focus = TEditorField::None;
    focusIndex = -1;
    notes.clear();

    channels.fill(false);
    channelBoxes = 0;
    relayItems.clear();
    relayIndex = 0;
    functionItems = functionTable_.Functions;
    timeEnabled = false;
    time = {};
    loadedTime_ = {};
    timeSet_ = false;

    userId = record.UserID;
    user = {record.User1, record.User2, record.User3, record.User4};
    code = StoredCode();
    checkedCode_ = code;
    typeText = record.TxType;
    buttonText = record.Button;

    relayMode = functionTable_.IsRelayMode();
    if (!relayMode) {
        functionText = functionTable_.FunctionName(record.Output);
        channelBoxes = std::clamp(device_.Outputs, 0, 8);
        // Every channel of the mask keeps its tick, also one beyond the enabled boxes.
        if (!TFunctionTable::ChannelsText(record.Channels).empty() && record.Channels != "00") {
            unsigned mask = 0;
            for (char c : record.Channels)
                mask = mask * 16 + static_cast<unsigned>(HexDigitValue(c));
            for (int n = 0; n < 8; ++n) channels[static_cast<size_t>(n)] = (mask >> n) & 1;
        }
    } else {
        functionText = functionTable_.RelayFunctionName(1, record.Output);
        for (int n = 1; n <= functionTable_.SingleRelay; ++n)
            relayItems.push_back("RE " + std::to_string(n));
        workingOutput = record.Output;
        workingTime = record.Time;
        currentRelay = 1;
    }

    typeItems.clear();
    for (const TTx& t : types_) typeItems.push_back(t.Name);
    // The record as stored: no rule changes what the user has not touched.
    ShowType();
    FillFunctionList(false, true);
    openedFunction_ = functionText;
    openedChannels_ = channels;
    SetUpProjectorPage(projector, device_.Name, record, texts_);
    openedProjector_ = projector;
}

const TTx* TRecordEditor::FindType(const std::string& name) const {
    for (const TTx& t : types_)
        if (t.Name == name && t.Count != 0) return &t;
    return nullptr;
}

void TRecordEditor::Note(TNoteField field, std::string text) {
    Forget(field);
    notes.push_back({field, std::move(text)});
}

void TRecordEditor::Forget(TNoteField field) {
    std::erase_if(notes, [field](const TEditorNote& n) { return n.field == field; });
}

void TRecordEditor::ShowType() {
    const TTx* found = FindType(typeText);
    currentType_ = found ? static_cast<int>(found - types_.data()) : 0;
    int d = buttonText.empty() ? 0 : HexDigitValue(buttonText[0]);
    if (d < 0) d = 0;
    for (auto& b : buttons) b = TEditorButton{};
    inputItems.clear();
    inputIndex = -1;
    if (types_.empty()) {
        showButtons = false;
        showInputs = false;
        return;
    }
    const TTx& type = types_[static_cast<size_t>(currentType_)];
    showButtons = type.HasButtons;
    showInputs = !type.HasButtons;
    if (type.HasButtons) {
        for (size_t j = 0; j < 4; ++j) {
            buttons[j].visible = type.Buttons[j].Visible;
            buttons[j].top = type.Buttons[j].Top;
            buttons[j].left = type.Buttons[j].Left;
        }
        // Ticks from the code with the fixed weights 8, 4, 2, 1.
        for (size_t j = 0; j < 4; ++j) {
            const int weight = 8 >> j;
            if (d >= weight) {
                buttons[j].ticked = true;
                d -= weight;
            }
        }
        return;
    }
    for (size_t i = 0; i < type.Inputs.size(); ++i) {
        inputItems.push_back(type.Inputs[i].Name);
        if (inputIndex < 0 && type.Inputs[i].Value == d) inputIndex = static_cast<int>(i);
    }
}

void TRecordEditor::TypeChanged(const std::string& text) {
    std::string chosen = text;
    for (const std::string& item : typeItems)
        if (SameIgnoringCase(item, text)) {
            chosen = item;
            break;
        }
    if (chosen == " " || chosen.empty()) chosen = "-";
    if (chosen == typeText) return;
    const std::string before = code;
    if (chosen == "-") code = "x0" + (code.size() > 2 ? code.substr(2, 5) : std::string());
    typeText = chosen;
    const TTx* type = FindType(typeText);
    if (type) {
        // The first character of the code names the type.
        if (!code.empty() && !type->CodePrefix.empty()) code[0] = type->CodePrefix[0];
    } else {
        typeText = "-";
    }
    if (code != before)
        Note(TNoteField::Code, "The transmitter code becomes " + code + ": codes of the type " +
                                   typeText + " begin with " + code.substr(0, 1) + ".");
    checkedCode_ = code;
    ShowType();
    if (type) {
        // A button code the type does not give becomes its first one.
        const std::vector<int> codes = ButtonCodesOf(*type, IsInputCode(code));
        const int d = buttonText.size() == 1 ? HexDigitValue(buttonText[0]) : -1;
        if (!codes.empty() && std::find(codes.begin(), codes.end(), d) == codes.end()) {
            buttonText = std::string(1, HexDigitChar(static_cast<unsigned>(codes.front())));
            Note(TNoteField::Button, "The button code becomes " + buttonText + ": the type " +
                                         typeText + " gives " +
                                         DescribeButtonCodes(*type, IsInputCode(code)) + ".");
            ShowType();
        }
    }
    FillFunctionList(true);
}

void TRecordEditor::SetButtonFromTicks() {
    if (types_.empty()) return;
    const TTx& type = types_[static_cast<size_t>(currentType_)];
    int sum = 0;
    for (size_t j = 0; j < 4; ++j)
        if (buttons[j].ticked) sum += type.Buttons[j].Value;
    buttonText = std::string(1, HexDigitChar(static_cast<unsigned>(sum)));
}

void TRecordEditor::ButtonBoxToggled(int j, bool ticked) {
    if (j < 0 || j > 3) return;
    buttons[static_cast<size_t>(j)].ticked = ticked;
    if (const TTx* t = FindType(typeText)) {
        currentType_ = static_cast<int>(t - types_.data());
    } else {
        typeText = "-";
        currentType_ = 0;
    }
    SetButtonFromTicks();
    Forget(TNoteField::Button);
}

void TRecordEditor::InputChosen(int index) {
    Forget(TNoteField::Button);
    inputIndex = -1;
    buttonText = "0";
    if (types_.empty() || index < 0) return;
    const TTx& type = types_[static_cast<size_t>(currentType_)];
    if (static_cast<size_t>(index) >= type.Inputs.size()) return;
    inputIndex = index;
    const int value = type.Inputs[static_cast<size_t>(index)].Value;
    buttonText = std::string(
        1, value >= 0 && value <= 15 ? HexDigitChar(static_cast<unsigned>(value)) : '0');
}

bool TRecordEditor::ButtonCodeEdited(const std::string& text) {
    std::string upper = Upper(text);
    if (!upper.empty() && (upper.size() != 1 || !IsHexDigit(upper[0]))) upper = "0";
    if (upper == buttonText) {
        Forget(TNoteField::Button);
        return true;
    }
    if (!upper.empty()) {
        if (const TTx* type = FindType(typeText)) {
            const std::vector<int> codes = ButtonCodesOf(*type, IsInputCode(code));
            if (std::find(codes.begin(), codes.end(), HexDigitValue(upper[0])) == codes.end()) {
                ui_.Error(TMessage::Fixed("The transmitter type " + typeText +
                                          " has no button code " + upper + "; its codes are " +
                                          DescribeButtonCodes(*type, IsInputCode(code)) + "."));
                return false;
            }
        }
    }
    buttonText = upper;
    Forget(TNoteField::Button);
    ShowType();
    return true;
}

bool TRecordEditor::ValidateCode(bool* refocus) {
    if (refocus) *refocus = false;
    const TTx* t = FindType(typeText);
    bool xForm = false;
    if (auto valid = NormaliseCode(code, t ? t->CodePrefix : std::string(), &xForm)) {
        code = *valid;
        return true;
    }
    ui_.Error(TMessage::Lang(texts_, Text::BadTxCode));
    code = StoredCode();
    if (refocus) *refocus = !xForm;
    return false;
}

bool TRecordEditor::CodeExit() {
    // Leaving the box without a change changes nothing.
    if (code == checkedCode_) return true;
    bool refocus = false;
    const bool valid = ValidateCode(&refocus);
    if (refocus) {
        focus = TEditorField::Code;
        focusIndex = -1;
    }
    const bool changed = code != checkedCode_;
    checkedCode_ = code;
    if (changed) {
        Forget(TNoteField::Code);
        FillFunctionList(true);
    }
    return valid;
}

void TRecordEditor::FillFunctionList(bool rules, bool reloadTime) {
    if (IsInputCode(code)) {
        functionItems = {"-", "Direct", "Inverse"};
        // Input codes answer with the state of their inputs: button F.
        if (rules && buttonText != "F") {
            buttonText = "F";
            Note(TNoteField::Button,
                 "The button code becomes F: codes beginning with A take the button code F.");
            ShowType();
        }
    } else {
        functionItems = functionTable_.Functions;
    }
    ApplyFunction(rules, reloadTime);
}

void TRecordEditor::ApplyFunction(bool rules, bool reloadTime) {
    functionIndex = -1;
    for (size_t i = 0; i < functionItems.size(); ++i)
        if (SameIgnoringCase(functionItems[i], functionText)) {
            functionIndex = static_cast<int>(i);
            break;
        }
    if (functionIndex >= 0) {
        functionText = functionItems[static_cast<size_t>(functionIndex)];
    } else if (rules && !functionItems.empty()) {
        // The list offered for the new code lacks the function: its first one.
        const std::string before = functionText;
        functionIndex = 0;
        functionText = functionItems[0];
        Note(TNoteField::Function, "The function becomes " + functionText + ": " + before +
                                       " is not offered for the code " + code + ".");
    }
    LoadTime(reloadTime);
}

void TRecordEditor::LoadTime(bool reload) {
    // The timed function is the one named at TimeIndex, whichever list is offered.
    const bool timed =
        functionTable_.TimeIndex >= 0 &&
        static_cast<size_t>(functionTable_.TimeIndex) < functionTable_.Functions.size() &&
        functionText == functionTable_.Functions[static_cast<size_t>(functionTable_.TimeIndex)];
    if (!timed) {
        timeEnabled = false;
        return;
    }
    const bool wasEnabled = timeEnabled;
    timeEnabled = true;
    // A time the user typed stays when the function is applied again for another reason.
    if (wasEnabled && !reload) return;
    const std::string text = relayMode ? functionTable_.RelayTimeText(relayIndex + 1, workingTime)
                                       : functionTable_.TimeText(original.Time);
    if (auto boxes = ParseTimeText(text)) {
        time = *boxes;
        loadedTime_ = time;
        timeSet_ = false;
    } else {
        ui_.Error(TMessage::Lang(texts_, Text::TimeUnreadable));
    }
}

void TRecordEditor::SetAllRelayTimes() {
    for (int r = 1; r <= functionTable_.SingleRelay; ++r) {
        const size_t at = 4 * static_cast<size_t>(r - 1);
        if (at + 4 > workingTime.size()) break;
        uint32_t value = 0;
        if (!ParseHex(std::string_view(workingTime).substr(at, 4), value)) value = 0;
        functionTable_.SetRelayTime(r, std::clamp<int>(static_cast<int>(value), 1, 65535),
                                    workingTime);
    }
}

void TRecordEditor::FunctionChanged(const std::string& text) {
    const bool wasTimed = timeEnabled;
    functionText = text;
    Forget(TNoteField::Function);
    ApplyFunction(false, false);
    if (wasTimed || !timeEnabled) return;
    // The timed function chosen: its times are set now, each within the limits.
    if (relayMode) {
        SetAllRelayTimes();
        LoadTime(true);
    }
    time = TimeBoxesOf(TimeValue(time));
    loadedTime_ = time;
    timeSet_ = true;
}

void TRecordEditor::TimeExit() {
    if (time == loadedTime_ && !timeSet_) return;
    time = TimeBoxesOf(TimeValue(time));
    loadedTime_ = time;
    timeSet_ = true;
}

void TRecordEditor::RelayChange() {
    if (!relayMode) return;
    std::string output;
    if (functionTable_.RelayFunctionCode(functionText, output)) {
        workingOutput = output;
    } else {
        relayIndex = currentRelay - 1;
    }
    // Only a time the user set is stored: the others stay as they are.
    TimeExit();
    if (timeSet_) functionTable_.SetRelayTime(currentRelay, TimeValue(time), workingTime);
    if (relayIndex < 0 || static_cast<size_t>(relayIndex) >= relayItems.size()) relayIndex = 0;
    functionText = functionTable_.RelayFunctionName(relayIndex + 1, workingOutput);
    if (relayIndex + 1 != currentRelay) {
        ApplyFunction(false, true);
    } else {
        ApplyFunction(false, false);
    }
    currentRelay = relayIndex + 1;
}

void TRecordEditor::RelayChosen(int index) {
    if (!relayMode) return;
    relayIndex = index;
    RelayChange();
}

void TRecordEditor::ChannelToggled(int n, bool ticked) {
    if (n < 0 || n >= channelBoxes) return;
    channels[static_cast<size_t>(n)] = ticked;
}

std::string TRecordEditor::ChosenOutput() {
    if (relayMode) {
        RelayChange();
        return workingOutput;
    }
    std::string output;
    if (!functionTable_.FunctionCode(functionText, output)) output.clear();
    return output;
}

void TRecordEditor::ProjectorPageShown() {
    if (!projector.active || projector.typeName == "KV1M2") return;
    LayOutSlots(projector, ChosenOutput(), buttonText.empty() ? "0" : buttonText);
}

std::optional<TMessage> TRecordEditor::UserTextRefusal(size_t i, const std::string& text) const {
    if (i == 0 && UserTextCapacity(device_) >= 0 && text == original.User1) return std::nullopt;
    return UserTextProblem(text, userTitles[std::min<size_t>(i, 3) + 1]);
}

bool TRecordEditor::Confirm(TData& result) {
    focus = TEditorField::None;
    focusIndex = -1;
    TData w = original;
    const bool functionChanged = functionText != openedFunction_;

    // The command slots, laid out for the function and button the record will have; slots
    // the user left as they were keep their stored digits.
    if (projector.active) {
        if (projector.typeName != "KV1M2")
            LayOutSlots(projector, ChosenOutput(), buttonText.empty() ? "0" : buttonText);
        TSlotError error;
        if (projector != openedProjector_ &&
            !WriteProjectorPage(projector, w.Extra, texts_, ui_, &error)) {
            focus = TEditorField::Command;
            focusIndex = error.slot;
            return false;
        }
    }

    const bool codeChanged = code != StoredCode();
    if (codeChanged) ValidateCode();
    TimeExit();
    if (functionChanged) {
        std::string output;
        const bool known = functionIndex >= 0 &&
                           (relayMode ? functionTable_.RelayFunctionCode(functionText, output)
                                      : functionTable_.FunctionCode(functionText, output));
        if (!known) {
            ui_.Error(TMessage::Lang(texts_, Text::UnknownFunction));
            return false;
        }
    }
    if (relayMode) RelayChange();

    const int capacity = UserTextCapacity(device_);
    const std::array<const std::string*, 4> before = {&original.User1, &original.User2,
                                                      &original.User3, &original.User4};
    for (size_t i = 0; i < 4; ++i) {
        const std::string& what = userTitles[i + 1];
        auto problem = UserTextRefusal(i, user[i]);
        // The receiver keeps User1 of the text-holding types; a longer new text would be
        // cut at the next upload.
        if (!problem && i == 0 && capacity >= 0 && user[0] != *before[0] &&
            user[0].size() > static_cast<size_t>(capacity))
            problem = TMessage::Fixed(what + ": the receiver keeps at most " +
                                      std::to_string(capacity) + " characters.");
        if (problem) {
            ui_.Error(*problem);
            focus = TEditorField::UserText;
            focusIndex = static_cast<int>(i);
            return false;
        }
    }

    w.UserID = userId;
    w.User1 = user[0];
    w.User2 = user[1];
    w.User3 = user[2];
    w.User4 = user[3];
    if (code != StoredCode()) {
        w.Serial = code.size() > 2 ? code.substr(2, 5) : std::string();
        w.CodePrefix = code.substr(0, 2);
    }
    w.TxType = typeText;
    if (buttonText != original.Button) w.Button = buttonText.empty() ? "0" : buttonText;

    if (!relayMode) {
        if (functionChanged) functionTable_.FunctionCode(functionText, w.Output);
        if (timeSet_) functionTable_.TimeCode(TimeValue(time), w.Time);
        if (channels != openedChannels_) {
            unsigned mask = 0;
            for (int n = 0; n < 8; ++n)
                if (channels[static_cast<size_t>(n)]) mask |= 1u << n;
            w.Channels = HexByte(mask);
        }
    } else {
        w.Output = workingOutput;
        w.Time = workingTime;
    }

    // The rules judge what the user changed; a record whose digits are as stored is the
    // record the receiver has.
    const bool digitsChanged = w.Serial != original.Serial || w.CodePrefix != original.CodePrefix ||
                               w.Button != original.Button || w.Output != original.Output ||
                               w.Channels != original.Channels || w.Time != original.Time ||
                               w.Extra != original.Extra;
    if (digitsChanged) {
        if (!functionTable_.Check(w)) {
            ui_.Error(TMessage::Lang(texts_, Text::RecordBreaksRules));
            return false;
        }
        functionTable_.ApplySetRules(w);
    }
    result = std::move(w);
    return true;
}

}  // namespace ravlin
