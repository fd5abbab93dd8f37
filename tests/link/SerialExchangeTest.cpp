// The serial side: TSerial on pseudo-terminals and the two COM exchange variants.
#include <gtest/gtest.h>

#include <chrono>

#include "FakePeer.h"
#include "RecordingUi.h"
#include "base/IniFile.h"
#include "link/Link.h"
#include "link/Serial.h"

namespace ravlin {
namespace {

using test::FakePeer;
using test::TChunk;
using Clock = std::chrono::steady_clock;

const std::string kRead = ":050000010F000F0F00";
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

std::string Times(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(SerialPort, NumberToDeviceMapping) {
    SetSerialPortOverrides({});
    EXPECT_EQ(SerialDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath(8), "/dev/ttyS7");
    EXPECT_EQ(SerialDevicePath(9), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath(24), "/dev/ttyUSB15");
    EXPECT_EQ(SerialDevicePath(25), "/dev/ttyACM0");
    EXPECT_EQ(SerialDevicePath(32), "/dev/ttyACM7");
    EXPECT_EQ(SerialDevicePath(0), "");
    EXPECT_EQ(SerialDevicePath(33), "");
    SetSerialPortOverrides({{3, "/dev/ttyXRUSB0"}});
    EXPECT_EQ(SerialDevicePath(3), "/dev/ttyXRUSB0");
    EXPECT_EQ(SerialDevicePath(4), "/dev/ttyS3");
    SetSerialPortOverrides({});
}

TEST(SerialPort, PortsSectionOfTheSettingsFile) {
    char dir[] = "/tmp/ravlin-link-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/RavlinProj.ini";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(
        "[Setup]\r\nComNumber=9\r\n[Ports]\r\nCOM9=/dev/ttyXR0\r\ncom2=/dev/pts/7\n"
        "COMx=/dev/no\r\nCOM3=\r\nLPT1=/dev/lp0\r\n",
        f);
    std::fclose(f);
    {
        TIniFile ini(path);
        auto overrides = ReadSerialPortOverrides(ini);
        EXPECT_EQ(overrides, (std::map<int, std::string>{{2, "/dev/pts/7"}, {9, "/dev/ttyXR0"}}));
        SetSerialPortOverrides(overrides);
        EXPECT_EQ(SerialDevicePath(9), "/dev/ttyXR0");
        SetSerialPortOverrides({});
    }
    std::remove(path.c_str());
    ::rmdir(dir);
}

TEST(SerialPort, AvailablePortsListsAnOverriddenPseudoTerminal) {
    FakePeer peer(FakePeer::Pty);
    SetSerialPortOverrides({{31, peer.Device()}});
    auto ports = AvailablePorts();
    EXPECT_FALSE(ports.empty());
    EXPECT_EQ(ports.back(), 31);
    {
        TSerial held(31, 9600);
        ports = AvailablePorts();
        EXPECT_TRUE(ports.empty() || ports.back() != 31);
    }
    SetSerialPortOverrides({});
}

TEST(SerialPort, MissingPortThrowsWithItsName) {
    try {
        TSerial port(40, 9600);
        FAIL() << "opened COM40";
    } catch (const TSerialException& e) {
        EXPECT_STREQ(e.what(), "Port COM40 n\xEDn\xED k dispozici");
    }
    SetSerialPortOverrides({{7, "/nonexistent/tty"}});
    EXPECT_FALSE(PortAvailable(7));
    EXPECT_THROW(TSerial(7, 9600), TSerialException);
    SetSerialPortOverrides({});
    // A regular file is not a serial port.
    EXPECT_FALSE(DeviceAvailable("/etc/hostname"));
}

TEST(SerialPort, OpenIsExclusive) {
    FakePeer peer(FakePeer::Pty);
    EXPECT_TRUE(DeviceAvailable(peer.Device()));
    SetSerialPortOverrides({{5, peer.Device()}});
    {
        TSerial first(5, 9600);
        EXPECT_FALSE(PortAvailable(5));
        EXPECT_FALSE(DeviceAvailable(peer.Device()));
        try {
            TSerial second(peer.Device(), 9600);
            FAIL() << "second open succeeded";
        } catch (const TSerialException& e) {
            EXPECT_EQ(std::string(e.what()), "Port " + peer.Device() + " n\xEDn\xED k dispozici");
        }
    }
    // Closing releases it, also for a later exclusive open.
    EXPECT_TRUE(PortAvailable(5));
    TSerial again(5, 28800);  // a rate without a B-constant is accepted
    SetSerialPortOverrides({});
}

TEST(SerialPort, BytesBothWaysAndInputCount) {
    FakePeer peer(FakePeer::Pty);
    peer.answerWake = false;
    TSerial port(peer.Device(), 57600);
    EXPECT_EQ(port.InputCount(), 0u);
    EXPECT_TRUE(port.WriteByte('a'));
    EXPECT_TRUE(port.WriteBytes("bc"));
    EXPECT_TRUE(peer.WaitFor([](const std::string& r) { return r == "abc"; }, 1000));
    peer.Send("xyz");
    EXPECT_TRUE(port.WaitReadable(1000));
    for (int i = 0; i < 100 && port.InputCount() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(port.InputCount(), 3u);
    uint8_t b = 0;
    EXPECT_TRUE(port.ReadByte(b));
    EXPECT_EQ(b, 'x');
    port.PurgeInput();
    EXPECT_EQ(port.InputCount(), 0u);
    // Bytes with the high bit and control characters pass unchanged (raw line).
    peer.Send(std::string("\xAA\r\n\x11\x13\x00", 6));
    std::string got;
    while (got.size() < 6 && port.ReadByte(b)) got += static_cast<char>(b);
    EXPECT_EQ(got, std::string("\xAA\r\n\x11\x13\x00", 6));
    port.SetDtr(false);  // pseudo-terminals have no modem lines; must not fail loudly
    port.SetRts(true);
}

TEST(SerialPort, ReadByteTimesOutAfterAboutOnePointOneSeconds) {
    FakePeer peer(FakePeer::Pty);
    TSerial port(peer.Device(), 9600);
    uint8_t b = 0;
    auto start = Clock::now();
    EXPECT_FALSE(port.ReadByte(b));
    EXPECT_GE(MsSince(start), 1090);
    EXPECT_LT(MsSince(start), 1600);
}

class ComExchange : public ::testing::Test {
  protected:
    ComExchange() : link(texts, ui) {
        link.Settings.ConnectionType = TConnectionSettings::Com;
        link.Settings.Device = peer.Device();
        link.Settings.ComSpeed = 19200;
        link.SetTimingForTests(40, 5);
    }
    void Open() {
        ASSERT_TRUE(link.Open());
        EXPECT_EQ(link.ConnectionText(), peer.Device() + ":19200");
    }

    TTextTable texts = Texts();
    test::TRecordingUi ui;
    FakePeer peer{FakePeer::Pty};
    TLink link;
};

TEST_F(ComExchange, HandshakeThenReadFrame) {
    const std::string data = "00100FFF0F100F200F300000000000000";
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f + FakePeer::ReadLine("0F00", data.substr(0, 32)), 0}};
    };
    Open();
    ASSERT_TRUE(link.SendCommand(kRead));
    std::string line;
    ASSERT_TRUE(link.ReceiveData(40, line));
    EXPECT_EQ(line.substr(5, 32), data.substr(0, 32));
    // One wake-up byte answered at once, then the frame.
    EXPECT_EQ(peer.Received(), "U" + kReadDone);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ComExchange, SilentReceiverGetsWakeUpBytesButNeverTheFrame) {
    peer.answerWake = false;
    Open();
    EXPECT_FALSE(link.SendCommand(kWrite));
    EXPECT_EQ(link.LastError(), 1);
    const std::string oneAttempt =
        "U"
        "U"
        "UUU"
        "UUU"
        "\xAA\xAA\xAA"
        "UUU"
        "UUU"
        "UUU"
        "UUU";
    EXPECT_EQ(peer.Received(), Times(oneAttempt, 3));
    EXPECT_TRUE(peer.Frames().empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ComExchange, LateWakeUpAnswer) {
    // The receiver answers only the third try's wake-up bytes.
    peer.answerWake = false;
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f + ".\r\n", 0}};
    };
    std::thread waker([&] {
        peer.WaitFor([](const std::string& r) { return r.size() >= 5; }, 2000);
        peer.Send("U");
    });
    Open();
    EXPECT_TRUE(link.SendCommand(kWrite));
    waker.join();
    EXPECT_EQ(peer.Received(), "UUUUU" + TLink::CompleteFrame(kWrite));
}

