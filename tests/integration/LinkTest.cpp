// The link layer against the real simulator, in each exchange variant: with handshake and
// without handshake over a pseudo-terminal, and over TCP.

#include <gtest/gtest.h>

#include "IntegrationSupport.h"
#include "RecordingUi.h"
#include "SimProcess.h"
#include "link/Link.h"

namespace ravlin::test {
namespace {

enum class TVariant { PtyHandshake, PtyDumpRead, Tcp };

std::string VariantName(const ::testing::TestParamInfo<TVariant>& info) {
    switch (info.param) {
        case TVariant::PtyHandshake:
            return "PtyHandshake";
        case TVariant::PtyDumpRead:
            return "PtyDumpRead";
        case TVariant::Tcp:
            return "Tcp";
    }
    return "?";
}

class Link : public ::testing::TestWithParam<TVariant> {
  protected:
    void SetUp() override { WriteTestCatalogue(dir); }

    void Start(std::vector<std::string> args = {}, int byteTimeoutMs = 300) {
        args.insert(args.end(), {"--data-dir", dir.Path(), "--records", "16"});
        const bool tcp = GetParam() == TVariant::Tcp;
        ASSERT_TRUE(sim.Start(tcp ? TSimProcess::Tcp : TSimProcess::Pty, args));
        sim.Configure(link.Settings);
        link.Settings.DumpRead = GetParam() == TVariant::PtyDumpRead;
        link.SetTimingForTests(byteTimeoutMs, 5);
        ASSERT_TRUE(link.Open());
    }
    // Attempts one exchange makes before giving up.
    int Attempts() const { return GetParam() == TVariant::PtyHandshake ? 3 : 8; }
    long StatsValue(const std::string& key) {
        const std::string s = sim.Control("stats");
        const auto p = s.find(key + " ");
        return p == std::string::npos ? -1 : std::stol(s.substr(p + key.size() + 1));
    }

