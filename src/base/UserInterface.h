#pragma once
// How the core talks to a user. The core never shows a window and never prints:
// the desktop program implements this with message boxes and the progress window,
// ravlin-cli with stderr/stdin, the tests with a recorder.

#include <optional>
#include <string>
#include <vector>

#include "base/Texts.h"

namespace ravlin {

using TTextTable = std::vector<std::string>;  // original name: PopisType

// Text `id` of a language table; empty for an id the table does not hold.
const std::string& TextAt(const TTextTable& texts, Text id);
// False when the table ends before `id` (a language file older than the text).
bool HasText(const TTextTable& texts, Text id);
// Sets text `id` of a table filled in code (the simulator's, the tests'); the table grows
// to hold it.
void SetText(TTextTable& texts, Text id, std::string text);

// One message as the user reads it. `textId` is the language text it starts with,
// or Text::None for the few fixed texts ("Can't connect", "Data coding error", ...).
struct TMessage {
    Text textId = Text::None;
    std::string text;

    // Language text `id` of `table`, followed by `suffix` (usually " - " + file name).
    static TMessage Lang(const TTextTable& table, Text id, const std::string& suffix = {});
    static TMessage Fixed(std::string text) { return {Text::None, std::move(text)}; }
    bool operator==(const TMessage&) const = default;
};

enum class TAnswer { Yes, No, Cancel };
enum class TButtons { YesNo, YesNoCancel };

// The answer a typed line gives (a terminal's answer to a question): "y"/"n"/"c" and the
// words they begin, in either case; an empty line gives `defaultButton`; anything else, or
// Cancel where there is no Cancel button, gives nullopt (ask again).
std::optional<TAnswer> AnswerOfLine(const std::string& line, TButtons buttons,
                                    TAnswer defaultButton);
// The choices as a terminal shows them, the default in capitals: "Y/n", "y/N/c", ...
std::string AnswerChoices(TButtons buttons, TAnswer defaultButton);

class TUserInterface {
  public:
    virtual ~TUserInterface() = default;
    // Error box: caption "Ravlin", error icon.
    virtual void Error(const TMessage& message) = 0;
    virtual void Warning(const TMessage& message) { Error(message); }
    // Plain message without an icon (for example "Data coding error").
    virtual void Information(const TMessage& message) { Error(message); }
    // Question with the question icon; `defaultButton` is the answer a user gets by just
    // confirming (Enter). A question whose Yes loses or overwrites data defaults to No.
    // Implementations that show questions override this; the default forwards to the form
    // below, for interfaces that answer without a user.
    virtual TAnswer Ask(const TMessage& message, TButtons buttons, TAnswer defaultButton) {
        (void)defaultButton;
        return Ask(message, buttons);
    }
    // The same with Yes as the default button.
    virtual TAnswer Ask(const TMessage& message, TButtons buttons) = 0;
    // Progress of a long receiver operation; position runs from 0 to maximum.
    virtual void Progress(int position, int maximum) {}
    // A new phase of a long receiver operation begins (its text labels the progress that
    // follows, which starts again from 0).
    virtual void ProgressPhase(const TMessage& text) {}
    // True once the user asked to cancel the running operation.
    virtual bool CancelRequested() { return false; }
};

// Accepts every message silently and answers questions with a fixed answer.
class TSilentUi : public TUserInterface {
  public:
    explicit TSilentUi(TAnswer answer = TAnswer::No) : answer_(answer) {}
    void Error(const TMessage&) override {}
    using TUserInterface::Ask;
    TAnswer Ask(const TMessage&, TButtons) override { return answer_; }

  private:
    TAnswer answer_;
};

}  // namespace ravlin
