#pragma once
// A recorded exchange replayed as the link's channel: the link must write exactly what
// the script expects, step by step; each step's answer arrives once all its bytes have
// been written. No sockets, no devices, no timing of a peer.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/ByteChannel.h"

namespace ravlin::test {

class TReplayChannel : public TByteChannel {
  public:
    struct TStep {
        std::string expect;  // what the link writes next; empty: answered at once
        std::string answer;  // what the receiver sends then
        // The receiver's side breaks once the answer has been read (cause None: it stays).
        TChannelBreak thenBreak{};
    };

    TReplayChannel(const TChannelPolicy& policy, std::vector<TStep> script)
        : script_(std::move(script)) {
        policy_ = policy;
    }

    TOpenResult Open(int) override {
        Close();
        open_ = true;
        AnswerEmptySteps();
        return {};
    }
    void Close() override {
        open_ = false;
        broken_ = {};
        pending_.clear();
        ClearReceived();
    }
    bool Write(const std::string& bytes) override {
        if (!open_ || broken_.cause != TChannelBreak::None) return false;
        written_ += bytes;
        for (char c : bytes) Check(c);
        return true;
    }
    void PurgeOutput() override {}
    TChannelBreak Break() const override { return open_ ? broken_ : TChannelBreak{}; }

    // Everything the link wrote, in order.
    const std::string& Written() const { return written_; }
    // The first write against the script; empty when none.
    const std::string& Mismatch() const { return mismatch_; }
    // Every step played and nothing written against the script.
    bool Done() const { return step_ == script_.size() && mismatch_.empty(); }

  protected:
    int Receive(char* buf, int max, int timeoutMs) override {
        if (!open_ || broken_.cause != TChannelBreak::None) return -1;
        if (pending_.empty()) {
            if (breakPending_.cause != TChannelBreak::None) {
                broken_ = std::exchange(breakPending_, {});
                return -1;
            }
            // Nothing can arrive meanwhile: the receiver answers writes only.
            std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
            return 0;
        }
        const int n = std::min<int>(max, static_cast<int>(pending_.size()));
        std::memcpy(buf, pending_.data(), static_cast<size_t>(n));
        pending_.erase(0, static_cast<size_t>(n));
        return n;
    }
    void DiscardInput() override { pending_.clear(); }

  private:
    void Check(char c) {
        if (!mismatch_.empty()) return;  // the receiver lost track: it answers no more
        if (step_ == script_.size()) {
            mismatch_ = "written after the script ended: " + written_;
            return;
        }
        const std::string& expect = script_[step_].expect;
        if (expect[position_] != c) {
            mismatch_ = "step " + std::to_string(step_ + 1) + " expected \"" + expect +
                        "\", written so far: " + written_;
            return;
        }
        if (++position_ < expect.size()) return;
        Answer();
        AnswerEmptySteps();
    }
    void Answer() {
        pending_ += script_[step_].answer;
        if (script_[step_].thenBreak.cause != TChannelBreak::None)
            breakPending_ = script_[step_].thenBreak;
        ++step_;
        position_ = 0;
    }
    void AnswerEmptySteps() {
        while (step_ < script_.size() && script_[step_].expect.empty()) Answer();
    }

    std::vector<TStep> script_;
    size_t step_ = 0;
    size_t position_ = 0;
    bool open_ = false;
    std::string written_;
    std::string mismatch_;
    std::string pending_;  // answered, not yet received
    TChannelBreak breakPending_{};
    TChannelBreak broken_{};
};

}  // namespace ravlin::test
