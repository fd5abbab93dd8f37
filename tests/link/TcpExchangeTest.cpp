// Exchanges over TCP against a scripted peer.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "FakePeer.h"
#include "RecordingUi.h"
#include "link/Link.h"

namespace ravlin {
namespace {

using test::FakePeer;
using test::TChunk;
using Clock = std::chrono::steady_clock;

const std::string kRead = ":050000010F000F0F00";  // 16 bytes at 0F00
const std::string kReadDone = ":050000010F000F0F00CD\r\n";
const std::string kWrite = ":100F000A41424300000000000000000000000000";

TTextTable Texts() {
    TTextTable t(200);
    for (size_t i = 0; i < t.size(); ++i) t[i] = "text" + std::to_string(i);
    return t;
}

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class TcpExchange : public ::testing::Test {
  protected:
    TcpExchange() : link(texts, ui) {
        link.Settings.ConnectionType = TConnectionSettings::Tcp;
        link.Settings.IPAddress = "127.0.0.1";
        link.Settings.IPPort = peer.Port();
        link.SetTimingForTests(80, 5);
    }
    void Open() {
        ASSERT_TRUE(link.Open());
        ASSERT_TRUE(link.IsOpen());
        EXPECT_EQ(link.ConnectionText(), "IP 127.0.0.1:" + peer.Port());
        for (int i = 0; i < 400 && peer.Connections() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // What the link sends for one attempt of `frame`.
    static std::string Attempt(const std::string& frame) {
        return "UUU" + TLink::CompleteFrame(frame);
    }

    TTextTable texts = Texts();
    test::TRecordingUi ui;
    FakePeer peer{FakePeer::Tcp};
    TLink link;
};

TEST_F(TcpExchange, ReadFrameEchoThenReplyLine) {
    const std::string data(32, 'A');
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f + FakePeer::ReadLine("0F00", data), 0}};
    };
    Open();
    ASSERT_TRUE(link.SendCommand(kRead));
    EXPECT_EQ(link.LastError(), 0);
    std::string line;
    ASSERT_TRUE(link.ReceiveData(40, line));
    EXPECT_EQ(line, "0F00 " + data + "\r\n.");
    EXPECT_EQ(peer.Received(), "UUU" + kReadDone);
    EXPECT_TRUE(ui.messages.empty());
    link.Close();
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(TcpExchange, JunkBeforeEchoDroppedAndEchoInPiecesWithUAndR) {
    // Stray bytes before ':', the echo in three pieces, wake-up replies and a reception
    // report inside it: all assembled in order.
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{"UUUxx\x01", 0},
                {f.substr(0, 5) + "U", 20},
                {f.substr(5, 7) + "R", 30},
                {f.substr(12) + FakePeer::ReadLine("0F00", std::string(32, '0')), 30}};
    };
    Open();
    EXPECT_TRUE(link.SendCommand(kRead));
    EXPECT_EQ(link.LastError(), 0);
    std::string line;
    EXPECT_TRUE(link.ReceiveData(40, line));
    EXPECT_EQ(line.substr(0, 5), "0F00 ");
    EXPECT_EQ(peer.Frames().size(), 1u);
}

TEST_F(TcpExchange, WriteRejectedWithXIsRetriedThenAccepted) {
    peer.onFrame = [&](const std::string& f, int index) -> std::vector<TChunk> {
        return {{f + (index == 0 ? "X\r\n" : ".\r\n"), 0}};
    };
    Open();
    EXPECT_TRUE(link.SendCommand(kWrite));
    EXPECT_EQ(link.LastError(), 0);
    EXPECT_EQ(peer.Received(), Attempt(kWrite) + Attempt(kWrite));
}

TEST_F(TcpExchange, ReceptionReportAsStatusIsSkippedOverTcp) {
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f + "R.\r\n", 0}};
    };
    Open();
    EXPECT_TRUE(link.SendCommand(kWrite));
    EXPECT_EQ(peer.Frames().size(), 1u);
}

TEST_F(TcpExchange, EightAttemptsWithAAAfterTheThird) {
    // Wrong echo every time: error 3.
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        std::string bad = f;
        bad[3] = '9';
        return {{bad + ".\r\n", 0}};
    };
    Open();
    EXPECT_FALSE(link.SendCommand(kWrite));
    EXPECT_EQ(link.LastError(), 3);
    std::string expected;
    for (int i = 1; i <= 8; ++i) {
        expected += Attempt(kWrite);
        if (i == 3) expected += "\xAA\xAA\xAA";
    }
    EXPECT_EQ(peer.Received(), expected);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(TcpExchange, SilentPeerGivesErrorOne) {
    peer.answerWake = false;
    Open();
    auto start = Clock::now();
    EXPECT_FALSE(link.SendCommand(kRead));
    EXPECT_EQ(link.LastError(), 1);
    // 8 byte time-outs of 80 ms plus seven 10 ms pauses.
    EXPECT_GE(MsSince(start), 8 * 80);
    EXPECT_LT(MsSince(start), 3000);
    std::string expected;
    for (int i = 1; i <= 8; ++i) expected += Attempt(kRead) + (i == 3 ? "\xAA\xAA\xAA" : "");
    EXPECT_TRUE(peer.WaitFor([&](const std::string& r) { return r == expected; }, 1000));
}

