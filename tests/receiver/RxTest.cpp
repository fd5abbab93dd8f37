// The receiver command set against a scripted receiver memory over TCP.
#include <gtest/gtest.h>

#include <mutex>

#include "FakePeer.h"
#include "RecordingUi.h"
#include "link/Link.h"
#include "receiver/Rx.h"

namespace ravlin {
namespace {

using test::FakePeer;
using test::TChunk;

TTextTable Texts() {
    TTextTable t(200);
    for (size_t i = 0; i < t.size(); ++i) t[i] = "text" + std::to_string(i);
    return t;
}

int Hex(const std::string& s) {
    return std::stoi(s, nullptr, 16);
}

std::string HexBytes(const std::vector<uint8_t>& mem, int from, int count) {
    std::string out;
    char buf[3];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", mem[from + i]);
        out += buf;
    }
    return out;
}

// A receiver memory that answers read frames (01/07/09) and password writes (0A).
struct FakeMemory {
    std::vector<uint8_t> mem = std::vector<uint8_t>(0x10000, 0xFF);
    std::mutex mutex;
    bool rejectWrites = false;
    // Replaces the reply line of read number n (0-based) when set.
    std::function<std::string(int n, std::string line)> garble;
    int reads = 0;

    void Put(int address, const std::string& bytes) {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = 0; i < bytes.size(); ++i) mem[address + i] = static_cast<uint8_t>(bytes[i]);
    }
    void SetUp(const std::string& name, const std::string& password) {
        // Start 0100, end 08FF, on-line 0E00, name 0E80, password 0E90.
        Put(0x0F00,
            std::string("\x01\x00\x08\xFF\x0E\x00\x0E\x80\x0E\x90", 10) + std::string(6, '\0'));
        Put(0x0E80, name + std::string(16 - name.size(), '\0'));
        Put(0x0E90, password + std::string(16 - password.size(), '\0'));
    }
    std::vector<TChunk> Answer(const std::string& f, int) {
        std::lock_guard<std::mutex> lock(mutex);
        std::string type = f.substr(7, 2);
        if (type == "01" || type == "07" || type == "09") {
            int start = Hex(f.substr(9, 4));
            int last = Hex(f.substr(13, 4));
            std::string line =
                FakePeer::ReadLine(f.substr(9, 4), HexBytes(mem, start, last - start + 1));
            if (garble) line = garble(reads, line);
            ++reads;
            return {{f + line, 0}};
        }
        if (rejectWrites) return {{f + "X\r\n", 0}};
        if (type == "0A") {
            int count = Hex(f.substr(1, 2));
            int address = Hex(f.substr(3, 4));
            for (int i = 0; i < count; ++i)
                mem[address + i] = static_cast<uint8_t>(Hex(f.substr(9 + 2 * i, 2)));
        }
        return {{f + ".\r\n", 0}};
    }
};

class RxTest : public ::testing::Test {
  protected:
    RxTest() : link(texts, ui), rx(link, texts, ui, RAVLIN_TEST_DATA_DIR) {
        link.Settings.ConnectionType = TConnectionSettings::Tcp;
        link.Settings.IPAddress = "127.0.0.1";
        link.Settings.IPPort = peer.Port();
        link.SetTimingForTests(60, 5);
        memory.SetUp("KV2R", "abc");
        peer.onFrame = [this](const std::string& f, int i) { return memory.Answer(f, i); };
    }
    std::vector<std::string> Frames() {
        std::vector<std::string> out;
        for (const auto& f : peer.Frames()) out.push_back(f);
        return out;
    }

    TTextTable texts = Texts();
    test::TRecordingUi ui;
    FakeMemory memory;
    FakePeer peer{FakePeer::Tcp};
    TLink link;
    TRx rx;
};