TEST_F(ComExchange, StatusCharactersAndEcho) {
    // X rejects (4), R reports a reception (5), a wrong echo is 3; each retried 3 times.
    struct Case {
        std::string after;
        bool corrupt;
        int error;
    };
    for (const Case& c :
         {Case{"X\r\n", false, 4}, Case{"R\r\n", false, 5}, Case{".\r\n", true, 3}}) {
        peer.ClearReceived();
        peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
            std::string echo = f;
            if (c.corrupt) echo[5] = 'E';
            return {{echo + c.after, 0}};
        };
        if (!link.IsOpen()) Open();
        EXPECT_FALSE(link.SendCommand(kWrite));
        EXPECT_EQ(link.LastError(), c.error);
        EXPECT_EQ(peer.Frames().size(), 3u) << c.error;
    }
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{f + ".\r\n", 0}};
    };
    EXPECT_TRUE(link.SendCommand(kWrite));
    EXPECT_EQ(link.LastError(), 0);
}

TEST_F(ComExchange, WithHandshakeAUInsideTheEchoIsAnError) {
    peer.onFrame = [&](const std::string& f, int index) -> std::vector<TChunk> {
        if (index == 0) return {{f.substr(0, 4) + "U" + f.substr(4) + ".\r\n", 0}};
        return {{f + ".\r\n", 0}};
    };
    Open();
    EXPECT_TRUE(link.SendCommand(kWrite));
    EXPECT_EQ(peer.Frames().size(), 2u);
}