TEST_F(TcpExchange, IncompleteAnswerAndSlowGapGiveErrorTwo) {
    peer.onFrame = [&](const std::string& f, int index) -> std::vector<TChunk> {
        if (index == 0) return {{f.substr(0, 10), 0}};                       // stops mid-echo
        if (index == 1) return {{f.substr(0, 10), 0}, {f.substr(10), 200}};  // gap > 80 ms
        return {{f + ".\r\n", 0}};
    };
    Open();
    // Fail the first two attempts, then stop retrying by cancelling: LastError is 2.
    std::atomic<bool> cancel{false};
    link.SetCancelFlag(&cancel);
    peer.onFrame = [&](const std::string& f, int index) -> std::vector<TChunk> {
        if (index == 1) cancel = true;
        if (index == 0) return {{f.substr(0, 10), 0}};
        return {{f.substr(0, 10), 0}, {f.substr(10), 200}};
    };
    EXPECT_FALSE(link.SendCommand(kWrite));
    EXPECT_EQ(link.LastError(), 2);
    EXPECT_EQ(peer.Frames().size(), 2u);
}

TEST_F(TcpExchange, EndlessGarbageEndsWithinTheLimit) {
    peer.answerWake = false;
    peer.onFrame = [&](const std::string&, int index) -> std::vector<TChunk> {
        if (index > 0) return {};
        std::vector<TChunk> junk;
        for (int i = 0; i < 150; ++i) junk.push_back({"junk", 5});
        return junk;
    };
    Open();
    std::atomic<bool> cancel{false};
    link.SetCancelFlag(&cancel);
    auto start = Clock::now();
    // One attempt: cancel before the second.
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    EXPECT_FALSE(link.SendCommand(kRead));
    stopper.join();
    EXPECT_EQ(link.LastError(), 1);
    // Without the overall limit the 5 ms junk would hold the attempt for 750 ms.
    EXPECT_LT(MsSince(start), 4 * 80 + 23 * 20 + 150);
}

TEST_F(TcpExchange, PeerClosingMidLineEndsQuietlyAndClosesTheLink) {
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f.substr(0, 8), 0}};
    };
    Open();
    link.SetTimingForTests(3000, 5);  // the real TCP byte time-out: the close must not wait for it
    std::thread closer([&] {
        peer.WaitFor([](const std::string& r) { return r.size() >= 10; }, 2000);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        peer.Disconnect();
    });
    auto start = Clock::now();
    EXPECT_FALSE(link.SendCommand(kRead));
    closer.join();
    EXPECT_LT(MsSince(start), 1500);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(ui.messages.empty());  // orderly close: no message
    // A later exchange says there is no connection.
    EXPECT_FALSE(link.SendCommand(kRead));
    ASSERT_EQ(ui.Ids(), std::vector<Text>{Text::NoConnection});
    EXPECT_EQ(ui.Texts()[0], "text121");
}

TEST_F(TcpExchange, ResetConnectionIsReported) {
    Open();
    peer.Disconnect(true);
    uint8_t b = 0;
    auto start = Clock::now();
    EXPECT_FALSE(link.WaitByte(b, 2000));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Disconnected, error #104"});
}

TEST_F(TcpExchange, WaitByteSendsKeepAliveAndReturnsTheReceptionByte) {
    peer.answerWake = false;
    Open();  // keep-alive every 300 ms at 5 %
    uint8_t b = 0;
    EXPECT_FALSE(link.WaitByte(b, 700));
    // Due at 300 and 600 ms; a loaded machine may push the second past the end.
    std::string sent = peer.Received();
    EXPECT_TRUE(sent == "SS" || sent == "S") << sent;
    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        peer.Send("R");
    });
    EXPECT_TRUE(link.WaitByte(b, 2000));
    sender.join();
    EXPECT_EQ(b, 'R');
    EXPECT_FALSE(link.TakeEcho(b));
    peer.Send("U");
    EXPECT_TRUE(peer.WaitFor([](const std::string&) { return true; }, 10));
    EXPECT_TRUE(link.WaitByte(b, 1000));
    EXPECT_EQ(b, 'U');
}

