#pragma once
// Test double for the core's user interface: records every message in order and
// answers questions from a prepared list.

#include <deque>
#include <string>
#include <vector>

#include "base/UserInterface.h"

namespace ravlin::test {

struct TRecorded {
    enum Kind { Error, Warning, Information, Question } kind;
    TMessage message;
};

class TRecordingUi : public TUserInterface {
public:
    std::vector<TRecorded> messages;
    std::deque<TAnswer> answers;       // consumed by Ask(); empty gives `defaultAnswer`
    TAnswer defaultAnswer = TAnswer::No;
    bool cancel = false;
    std::vector<std::pair<int, int>> progress;

    void Error(const TMessage& m) override { messages.push_back({TRecorded::Error, m}); }
    void Warning(const TMessage& m) override { messages.push_back({TRecorded::Warning, m}); }
    void Information(const TMessage& m) override {
        messages.push_back({TRecorded::Information, m});
    }
    TAnswer Ask(const TMessage& m, TButtons) override {
        messages.push_back({TRecorded::Question, m});
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
    std::vector<int> Ids() const {
        std::vector<int> out;
        for (const auto& r : messages) out.push_back(r.message.textId);
        return out;
    }
};

}  // namespace ravlin::test