    TScratchDir dir;
    TTextTable texts = NumberedTexts();
    TRecordingUi ui;
    TLink link{texts, ui};
    TSimProcess sim;
};

TEST_P(Link, ReadsAndWritesThroughEveryVariant) {
    Start();
    ASSERT_TRUE(link.SendCommand(":050000010F000F0F00"));
    EXPECT_EQ(link.LastError(), 0);
    std::string line;
    ASSERT_TRUE(link.ReceiveData(40, line));
    EXPECT_EQ(line, "0F00 1000107F0F300F100F20000000000000\r\n.");

    ASSERT_TRUE(link.SendCommand(":04100800DEADBEEF"));
    EXPECT_EQ(sim.Peek(0x1008, 4), "DEADBEEF");
    // A read right after a write: the status characters do not disturb the next echo.
    ASSERT_TRUE(link.SendCommand(":050000091008100B00"));
    ASSERT_TRUE(link.ReceiveData(2 * 4 + 8, line));
    EXPECT_EQ(line.substr(5, 8), "DEADBEEF");

    // Stream read of 32 bytes: two 39-character lines.
    ASSERT_TRUE(link.SendCommand(":050000091000101F00"));
    ASSERT_TRUE(link.ReceiveData(39, line));
    EXPECT_EQ(line, "1000 FFFFFFFFFFFFFFFFDEADBEEFFFFFFFFF\r\n");
    ASSERT_TRUE(link.ReceiveData(39, line));
    EXPECT_EQ(line.substr(0, 5), "1010 ");
    EXPECT_TRUE(ui.messages.empty());
    link.Close();
    EXPECT_FALSE(link.IsOpen());
}

TEST_P(Link, RefusedWritesAreRetriedThenReported) {
    Start({"--answer-x", "1"}, 100);
    EXPECT_FALSE(link.SendCommand(":021000001234"));
    EXPECT_EQ(link.LastError(), TLink::ErrRejected);
    EXPECT_EQ(StatsValue("rejected"), Attempts());
    EXPECT_EQ(sim.Peek(0x1000, 2), "FFFF");

    // Half the writes refused (fixed seed): the retries get it through.
    ASSERT_EQ(sim.Control("set answer-x 0.5"), "ok");
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(link.SendCommand(":0210" + std::to_string(i) + "000" + "A55A")) << i;
        EXPECT_EQ(link.LastError(), 0);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(sim.Peek(0x1000 + 16 * i, 3), "A55AFF");
    // A reception report crossing the exchange ('R' status) is retried as well. Without
    // handshake the link drops every 'R' while it collects an answer, so it waits for
    // the missing character instead.
    ASSERT_EQ(sim.Control("set answer-x 0"), "ok");
    ASSERT_EQ(sim.Control("set answer-r 1"), "ok");
    EXPECT_FALSE(link.SendCommand(":021000001234"));
    EXPECT_EQ(link.LastError(),
              GetParam() == TVariant::PtyHandshake ? TLink::ErrReception : TLink::ErrIncomplete);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_P(Link, SilentReceiverTimesOut) {
    Start({"--mute-after", "1"}, 100);
    ASSERT_TRUE(link.SendCommand(":021000001234"));
    EXPECT_FALSE(link.SendCommand(":021000001234"));
    EXPECT_EQ(link.LastError(), TLink::ErrNoAnswer);
    std::string line;
    EXPECT_FALSE(link.ReceiveData(1, line));
    EXPECT_EQ(line, "");
    EXPECT_TRUE(link.IsOpen());
}

TEST_P(Link, LostAndNoisyBytesAreRetried) {
    // A pause longer than the byte time-out between echo and status, in every answer.
    Start({"--delay", "1:250"}, 100);
    EXPECT_FALSE(link.SendCommand(":021000001234"));
    EXPECT_EQ(link.LastError(), TLink::ErrIncomplete);

    // Line noise in both directions: every exchange either fails cleanly or carries the
    // right bytes.
    ASSERT_EQ(sim.Control("set delay 0:0"), "ok");
    ASSERT_EQ(sim.Control("set corrupt 0.002"), "ok");
    int good = 0;
    for (int i = 0; i < 10; ++i) {
        if (!link.SendCommand(":050000090F100F1300")) continue;
        std::string line;
        if (!link.ReceiveData(16, line)) continue;
        if (line == "0F10 4B56384D\r\n.") ++good;
    }
    EXPECT_GE(good, 7);
}

TEST_P(Link, TheProbeIsAnsweredUntilTheReceiverGoesSilent) {
    Start();
    EXPECT_TRUE(link.Probe(1000));
    ASSERT_EQ(sim.Control("silent on"), "ok");
    EXPECT_FALSE(link.Probe(300));
    EXPECT_TRUE(link.IsOpen());  // silence closes nothing
    ASSERT_EQ(sim.Control("silent off"), "ok");
    EXPECT_TRUE(link.Probe(1000));
    EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Variants, Link,
                         ::testing::Values(TVariant::PtyHandshake, TVariant::PtyDumpRead,
                                           TVariant::Tcp),
                         VariantName);

TEST(LinkTcp, HeldMessagesAreKeptBackUntilEveryHoldEnds) {
    const TTextTable texts = NumberedTexts();
    TRecordingUi ui;
    TLink link(texts, ui);
    TSimProcess sim;
    ASSERT_TRUE(sim.Start(TSimProcess::Tcp));
    sim.Configure(link.Settings);
    link.SetTimingForTests(300, 5);
    ASSERT_EQ(sim.Control("down"), "ok");  // connections refused
    {
        const THeldLinkMessages outer(link);
        {
            const THeldLinkMessages inner(link);
            EXPECT_FALSE(link.Open());
        }
        EXPECT_FALSE(link.Open());  // still held by the outer scope
    }
    EXPECT_TRUE(ui.messages.empty());
    const auto held = link.TakeHeldMessage();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->text, "Can't connect");
    EXPECT_FALSE(link.TakeHeldMessage());  // given once
    EXPECT_FALSE(link.Open());             // shown again
    EXPECT_FALSE(ui.messages.empty());
    ASSERT_EQ(sim.Control("up"), "ok");
    EXPECT_TRUE(link.Open());
}

TEST(LinkTcp, DisconnectFailsCleanlyAndTheNextConnectionWorks) {
    TScratchDir dir;
    WriteTestCatalogue(dir);
    TSimProcess sim;
    ASSERT_TRUE(sim.Start(TSimProcess::Tcp, {"--data-dir", dir.Path(), "--records", "16",
                                             "--disconnect-after", "30"}));
    TTextTable texts = NumberedTexts();
    TRecordingUi ui;
    TLink link(texts, ui);
    sim.Configure(link.Settings);
    link.SetTimingForTests(200, 5);
    ASSERT_TRUE(link.Open());
    std::string line;
    const bool sent = link.SendCommand(":050000010F000F0F00");
    EXPECT_FALSE(sent && link.ReceiveData(40, line));
    EXPECT_FALSE(link.IsOpen());

    // The next connection is served again (and cut again after 30 bytes: a short write
    // fits within them).
    ASSERT_TRUE(link.Open());
    EXPECT_TRUE(link.SendCommand(":021000001234"));
    EXPECT_EQ(sim.Peek(0x1000, 2), "1234");
    link.Close();
}

}  // namespace
}  // namespace ravlin::test