TEST_F(TcpExchange, KeepAliveGoesOnWhileNoThreadUsesTheLink) {
    // A window holds the link open (login, password, upload question): nobody waits on it,
    // yet the "S" leaves on time; an exchange afterwards is not disturbed.
    peer.answerWake = false;
    Open();  // keep-alive every 300 ms at 5 %
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const std::string idle = peer.Received();
    EXPECT_GE(idle.size(), 2u) << idle;
    EXPECT_EQ(idle.find_first_not_of('S'), std::string::npos) << idle;
    EXPECT_EQ(link.KeepAlivesSent(), static_cast<long>(idle.size()));
    const std::string data(32, 'B');
    peer.answerWake = true;
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f + FakePeer::ReadLine("0F00", data), 0}};
    };
    ASSERT_TRUE(link.SendCommand(kRead));
    std::string line;
    ASSERT_TRUE(link.ReceiveData(40, line));
    EXPECT_EQ(line, "0F00 " + data + "\r\n.");
    link.Close();
    const long sent = link.KeepAlivesSent();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(link.KeepAlivesSent(), sent);
}

TEST_F(TcpExchange, JeEchoNeverWaits) {
    Open();
    uint8_t b = 0;
    auto start = Clock::now();
    EXPECT_FALSE(link.TakeEcho(b));
    EXPECT_LT(MsSince(start), 50);
    peer.Send("R");
    for (int i = 0; i < 200 && !link.TakeEcho(b); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(b, 'R');
}

TEST_F(TcpExchange, ReceiveDataTimeOutEmptiesText) {
    Open();
    peer.Send("abc");
    std::string text = "old";
    EXPECT_FALSE(link.ReceiveData(5, text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(TcpExchange, JamSendsWakeAndZeroes) {
    Open();
    link.Jam();
    EXPECT_TRUE(peer.WaitFor([](const std::string& r) { return r == "UUU00000000"; }, 1000));
}

TEST(TcpConnect, ClosedPortCannotConnect) {
    // Find a port nobody listens on: bind, note, close.
    int port;
    {
        FakePeer probe(FakePeer::Tcp);
        port = std::stoi(probe.Port());
    }
    TTextTable texts = Texts();
    test::TRecordingUi ui;
    TLink link(texts, ui);
    link.Settings.ConnectionType = TConnectionSettings::Tcp;
    link.Settings.IPAddress = "127.0.0.1";
    link.Settings.IPPort = std::to_string(port);
    auto start = Clock::now();
    EXPECT_FALSE(link.Open());
    EXPECT_LT(MsSince(start), 2000);  // refused at once, no 10 s wait
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Can't connect, error #111", "Can't connect"}));
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::None, Text::None}));

    ui.messages.clear();
    link.Settings.IPAddress = "not an address";
    EXPECT_FALSE(link.Open());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Can't connect"});
    ui.messages.clear();
    link.Settings.IPAddress = "127.0.0.1";
    link.Settings.IPPort = "70000";
    EXPECT_FALSE(link.Open());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Can't connect"});
}

TEST(TcpConnect, ExchangeWithoutConnectionShows121) {
    TTextTable texts = Texts();
    test::TRecordingUi ui;
    TLink link(texts, ui);
    link.Settings.ConnectionType = TConnectionSettings::Tcp;
    EXPECT_FALSE(link.SendCommand(kRead));
    std::string s;
    EXPECT_FALSE(link.ReceiveData(3, s));
    uint8_t b;
    EXPECT_FALSE(link.TakeEcho(b));
    EXPECT_FALSE(link.WaitByte(b, 10));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::NoConnection});
}

TEST_F(TcpExchange, SecondOpenWhileOpenIsRefusedAndReopenWorks) {
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f + ".\r\n", 0}};
    };
    Open();
    EXPECT_FALSE(link.Open());
    EXPECT_TRUE(link.IsOpen());
    link.Close();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(link.Open());
        EXPECT_TRUE(link.SendCommand(kWrite));
        link.Close();
    }
    EXPECT_EQ(peer.Connections(), 4);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ravlin

namespace ravlin {
namespace {

TEST(TcpConnect, ServerThatNeverAnswersTimesOut) {
    // A listener whose accept queue is full drops further SYNs: the connect hangs.
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t len = sizeof sa;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        fillers.push_back(c);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    TTextTable texts = Texts();
    test::TRecordingUi ui;
    TLink link(texts, ui);
    link.Settings.ConnectionType = TConnectionSettings::Tcp;
    link.Settings.IPAddress = "127.0.0.1";
    link.Settings.IPPort = std::to_string(ntohs(sa.sin_port));
    link.SetTimingForTests(0, 5);  // the 10 s connect limit becomes 500 ms
    auto start = Clock::now();
    EXPECT_FALSE(link.Open());
    EXPECT_GE(MsSince(start), 500);
    EXPECT_LT(MsSince(start), 1500);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Can't connect"});
    EXPECT_FALSE(link.IsOpen());
    for (int c : fillers) ::close(c);
    ::close(listener);
}

}  // namespace
}  // namespace ravlin
