#pragma once
// Stand-in for the sound output: records what the monitor and the editors asked to play.

#include <string>
#include <vector>

#include "base/Sounds.h"

namespace ravlin::test {

class TRecordingSound : public TSoundPlayer {
  public:
    struct TCall {
        enum Kind { Once, Repeating, File } kind;
        int choice = 0;    // Once
        bool on = false;   // Repeating
        std::string file;  // Once (own file), File
        bool operator==(const TCall&) const = default;
    };
    std::vector<TCall> calls;
    bool repeating = false;  // the state the last SetRepeating left

    void PlayOnce(int choice, const std::string& soundFile) override {
        calls.push_back({TCall::Once, choice, false, soundFile});
    }
    void SetRepeating(bool on) override {
        calls.push_back({TCall::Repeating, 0, on, {}});
        repeating = on;
    }
    void PlayFile(const std::string& path) override {
        calls.push_back({TCall::File, 0, false, path});
    }

    // The choices played once, in order.
    std::vector<int> Played() const {
        std::vector<int> out;
        for (const auto& c : calls)
            if (c.kind == TCall::Once) out.push_back(c.choice);
        return out;
    }
};

}  // namespace ravlin::test