TEST_F(RxTest, ReadBlockOfTheDescriptor) {
    ASSERT_TRUE(link.Open());
    std::string data;
    ASSERT_TRUE(rx.ReadBlock('1', 0x0F00, 16, data));
    EXPECT_EQ(data, "010008FF0E000E800E90000000000000");
    EXPECT_EQ(Frames(), std::vector<std::string>{":050000010F000F0F00CD\r\n"});
    ASSERT_TRUE(rx.ReadBlock('7', 0x0E00, 3, data));
    EXPECT_EQ(data, "FFFFFF");
    EXPECT_EQ(Frames().back(), TLink::CompleteFrame(":050000070E000E0200"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RxTest, ReadBlockRefusesBadAddressesAndTypesWithoutSending) {
    ASSERT_TRUE(link.Open());
    std::string data = "unchanged";
    EXPECT_FALSE(rx.ReadBlock('9', 0x10000, 16, data));
    EXPECT_FALSE(rx.ReadBlock('9', 0xFFF8, 16, data));  // would wrap round to 0007
    EXPECT_TRUE(rx.ReadBlock('9', 0xFFF0, 16, data));   // last address FFFF is fine
    EXPECT_FALSE(rx.ReadBlock('2', 0x0100, 16, data));
    EXPECT_FALSE(rx.ReadBlock('0', 0x0100, 16, data));
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::AddressOutOfRange, Text::AddressOutOfRange,
                                           Text::UnknownReadType, Text::UnknownReadType}));
    EXPECT_EQ(peer.Frames().size(), 1u);
}

TEST_F(RxTest, GarbledReplyLinesAreReadAgainThreeTimesAtMost) {
    // Read 0: line end misplaced; read 1: data not hexadecimal; read 2: good.
    memory.garble = [](int n, std::string line) {
        if (n == 0) line[37] = 'x';
        if (n == 1) line[6] = 'Q';
        return line;
    };
    ASSERT_TRUE(link.Open());
    std::string data;
    EXPECT_TRUE(rx.ReadBlock('9', 0x0E80, 16, data));
    EXPECT_EQ(data.substr(0, 8), "4B563252");
    EXPECT_EQ(peer.Frames().size(), 3u);

    memory.reads = 0;
    memory.garble = [](int, std::string line) { return line.substr(0, 36) + "\n\r."; };
    EXPECT_FALSE(rx.ReadBlock('9', 0x0E80, 16, data));
    EXPECT_EQ(peer.Frames().size(), 6u);
    EXPECT_TRUE(ui.messages.empty());  // callers report
}

TEST_F(RxTest, LowerCaseDataIsReturnedUpperCase) {
    memory.garble = [](int, std::string line) {
        for (size_t i = 5; i < 37; ++i) line[i] = static_cast<char>(std::tolower(line[i]));
        return line;
    };
    ASSERT_TRUE(link.Open());
    std::string data;
    EXPECT_TRUE(rx.ReadBlock('1', 0x0F00, 16, data));
    EXPECT_EQ(data, "010008FF0E000E800E90000000000000");
}

