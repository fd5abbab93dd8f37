// The protocol over a recorded exchange: retries, answers cut short, a peer that goes away.
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "ReplayChannel.h"
#include "link/Link.h"

namespace ravlin {
namespace {

using test::TReplayChannel;
using Step = TReplayChannel::TStep;

const std::string kWrite = ":100F000A41424300000000000000000000000000";
const std::string kCompleted = TLink::CompleteFrame(kWrite);
const std::string kAccepted = kCompleted + ".\r\n";
const std::string kAA3 = "\xAA\xAA\xAA";

TTextTable Texts() {
    TTextTable t(200);
    for (size_t i = 0; i < t.size(); ++i) t[i] = "text" + std::to_string(i);
    return t;
}

struct ReplayExchange : ::testing::Test {
    ReplayExchange() : link(texts, ui) { link.SetTimingForTests(20, 0); }
    // Gives the link a replayed channel and opens it.
    TReplayChannel& Play(const TChannelPolicy& policy, std::vector<Step> script) {
        auto channel = std::make_unique<TReplayChannel>(policy, std::move(script));
        TReplayChannel& played = *channel;
        EXPECT_TRUE(link.UseChannel(std::move(channel)));
        EXPECT_TRUE(link.Open());
        return played;
    }

    TTextTable texts = Texts();
    test::TRecordingUi ui;
    TLink link;
};

TEST_F(ReplayExchange, FailedAttemptsAreRepeatedWithTheAAAfterTheThird) {
    std::string wrongEcho = kCompleted;
    wrongEcho[5] = 'E';
    const struct {
        const char* name;
        std::string answer;
        int error;
    } cases[] = {{"silent", "", TLink::ErrNoAnswer},
                 {"cut short", kCompleted.substr(0, 10), TLink::ErrIncomplete},
                 {"wrong echo", wrongEcho + ".\r\n", TLink::ErrEcho},
                 {"rejected", kCompleted + "X\r\n", TLink::ErrRejected}};
    TChannelPolicy policy;
    policy.attempts = 4;
    for (const auto& c : cases) {
        // Four failed attempts; then a command that fails once and passes.
        const std::string attempt = "UUU" + kCompleted;
        TReplayChannel& channel = Play(policy, {{attempt, c.answer},
                                                {attempt, c.answer},
                                                {attempt, c.answer},
                                                {kAA3 + attempt, c.answer},
                                                {attempt, c.answer},
                                                {attempt, kAccepted}});
        EXPECT_FALSE(link.SendCommand(kWrite)) << c.name;
        EXPECT_EQ(link.LastError(), c.error) << c.name;
        EXPECT_TRUE(link.SendCommand(kWrite)) << c.name;
        EXPECT_EQ(link.LastError(), TLink::ErrNone) << c.name;
        EXPECT_TRUE(channel.Done()) << c.name << ": " << channel.Mismatch();
        EXPECT_TRUE(link.IsOpen()) << c.name;
        link.Close();
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReplayExchange, PeerGoingAwayMidAnswerClosesTheLinkWithoutRetrying) {
    const struct {
        TChannelBreak why;
        bool inOrder;
        std::vector<std::string> messages;
    } cases[] = {
        {{TChannelBreak::ClosedInOrder, 0}, true, {"text121"}},
        {{TChannelBreak::ConnectionError, 104}, false, {"Disconnected, error #104", "text121"}},
        {{TChannelBreak::DeviceGone, 0}, false, {"text121"}}};
    for (const auto& c : cases) {
        ui.messages.clear();
        TReplayChannel& channel =
            Play(TChannelPolicy{}, {{"UUU" + kCompleted, kCompleted.substr(0, 8), c.why}});
        EXPECT_FALSE(link.SendCommand(kWrite));
        EXPECT_TRUE(channel.Done()) << channel.Mismatch();
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(link.ClosedInOrder(), c.inOrder);
        // A later exchange finds no connection.
        EXPECT_FALSE(link.SendCommand(kWrite));
        EXPECT_EQ(ui.Texts(), c.messages);
    }
}

TEST_F(ReplayExchange, HandshakeComesFromThePolicyUnlessStreamReadsAreSet) {
    TChannelPolicy policy;
    policy.handshake = true;
    // Two single wake-up bytes go unanswered, the third try's three are answered; the
    // echo of a write is followed by three characters.
    TReplayChannel& channel =
        Play(policy, {{"U", ""}, {"U", ""}, {"UUU", "U"}, {kCompleted, kAccepted}});
    EXPECT_TRUE(link.SendCommand(kWrite));
    EXPECT_TRUE(channel.Done()) << channel.Mismatch();
    link.Close();

    link.Settings.DumpRead = true;
    TReplayChannel& stream = Play(policy, {{"UUU" + kCompleted, kAccepted}});
    EXPECT_TRUE(link.SendCommand(kWrite));
    EXPECT_TRUE(stream.Done()) << stream.Mismatch();
}

}  // namespace
}  // namespace ravlin
