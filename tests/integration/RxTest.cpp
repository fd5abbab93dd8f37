// The receiver command set (TRx) against the real simulator.

#include <gtest/gtest.h>

#include "IntegrationSupport.h"
#include "RecordingUi.h"
#include "SimProcess.h"
#include "link/Link.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"

namespace ravlin::test {
namespace {

using TTransport = TSimProcess::TTransport;

class Rx : public ::testing::TestWithParam<TTransport> {
  protected:
    void SetUp() override { WriteTestCatalogue(dir); }
    void Start(std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--data-dir", dir.Path(), "--records", "16"});
        ASSERT_TRUE(sim.Start(GetParam(), args));
        sim.Configure(link.Settings);
        link.SetTimingForTests(100, 5);
    }

    TScratchDir dir;
    TTextTable texts = NumberedTexts();
    TRecordingUi ui;
    TLink link{texts, ui};
    TRx rx{link, texts, ui, dir.Path()};
    TSimProcess sim;
};

TEST_P(Rx, InitReadsDescriptorNameAndPassword) {
    Start({"--password", "abc", "--start", "2000", "--online", "0F80", "--name-addr", "0F40",
           "--pass-addr", "0F60"});
    ASSERT_TRUE(rx.Init());
    const TDevice& d = rx.Device;
    EXPECT_EQ(d.Name, "KV8M");
    EXPECT_EQ(d.Description, "Test receiver eight");
    EXPECT_EQ(d.Password, "abc");
    EXPECT_EQ(d.StartAddress, 0x2000);
    EXPECT_EQ(d.EndAddress, 0x207F);
    EXPECT_EQ(d.OnlineAddress, 0x0F80);
    EXPECT_EQ(d.NameAddress, 0x0F40);
    EXPECT_EQ(d.PasswordAddress, 0x0F60);
    EXPECT_EQ(d.RecordCount, 16);
    EXPECT_EQ(d.BlockSize, 64);
    EXPECT_TRUE(ui.messages.empty());

    // The last-reception block, as the on-line poll reads it.
    ASSERT_EQ(sim.Control("reception 00ABCDE 6 01 000F"), "ok");
    std::string data;
    ASSERT_TRUE(rx.ReadBlock('7', d.OnlineAddress, 16, data));
    EXPECT_EQ(data, "600ABCDE0000000001000F0000000000");
    // Each reception is announced with one 'R' while the link is idle.
    ASSERT_EQ(sim.Control("reception 1234567 3"), "ok");
    uint8_t b = 0;
    ASSERT_TRUE(link.WaitByte(b, 2000));
    EXPECT_EQ(b, 'R');
    EXPECT_FALSE(link.WaitByte(b, 50));
    rx.DeInit();
}

TEST_P(Rx, PasswordWriteAndVerification) {
    Start();
    ASSERT_TRUE(rx.Init());
    EXPECT_EQ(rx.Device.Password, "");
    ASSERT_TRUE(rx.WritePassword("xyz1"));
    EXPECT_EQ(sim.Peek(0x0F20, 16), "78797A31" + std::string(24, '0'));
    EXPECT_EQ(rx.Device.Password, "xyz1");
    EXPECT_TRUE(rx.VerifyPassword());

    // A refused write keeps the old password and reports 110.
    ASSERT_EQ(sim.Control("set answer-x 1"), "ok");
    EXPECT_FALSE(rx.WritePassword("new"));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CommunicationError});
    EXPECT_EQ(rx.Device.Password, "xyz1");
    ASSERT_EQ(sim.Control("set answer-x 0"), "ok");

    // Another program changed the password meanwhile.
    ASSERT_EQ(sim.Control("password other"), "ok");
    ui.messages.clear();
    EXPECT_FALSE(rx.VerifyPassword());
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::LoginChanged});
    rx.DeInit();
}

TEST_P(Rx, InitReportsSilentAndUnknownReceivers) {
    Start({"--mute-after", "0"});
    link.SetTimingForTests(25, 5);  // every exchange times out: keep that short
    EXPECT_FALSE(rx.Init());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].message.text, "T110 - T112");
    rx.DeInit();
    sim.Stop();

    ui.messages.clear();
    Start({"--type", "KV9X", "--record-length", "8"});
    EXPECT_FALSE(rx.Init());
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::TypeNotInCatalogue});
    rx.DeInit();
}

TEST_P(Rx, OnlineListeningEndsAtTheReceptionByte) {
    Start();
    ASSERT_TRUE(rx.Init());
    TTransferWorker transferWorker(rx, link, ui, texts);
    ASSERT_TRUE(transferWorker.Start(TTransferWorker::TJob::Online));
    // No reception yet: the worker keeps listening.
    EXPECT_FALSE(transferWorker.WaitIdleFor(200));
    ASSERT_EQ(sim.Control("reception 0A1B2C3 9 00 0002"), "ok");
    ASSERT_TRUE(transferWorker.WaitIdleFor(5000));
    EXPECT_EQ(transferWorker.Receptions(), 1);
    // The poll that follows reads the block the reception filled.
    std::string data;
    ASSERT_TRUE(rx.ReadBlock('7', rx.Device.OnlineAddress, 16, data));
    EXPECT_EQ(data.substr(0, 8), "90A1B2C3");
    EXPECT_EQ(data.substr(16, 6), "000002");
    EXPECT_TRUE(ui.messages.empty());
    rx.DeInit();
}

INSTANTIATE_TEST_SUITE_P(Transports, Rx, ::testing::Values(TSimProcess::Tcp, TSimProcess::Pty),
                         [](const ::testing::TestParamInfo<TTransport>& i) {
                             return std::string(i.param == TSimProcess::Tcp ? "Tcp" : "Pty");
                         });

}  // namespace
}  // namespace ravlin::test