TEST_F(RxTest, InitReadsDescriptorNamePasswordAndCatalogue) {
    ASSERT_TRUE(rx.Init());
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(rx.Device.StartAddress, 0x0100);
    EXPECT_EQ(rx.Device.EndAddress, 0x08FF);
    EXPECT_EQ(rx.Device.OnlineAddress, 0x0E00);
    EXPECT_EQ(rx.Device.NameAddress, 0x0E80);
    EXPECT_EQ(rx.Device.PasswordAddress, 0x0E90);
    EXPECT_EQ(rx.Device.Name, "KV2R");
    EXPECT_EQ(rx.Device.Password, "abc");
    EXPECT_EQ(rx.Device.Description, "KV2R two-channel receiver, 250 transmitters");
    EXPECT_EQ(rx.Device.Outputs, 2);
    EXPECT_EQ(rx.Device.EmptyTemplate, "0000000000000000");
    EXPECT_EQ(rx.Device.BlockSize, 2048);
    EXPECT_EQ(rx.Device.RecordCount, 2048 / 8);
    EXPECT_EQ(Frames(), (std::vector<std::string>{TLink::CompleteFrame(":050000010F000F0F00"),
                                                  TLink::CompleteFrame(":050000090E800E8F00"),
                                                  TLink::CompleteFrame(":050000090E900E9F00")}));
    EXPECT_TRUE(ui.messages.empty());
    rx.DeInit();
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(RxTest, NameIsTheFirstEightBytesAndEmptyPasswordArea) {
    memory.SetUp("KV2R", "");
    memory.Put(0x0E88, "TRAILER");  // beyond the 8 name bytes
    ASSERT_TRUE(rx.Init());
    EXPECT_EQ(rx.Device.Name, "KV2R");
    EXPECT_EQ(rx.Device.Password, "");
}

TEST_F(RxTest, UnknownReceiverTypeKeepsTheDescription) {
    memory.SetUp("ZZ99", "");
    rx.Device.Name = "before";
    EXPECT_FALSE(rx.Init());
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::TypeNotInCatalogue});
    EXPECT_EQ(rx.Device.Name, "before");
    EXPECT_EQ(rx.Device.StartAddress, 0);
}

TEST_F(RxTest, SilentReceiverCannotBeRead) {
    peer.onFrame = nullptr;
    peer.answerWake = false;
    EXPECT_FALSE(rx.Init());
    ASSERT_EQ(ui.Ids(), std::vector<Text>{Text::CommunicationError});
    EXPECT_EQ(ui.Texts()[0], "text110 - text112");
    EXPECT_EQ(peer.Frames().size(), 3u * 8u);  // 3 reads of 8 attempts
    EXPECT_TRUE(link.IsOpen());                // the caller closes
}

TEST_F(RxTest, ConnectionLostDuringLoginIsOneMessage) {
    peer.onFrame = [&](const std::string& f, int) -> std::vector<TChunk> {
        peer.Disconnect();
        return {};
    };
    EXPECT_FALSE(rx.Init());
    // No "no connection" box for every retry: one failure, one message.
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"text110 - text112"});
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(RxTest, VerifyPasswordNoticesChangedPasswordOrName) {
    ASSERT_TRUE(rx.Init());
    EXPECT_TRUE(rx.VerifyPassword());
    memory.SetUp("KV2R", "abd");
    EXPECT_FALSE(rx.VerifyPassword());
    memory.SetUp("KV4R", "abc");
    EXPECT_FALSE(rx.VerifyPassword());
    memory.SetUp("KV2R", "ABC");  // case counts
    EXPECT_FALSE(rx.VerifyPassword());
    EXPECT_EQ(ui.Ids(),
              (std::vector<Text>{Text::LoginChanged, Text::LoginChanged, Text::LoginChanged}));
    peer.onFrame = nullptr;
    ui.messages.clear();
    EXPECT_FALSE(rx.VerifyPassword());
    ASSERT_EQ(ui.Ids(), std::vector<Text>{Text::CommunicationError});
    EXPECT_EQ(ui.Texts()[0], "text110 text112");
}

