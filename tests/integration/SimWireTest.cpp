// The simulator's bytes on the wire, seen through a plain TCP line.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>

#include "IntegrationSupport.h"
#include "SimProcess.h"

namespace ravlin::test {
namespace {

class SimWire : public ::testing::Test {
  protected:
    void SetUp() override { WriteTestCatalogue(dir); }
    // Starts the simulator (16 records of 8 bytes: 1000-107F) and connects.
    void Start(std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--data-dir", dir.Path(), "--records", "16"});
        ASSERT_TRUE(sim.Start(TSimProcess::Tcp, args));
        line = std::make_unique<TRawLine>(sim.Port());
        ASSERT_TRUE(line->Ok());
    }
    // Sends a frame as the TCP link does and returns everything that came back.
    std::string Exchange(const std::string& frame, size_t expected) {
        EXPECT_TRUE(line->Send("UUU" + Completed(frame)));
        return line->Read(expected);
    }
    std::string Write(const std::string& frame) {
        const std::string c = Completed(frame);
        return Exchange(frame, 3 + c.size() + 3);
    }
    std::string Read(const std::string& frame, int count) {
        const std::string c = Completed(frame);
        return Exchange(frame, 3 + c.size() + 2 * count + 8);
    }

    TScratchDir dir;
    TSimProcess sim;
    std::unique_ptr<TRawLine> line;
};

TEST_F(SimWire, ReadBlockEchoesFrameThenSendsOneLinePerRead) {
    Start({"--password", "abc"});
    const std::string d = Read(":050000010F000F0F00", 16);
    EXPECT_EQ(d, "UUU:050000010F000F0F00CD\r\n0F00 1000107F0F300F100F20000000000000\r\n.");
    // The reply line alone: 40 characters, CR LF at 38 and 39.
    const std::string reply = d.substr(3 + 23);
    ASSERT_EQ(reply.size(), 40u);
    EXPECT_EQ(reply.substr(37, 2), "\r\n");

    EXPECT_EQ(Read(":050000090F100F1F00", 16).substr(26),
              "0F10 4B56384D000000000000000000000000\r\n.");
    EXPECT_EQ(Read(":050000090F200F2F00", 16).substr(26),
              "0F20 61626300000000000000000000000000\r\n.");
    // A short read: 2 * count + 8 characters.
    EXPECT_EQ(Read(":050000091000100200", 3).substr(26), "1000 FFFFFF\r\n.");
}

TEST_F(SimWire, StreamReadSendsThirtyNineCharacterLines) {
    Start();
    ASSERT_EQ(sim.Control("memory 1000 0102030405060708090A0B0C0D0E0F10"), "ok");
    const std::string frame = ":050000091000101F00";
    const std::string got = Exchange(frame, 3 + Completed(frame).size() + 2 * 39);
    EXPECT_EQ(got.substr(3 + Completed(frame).size()),
              "1000 0102030405060708090A0B0C0D0E0F10\r\n"
              "1010 FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r\n");
}

TEST_F(SimWire, WritesPrepareBlocksAndPassword) {
    Start();
    const std::string ok = ".\r\n";
    std::string r = Write(":081000001122334455667788");
    EXPECT_EQ(r, "UUU" + Completed(":081000001122334455667788") + ok);
    EXPECT_EQ(Write(":0410400099AABBCC").substr(r.size() - 3 - 8), ok);
    EXPECT_EQ(sim.Peek(0x1000, 8), "1122334455667788");
    // Preparation erases one 64-byte block (Rx.def's size) from the given address.
    EXPECT_EQ(Write(":03000004011000").substr(3 + 17), ok);
    EXPECT_EQ(sim.Peek(0x1000, 8), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(sim.Peek(0x1040, 4), "99AABBCC");
    // The last block is cut at the end of the record area: the memory behind it stays.
    ASSERT_EQ(sim.Control("memory 1080 ABCD"), "ok");
    EXPECT_EQ(Write(":03000004011060").substr(3 + 17), ok);
    EXPECT_EQ(sim.Peek(0x107E, 4), "FFFFABCD");

    // Data outside the record area and a preparation outside it are refused.
    EXPECT_EQ(Write(":020F00000000").substr(3 + 15), "X\r\n");
    EXPECT_EQ(Write(":02107F000000").substr(3 + 15), "X\r\n");
    EXPECT_EQ(Write(":03000004010F00").substr(3 + 17), "X\r\n");
    EXPECT_EQ(sim.Peek(0x0F00, 2), "1000");

    // Password: the whole 16-byte area, at the password address only.
    const std::string pw = "41424300000000000000000000000000";
    EXPECT_EQ(Write(":100F200A" + pw).substr(3 + 43), ok);
    EXPECT_EQ(sim.Peek(0x0F20, 16), pw);
    EXPECT_EQ(Write(":100F100A" + pw).substr(3 + 43), "X\r\n");
    EXPECT_EQ(sim.Peek(0x0F10, 4), "4B56384D");
}

TEST_F(SimWire, RejectsBadFramesAndResynchronises) {
    Start();
    // Wrong checksum.
    ASSERT_TRUE(line->Send("UUU:050000010F000F0F00CE\r\n"));
    EXPECT_EQ(line->Read(29), "UUU:050000010F000F0F00CE\r\nX\r\n");
    // Unknown record type, and a read whose count is not 5.
    EXPECT_EQ(Write(":0100000500").substr(3 + 13), "X\r\n");
    EXPECT_EQ(Exchange(":040000090F000F0F", 3 + 21 + 3).substr(3 + 21), "X\r\n");
    // A lower-case digit ends the frame at once.
    ASSERT_TRUE(line->Send(":05000001f"));
    EXPECT_EQ(line->Read(13), ":05000001fX\r\n");
    // "S", 0xAA, line ends and noise between frames are ignored; a frame cut short is
    // dropped by the next wake-up byte.
    ASSERT_TRUE(line->Send(std::string("S\xAA\r\nzz:0500", 11)));
    EXPECT_EQ(line->Read(5, 300), ":0500");
    EXPECT_EQ(Read(":050000010F000F0F00", 16).substr(0, 8), "UUU:0500");
    EXPECT_EQ(sim.Control("stats").substr(0, 20), "frames 5 rejected 4 ");
}

TEST_F(SimWire, ReceptionSendsRAndFillsTheLastReceptionBlock) {
    Start();
    EXPECT_EQ(sim.Control("reception 1234567 3 01 0005"), "ok");
    EXPECT_EQ(line->Read(1), "R");
    EXPECT_EQ(Read(":050000070F300F3F00", 16).substr(26),
              "0F30 31234567000000000100050000000000\r\n.");
    EXPECT_EQ(sim.Control("reception A00FF01 C"), "ok");
    EXPECT_EQ(line->Read(1), "R");
    EXPECT_EQ(sim.Peek(0x0F30, 16), "CA00FF010000000000FFFF0000000000");
    EXPECT_EQ(sim.Control("reception 12345678 3").substr(0, 6), "error:");
}

TEST_F(SimWire, InjectedFaults) {
    Start({"--answer-x", "1"});
    // A refused write is not carried out.
    EXPECT_EQ(Write(":021000001234").substr(3 + 15), "X\r\n");
    EXPECT_EQ(sim.Peek(0x1000, 2), "FFFF");
    // Reads are never refused.
    EXPECT_EQ(Read(":050000010F000F0F00", 16).size(), 3u + 23 + 40);
    ASSERT_EQ(sim.Control("set answer-x 0"), "ok");
    ASSERT_EQ(sim.Control("set answer-r 1"), "ok");
    EXPECT_EQ(Write(":021000001234").substr(3 + 15), "R\r\n");
    ASSERT_EQ(sim.Control("set answer-r 0"), "ok");

    // A pause between echo and status.
    ASSERT_EQ(sim.Control("set delay 1:300"), "ok");
    ASSERT_TRUE(line->Send(Completed(":021000001234")));
    EXPECT_EQ(line->Read(15), Completed(":021000001234"));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(line->Read(3, 2000), ".\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(250));
    ASSERT_EQ(sim.Control("set delay 0:0"), "ok");

    // Lost bytes: nothing comes back at all.
    ASSERT_EQ(sim.Control("set drop 1"), "ok");
    ASSERT_TRUE(line->Send("UUU" + Completed(":050000010F000F0F00")));
    EXPECT_EQ(line->Read(1, 300), "");
    ASSERT_EQ(sim.Control("set drop 0"), "ok");

    // Mute after the next frame (frames count per connection; 3 + 1 so far).
    ASSERT_EQ(sim.Control("set mute-after 5"), "ok");
    EXPECT_EQ(Read(":050000010F000F0F00", 16).size(), 3u + 23 + 40);
    ASSERT_TRUE(line->Send("UUU" + Completed(":050000010F000F0F00")));
    EXPECT_EQ(line->Read(1, 300), "");
}

TEST_F(SimWire, DisconnectAfterBytesThenServesTheNextConnection) {
    Start({"--disconnect-after", "10"});
    ASSERT_TRUE(line->Send("UUU" + Completed(":050000010F000F0F00")));
    EXPECT_EQ(line->Read(100), "UUU:050000");
    EXPECT_TRUE(line->Closed());
    // The next connection starts afresh with its own byte count.
    line = std::make_unique<TRawLine>(sim.Port());
    ASSERT_TRUE(line->Ok());
    ASSERT_TRUE(line->Send("U"));
    EXPECT_EQ(line->Read(1), "U");
    EXPECT_EQ(sim.Control("stats").find("connections 2") != std::string::npos, true);
}

TEST_F(SimWire, LoadsAndSavesTheRecordAreaAndStopsOnSignal) {
    dir.Write("image.bin", std::string("\x01\x02\x03\x04", 4));
    const std::string saved = dir.File("saved.bin");
    Start({"--load", dir.File("image.bin"), "--save", saved});
    EXPECT_EQ(sim.Peek(0x1000, 6), "01020304FFFF");
    EXPECT_EQ(Write(":02100400A5A5").substr(3 + 15), ".\r\n");
    EXPECT_EQ(sim.Signal(SIGTERM), 0);
    auto area = TSimProcess::ReadFile(saved);
    ASSERT_EQ(area.size(), 128u);
    EXPECT_EQ(area[3], 0x04);
    EXPECT_EQ(area[4], 0xA5);
    EXPECT_EQ(area[6], 0xFF);

    // The end of a piped stdin ends the simulator too, with the same save.
    Start({"--load", saved, "--save", saved});
    ASSERT_EQ(sim.Control("memory 1000 77"), "ok");
    EXPECT_EQ(sim.CloseStdin(), 0);
    area = TSimProcess::ReadFile(saved);
    ASSERT_EQ(area.size(), 128u);
    EXPECT_EQ(area[0], 0x77);
    EXPECT_EQ(area[4], 0xA5);

    // An image larger than the record area is refused at start.
    dir.Write("big.bin", std::string(129, '\0'));
    TSimProcess other;
    EXPECT_FALSE(other.Start(TSimProcess::Tcp, {"--data-dir", dir.Path(), "--records", "16",
                                                "--load", dir.File("big.bin")}));
}

TEST_F(SimWire, RefusesOverlappingLayout) {
    TSimProcess other;
    EXPECT_FALSE(other.Start(TSimProcess::Tcp,
                             {"--data-dir", dir.Path(), "--start", "0F00", "--end", "0FFF"}));
    EXPECT_FALSE(other.Start(TSimProcess::Tcp, {"--data-dir", dir.Path(), "--bogus", "1"}));
}

}  // namespace
}  // namespace ravlin::test

namespace ravlin::test {
namespace {

TEST_F(SimWire, LoadsADataFileWithItsTypeAndSize) {
    dir.Write("two.rvl",
              "KV8M\r\n2\r\n0011223344556677"
              "8899AABBCCDDEEFF\r\n");
    // Without --records or --end the data file's image is the whole record area.
    ASSERT_TRUE(
        sim.Start(TSimProcess::Tcp, {"--data-dir", dir.Path(), "--load", dir.File("two.rvl")}));
    EXPECT_EQ(sim.Peek(0x0F00, 4), "1000100F");
    EXPECT_EQ(sim.Peek(0x1000, 16), "00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(sim.Peek(0x0F10, 8), "4B56384D00000000");

    // A malformed data file is refused at start.
    dir.Write("bad.rvl", "KV8M\r\n3\r\n00112233\r\n");
    TSimProcess other;
    EXPECT_FALSE(
        other.Start(TSimProcess::Tcp, {"--data-dir", dir.Path(), "--load", dir.File("bad.rvl")}));
}

TEST_F(SimWire, SurvivesArbitraryBytesAndAnswersTheNextFrame) {
    Start();
    std::mt19937 rng(5);
    std::string junk;
    for (int i = 0; i < 65536; ++i) {
        // Mostly frame characters, so that the parser gets deep into frames.
        const char* alphabet = ":0123456789ABCDEF\r\nU";
        junk.push_back(rng() % 4 ? alphabet[rng() % 20] : static_cast<char>(rng()));
    }
    ASSERT_TRUE(line->Send(junk));
    line->Read(std::string::npos, 300);  // whatever it answered, until it falls silent
    EXPECT_FALSE(line->Closed());
    EXPECT_EQ(Read(":050000010F000F0F00", 16).substr(3 + 23),
              "0F00 1000107F0F300F100F20000000000000\r\n.");
    // Writes in the junk could only reach the record area or the password area.
    EXPECT_EQ(sim.Peek(0x0F00, 16), "1000107F0F300F100F20000000000000");
    EXPECT_EQ(sim.Peek(0x0F10, 16), "4B56384D000000000000000000000000");
}

TEST_F(SimWire, ControlPortAndDisconnectCommand) {
    Start({"--control-port", "0"});
    ASSERT_GT(sim.ControlPort(), 0);
    TRawLine control(sim.ControlPort());
    ASSERT_TRUE(control.Ok());
    ASSERT_TRUE(control.Send("peek 0F10 2\nbogus\n"));
    EXPECT_EQ(control.Read(5), "4B56\n");
    EXPECT_EQ(control.Read(29), "error: unknown command bogus\n");

    EXPECT_EQ(sim.Control("disconnect"), "ok");
    EXPECT_EQ(line->Read(1), "");
    EXPECT_TRUE(line->Closed());
    ASSERT_TRUE(control.Send("quit\n"));
    EXPECT_EQ(control.Read(3), "ok\n");
    EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace ravlin::test
