// The receiver side of on-line mode against the real simulator: entering, the read of
// the last-reception block, its retries with the pauses, cancel and a lost receiver.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "SimProcess.h"
#include "link/Link.h"
#include "online/OnlinePoll.h"
#include "online/Reception.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"

namespace ravlin {
namespace {

using test::TSimProcess;

class Poll : public ::testing::TestWithParam<TSimProcess::TTransport> {
  protected:
    void Start(const std::string& type) {
        ASSERT_TRUE(sim.Start(
            GetParam(), {"--data-dir", RAVLIN_TEST_DATA_DIR, "--type", type, "--online", "0F80"}));
        sim.Configure(link.Settings);
        link.SetTimingForTests(60, 2);
        ASSERT_TRUE(rx.Init());
    }
    // The pauses as the progress window would see them: the step `cancelAt` cancels; with
    // `sleep` the steps sleep as they do without a window.
    struct TRecordingPauses : TPollPauses {
        explicit TRecordingPauses(Poll& test) : test(test) {}
        void Open(const TMessage& m) override { test.events.push_back("open " + m.text); }
        void Close() override { test.events.push_back("close"); }
        bool Pause(int ms) override {
            if (sleep) return SleepWatchingCancel(test.ui, ms);
            EXPECT_EQ(ms, 300);
            ++test.steps;
            return test.steps != cancelAt;
        }
        Poll& test;
        int cancelAt = 0;
        bool sleep = false;
    };
    TRecordingPauses* Pauses(int cancelAt = 0) {
        pauses.cancelAt = cancelAt;
        pauses.sleep = false;
        return &pauses;
    }

    TTextTable texts = test::LogTexts();
    test::TRecordingUi ui;
    TLink link{texts, ui};
    TRx rx{link, texts, ui, RAVLIN_TEST_DATA_DIR};
    TSimProcess sim;
    std::vector<std::string> events;
    int steps = 0;
    TRecordingPauses pauses{*this};
};

TEST_P(Poll, ReceiversWithoutOnlineModeAreRefused) {
    Start("KV8M");
    EXPECT_FALSE(HasOnlineMode("KV1K"));
    EXPECT_FALSE(HasOnlineMode("KV1M"));
    EXPECT_FALSE(HasOnlineMode("KV1W"));
    EXPECT_TRUE(HasOnlineMode("KV1M2"));
    EXPECT_FALSE(PrepareOnline(rx, link, texts, ui));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::NoOnlineMode});
}

TEST_P(Poll, ReadsTheReceptionTheReceiverReports) {
    Start("KV2R");
    ASSERT_TRUE(PrepareOnline(rx, link, texts, ui));
    ASSERT_EQ(sim.Control("reception 1ABCDE0 5 01 0011"), "ok");
    std::string block;
    ASSERT_EQ(ReadLastReception(rx, link, texts, ui, block, Pauses()), TReadResult::Read);
    TReception r;
    ASSERT_TRUE(DecodeReception(block, r));
    EXPECT_EQ(r.serial, "1ABCDE0");
    EXPECT_EQ(r.button, "5");
    EXPECT_TRUE(r.LowBattery());
    EXPECT_EQ(r.MemoryPosition(), 0x11);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(ui.messages.empty());
    // The link was closed meanwhile (on-line mode keeps it open, but a poll reopens it).
    link.Close();
    ASSERT_EQ(ReadLastReception(rx, link, texts, ui, block, Pauses()), TReadResult::Read);
}

// The retries do not depend on the transport: over TCP only, with short byte time-outs.
class Retries : public Poll {};

TEST_P(Retries, SevenReadsWithSixPausesThenText125) {
    Start("KV2R");
    link.SetTimingForTests(15, 2);
    ASSERT_EQ(sim.Control("set mute-after 0"), "ok");
    std::string block = "unchanged";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadLastReception(rx, link, texts, ui, block, Pauses()), TReadResult::NoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
    EXPECT_EQ(block, "unchanged");
    EXPECT_EQ(steps, 6 * 100);
    std::vector<std::string> expected;
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {"open T126", "close"});
    EXPECT_EQ(events, expected);
    ASSERT_EQ(ui.progress.size(), 600u);
    EXPECT_EQ(ui.progress.front(), std::make_pair(1, 100));
    EXPECT_EQ(ui.progress[99], std::make_pair(100, 100));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::OnlineStopped});
    // The receiver answers again: the next poll reads.
    ASSERT_EQ(sim.Control("set mute-after 1000000"), "ok");
    link.Close();  // a muted connection stays muted; a new one is served
    ui.messages.clear();
    EXPECT_EQ(ReadLastReception(rx, link, texts, ui, block, Pauses()), TReadResult::Read);
}

