#pragma once
// Test double for the core's user interface: records every message in order and
// answers questions from a prepared list.

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/UserInterface.h"

namespace ravlin {
// A failed expectation shows a language text by its number.
inline void PrintTo(Text id, std::ostream* os) {
    *os << "text " << TextNumber(id);
}
}  // namespace ravlin

namespace ravlin::test {

struct TRecorded {
    enum Kind { Error, Warning, Information, Question } kind;
    TMessage message;
    // Questions: the buttons offered and the one a user gets by confirming.
    TButtons buttons = TButtons::YesNo;
    TAnswer defaultButton = TAnswer::Yes;
};

class TRecordingUi : public TUserInterface {
  public:
    std::vector<TRecorded> messages;
    std::deque<TAnswer> answers;  // consumed by Ask(); empty gives `defaultAnswer`
    TAnswer defaultAnswer = TAnswer::No;
    bool cancel = false;
    std::vector<TMessage> badDefaults;  // questions whose default button was not offered
    std::vector<std::pair<int, int>> progress;

    void Error(const TMessage& m) override { messages.push_back({TRecorded::Error, m}); }
    void Warning(const TMessage& m) override { messages.push_back({TRecorded::Warning, m}); }
    void Information(const TMessage& m) override {
        messages.push_back({TRecorded::Information, m});
    }
    TAnswer Ask(const TMessage& m, TButtons b) override { return Ask(m, b, TAnswer::Yes); }
    TAnswer Ask(const TMessage& m, TButtons b, TAnswer defaultButton) override {
        messages.push_back({TRecorded::Question, m, b, defaultButton});
        // A default that is not one of the buttons offered is a fault of the caller.
        if (defaultButton == TAnswer::Cancel && b != TButtons::YesNoCancel)
            badDefaults.push_back(m);
        if (answers.empty()) return defaultAnswer;
        TAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void Progress(int position, int maximum) override { progress.emplace_back(position, maximum); }
    bool CancelRequested() override { return cancel; }

    // Texts of all recorded messages, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& r : messages) out.push_back(r.message.text);
        return out;
    }
    // The default button of the last question with language text `textId`; nullopt when
    // that question was not asked.
    std::optional<TAnswer> DefaultOf(Text textId) const {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it)
            if (it->kind == TRecorded::Question && it->message.textId == textId)
                return it->defaultButton;
        return std::nullopt;
    }
    std::vector<Text> Ids() const {
        std::vector<Text> out;
        for (const auto& r : messages) out.push_back(r.message.textId);
        return out;
    }
};

}  // namespace ravlin::test