TEST_F(ComExchange, WithoutHandshakeEightAttemptsAndAAOnce) {
    link.Settings.DumpRead = true;
    peer.answerWake = false;
    Open();
    EXPECT_FALSE(link.SendCommand(kRead));
    EXPECT_EQ(link.LastError(), 1);
    std::string expected;
    for (int i = 1; i <= 8; ++i) expected += "UUU" + kReadDone + (i == 3 ? "\xAA\xAA\xAA" : "");
    EXPECT_EQ(peer.Received(), expected);
}

TEST_F(ComExchange, WithoutHandshakeUAndRInsideTheEchoAreDropped) {
    link.Settings.DumpRead = true;
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        return {{"R" + f.substr(0, 6) + "RU" + f.substr(6, 8), 0},
                {f.substr(14) + FakePeer::ReadLine("0100", std::string(32, 'F')), 30}};
    };
    Open();
    EXPECT_TRUE(link.SendCommand(kRead));
    std::string line;
    EXPECT_TRUE(link.ReceiveData(40, line));
    EXPECT_EQ(line.substr(5, 32), std::string(32, 'F'));
    EXPECT_EQ(peer.Frames().size(), 1u);
}

TEST_F(ComExchange, DeviceGoneEndsAtOnce) {
    Open();
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        peer.Disconnect();
    });
    link.SetTimingForTests(500, 100);
    uint8_t b = 0;
    auto start = Clock::now();
    EXPECT_FALSE(link.WaitByte(b, 3000));
    killer.join();
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.SendCommand(kRead));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::NoConnection});
}

TEST_F(ComExchange, PortInUseShows120) {
    TSerial holder(peer.Device(), 9600);
    EXPECT_FALSE(link.Open());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpenPort});
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"text120"});
}

TEST(ComTiming, RealSettleAndByteTimeOut) {
    // The one test with the real timing: 1000 ms settle after opening, 500 ms per byte.
    FakePeer peer(FakePeer::Pty);
    TTextTable texts = Texts();
    test::TRecordingUi ui;
    TLink link(texts, ui);
    link.Settings.Device = peer.Device();
    auto start = Clock::now();
    ASSERT_TRUE(link.Open());
    EXPECT_GE(MsSince(start), 1000);
    EXPECT_LT(MsSince(start), 1500);
    peer.Send("ab");
    std::string text;
    start = Clock::now();
    EXPECT_FALSE(link.ReceiveData(3, text));
    EXPECT_GE(MsSince(start), 500);
    EXPECT_LT(MsSince(start), 900);
    EXPECT_EQ(text, "");
    // A second open while open does nothing.
    EXPECT_FALSE(link.Open());
    link.Close();
    EXPECT_TRUE(DeviceAvailable(peer.Device()));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ravlin