TEST_P(Retries, CancellingAPauseEndsThePoll) {
    Start("KV2R");
    link.SetTimingForTests(15, 2);
    ASSERT_EQ(sim.Control("set mute-after 0"), "ok");
    std::string block;
    EXPECT_EQ(ReadLastReception(rx, link, texts, ui, block, Pauses(130)), TReadResult::Cancelled);
    EXPECT_EQ(steps, 130);
    EXPECT_EQ(events, (std::vector<std::string>{"open T126", "close", "open T126", "close"}));
    EXPECT_TRUE(ui.messages.empty());
    // The progress window's cancel request works when the steps sleep as without a window.
    ui.cancel = true;
    events.clear();
    TRecordingPauses* window = Pauses();
    window->sleep = true;
    EXPECT_EQ(ReadLastReception(rx, link, texts, ui, block, window), TReadResult::Cancelled);
    EXPECT_EQ(events, (std::vector<std::string>{"open T126", "close"}));
}

TEST_P(Poll, AReceiverThatIsGoneEndsThePoll) {
    Start("KV2R");
    sim.Stop();
    std::string block;
    const TReadResult r = ReadLastReception(rx, link, texts, ui, block, Pauses());
    // Over TCP the lost connection cannot be opened again; a pseudo-terminal that went
    // away cannot either.
    EXPECT_EQ(r, TReadResult::LinkLost);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_LE(steps, 100);
}

TEST_P(Poll, AFullPollListensReadsAndListensAgain) {
    Start("KV2R");
    TTransferWorker transferWorker(rx, link, ui, texts);
    ASSERT_TRUE(PrepareOnline(rx, link, texts, ui));
    ASSERT_TRUE(ListenAgain(transferWorker));
    for (const char* code : {"0012345", "0054321"}) {
        ASSERT_EQ(sim.Control(std::string("reception ") + code + " 3 00 0002"), "ok");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (transferWorker.Receptions() == 0 || !transferWorker.Idle()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        TReception r;
        ASSERT_TRUE(PollReception(transferWorker, rx, link, texts, ui, r, Pauses()));
        EXPECT_EQ(r.serial, code);
        EXPECT_EQ(r.MemoryPosition(), 2);
        ASSERT_TRUE(ListenAgain(transferWorker));
        EXPECT_TRUE(link.IsOpen());
    }
    EXPECT_EQ(transferWorker.Receptions(), 2);
    if (GetParam() != TSimProcess::Tcp) return;  // the retries take long on a serial line
    // A receiver that stops answering ends on-line mode.
    ASSERT_EQ(sim.Control("reception 0012345 3 00 0002"), "ok");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (transferWorker.Receptions() < 3 || !transferWorker.Idle()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(sim.Control("set mute-after 0"), "ok");
    link.SetTimingForTests(15, 2);
    TReception r;
    EXPECT_FALSE(PollReception(transferWorker, rx, link, texts, ui, r, Pauses()));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::OnlineStopped});
    EXPECT_TRUE(transferWorker.Idle());
    EXPECT_FALSE(link.IsOpen());
}

TEST_P(Poll, LeavingStopsListeningAndClosesTheLink) {
    Start("KV2R");
    TTransferWorker transferWorker(rx, link, ui, texts);
    ASSERT_TRUE(PrepareOnline(rx, link, texts, ui));
    ASSERT_TRUE(transferWorker.Start(TTransferWorker::TJob::Online));
    LeaveOnline(transferWorker, link);
    EXPECT_TRUE(transferWorker.Idle());
    EXPECT_FALSE(link.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Transports, Poll, ::testing::Values(TSimProcess::Tcp, TSimProcess::Pty),
                         [](const auto& info) {
                             return info.param == TSimProcess::Tcp ? "Tcp" : "Pty";
                         });

INSTANTIATE_TEST_SUITE_P(Tcp, Retries, ::testing::Values(TSimProcess::Tcp));

}  // namespace
}  // namespace ravlin