TEST_F(RxTest, WritePasswordWritesCodesPaddedWithZeroesAndReadsBack) {
    ASSERT_TRUE(rx.Init());
    peer.ClearReceived();
    ASSERT_TRUE(rx.WritePassword("xyz"));
    const std::string write = ":100E900A78797A" + std::string(26, '0');
    auto frames = Frames();
    ASSERT_EQ(frames.size(), 2u + 1u + 3u);  // verify, write, descriptor again
    EXPECT_EQ(frames[2], TLink::CompleteFrame(write));
    EXPECT_EQ(rx.Device.Password, "xyz");
    EXPECT_EQ(HexBytes(memory.mem, 0x0E90, 16), "78797A" + std::string(26, '0'));
    // Sixteen characters fill the area; high-bit characters are kept as their byte.
    ASSERT_TRUE(rx.WritePassword("0123456789ABCD\xE9\xFD"));
    EXPECT_EQ(rx.Device.Password, "0123456789ABCD\xE9\xFD");
    // Empty password: all zeroes.
    ASSERT_TRUE(rx.WritePassword(""));
    EXPECT_EQ(rx.Device.Password, "");
    EXPECT_EQ(HexBytes(memory.mem, 0x0E90, 16), std::string(32, '0'));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RxTest, WritePasswordRefusals) {
    ASSERT_TRUE(rx.Init());
    peer.ClearReceived();
    EXPECT_FALSE(rx.WritePassword(std::string(17, 'a')));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::NewPasswordTooLong});
    EXPECT_TRUE(peer.Received().empty());

    ui.messages.clear();
    memory.SetUp("KV2R", "other");
    EXPECT_FALSE(rx.WritePassword("new"));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::LoginChanged});

    ui.messages.clear();
    memory.SetUp("KV2R", "abc");
    memory.rejectWrites = true;
    EXPECT_FALSE(rx.WritePassword("new"));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CommunicationError});
    EXPECT_EQ(ui.Texts()[0], "text110");
    EXPECT_EQ(rx.Device.Password, "abc");
}

TEST(RxStatic, HexToInt) {
    int v = 7;
    EXPECT_TRUE(TRx::HexToInt("0f00", v));
    EXPECT_EQ(v, 3840);
    EXPECT_TRUE(TRx::HexToInt("0F00", v));
    EXPECT_EQ(v, 3840);
    EXPECT_TRUE(TRx::HexToInt("", v));
    EXPECT_EQ(v, 0);
    v = 7;
    EXPECT_FALSE(TRx::HexToInt("123456789", v));
    EXPECT_FALSE(TRx::HexToInt("12G4", v));
    EXPECT_FALSE(TRx::HexToInt(" 12", v));
    EXPECT_FALSE(TRx::HexToInt("-1", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(TRx::HexToInt("7FFFFFFF", v));
    EXPECT_EQ(v, 0x7FFFFFFF);
    EXPECT_TRUE(TRx::HexToInt("abcdef", v));
    EXPECT_EQ(v, 0xABCDEF);
}

TEST(RxStatic, HexToText) {
    std::string t = "old";
    TRx::HexToText("4B5632520000000000", t);
    EXPECT_EQ(t, "KV2R");
    TRx::HexToText("41002042", t);
    EXPECT_EQ(t, "A  B");
    TRx::HexToText("41202000", t);
    EXPECT_EQ(t, "A");
    TRx::HexToText("00000000", t);
    EXPECT_EQ(t, "");
    TRx::HexToText("", t);
    EXPECT_EQ(t, "");
    TRx::HexToText("e9ff", t);
    EXPECT_EQ(t, "\xE9\xFF");
    TRx::HexToText("414", t);  // an odd last digit is ignored
    EXPECT_EQ(t, "A");
}

TEST(RxStatic, RecordCountAndFrames) {
    TDevice d;
    d.StartAddress = 0x0100;
    d.EndAddress = 0x08FF;
    d.EmptyTemplate = std::string(16, '0');
    EXPECT_EQ(TRx::RecordCount(d), 256);
    d.EmptyTemplate = std::string(20, '0');  // 10-byte records: 2048 div 10
    EXPECT_EQ(TRx::RecordCount(d), 204);
    d.EmptyTemplate.clear();
    EXPECT_EQ(TRx::RecordCount(d), 0);
    d.EmptyTemplate = "00";
    d.EndAddress = 0x00FF;
    EXPECT_EQ(TRx::RecordCount(d), 0);
    EXPECT_EQ(TRx::ReadFrame('1', 0x0F00, 16), ":050000010F000F0F00");
    EXPECT_EQ(TRx::ReadFrame('9', 0x0100, 9),
              ":05000009010001080"
              "0");
    EXPECT_EQ(TRx::Hex4(0xabc), "0ABC");
}

}  // namespace
}  // namespace ravlin
