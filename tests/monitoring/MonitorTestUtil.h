#pragma once
// Helpers of the monitor tests: editors and file dialogs that answer from prepared lists.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "../records/RecordTestUtil.h"
#include "RecordingSound.h"
#include "RecordingUi.h"
#include "monitoring/Monitor.h"

namespace ravlin::test {

class TFakeEditors : public TMonitorEditors {
  public:
    // nullopt: the user cancels; otherwise the values the user leaves in the editor.
    std::deque<std::optional<TMonitorData>> messageAnswers;
    std::deque<std::optional<TEvent>> eventAnswers;
    std::vector<TMonitorData> messagesShown;
    std::vector<TEvent> eventsShown;

    bool EditMessage(TMonitorData& values) override {
        messagesShown.push_back(values);
        if (messageAnswers.empty()) return false;
        auto a = messageAnswers.front();
        messageAnswers.pop_front();
        if (!a) return false;
        values = *a;
        return true;
    }
    bool EditEvent(TEvent& e) override {
        eventsShown.push_back(e);
        if (eventAnswers.empty()) return false;
        auto a = eventAnswers.front();
        eventAnswers.pop_front();
        if (!a) return false;
        e = *a;
        return true;
    }
};

class TFakeChooser : public TFileChooser {
  public:
    std::deque<std::optional<std::string>> answers;   // empty: cancelled
    std::vector<std::pair<bool, TFileDialog>> shown;  // (save, dialog)

    std::optional<std::string> OpenFile(const TFileDialog& d) override { return Next(false, d); }
    std::optional<std::string> SaveFile(const TFileDialog& d) override { return Next(true, d); }
    std::optional<std::string> ChooseReceiverType(const std::string&) override {
        return std::nullopt;
    }

  private:
    std::optional<std::string> Next(bool save, const TFileDialog& d) {
        shown.emplace_back(save, d);
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

inline TMonitorData Message(const std::string& text, int color = 0, int sound = 0) {
    TMonitorData m;
    m.Text = text;
    m.Color = color;
    m.Sound = sound;
    return m;
}

}  // namespace ravlin::test
