#include <gtest/gtest.h>

#include "link/Link.h"

namespace ravlin {
namespace {

TEST(Frame, ChecksumAndLineEnd) {
    EXPECT_EQ(TLink::Checksum(":050000010F000F0F00"), "CD");
    EXPECT_EQ(TLink::CompleteFrame(":050000010F000F0F00"), ":050000010F000F0F00CD\r\n");
    // Prepare block: a write type, no line end.
    EXPECT_EQ(TLink::CompleteFrame(":0300000401"
                                   "0000"),
              ":03000004010000F8");
    // Types 07 and 09 are reads too; 00 and 0A are not.
    EXPECT_EQ(TLink::CompleteFrame(":050000070F000F0F00").substr(21), "\r\n");
    EXPECT_EQ(TLink::CompleteFrame(":05000009010001FF00").size(), 23u);
    EXPECT_EQ(TLink::CompleteFrame(":100F000A" + std::string(32, '0')).size(), 9u + 32 + 2);
    EXPECT_EQ(TLink::CompleteFrame(":0100000041").size(), 13u);
}

TEST(Frame, ChecksumOfMultipleOf256IsZeroes) {
    // FF + 00 + 00 + 01 = 256
    EXPECT_EQ(TLink::Checksum(":FF000001"), "00");
    EXPECT_EQ(TLink::Checksum(":"), "00");
    // Single digit pair 01 -> FF; the value is taken modulo 256 at every step.
    EXPECT_EQ(TLink::Checksum(":01"), "FF");
    EXPECT_EQ(TLink::Checksum(":FFFF"), "02");
}

TEST(Frame, ChecksumCountsLowerCaseAndOtherCharactersAsZero) {
    EXPECT_EQ(TLink::Checksum(":0a"), TLink::Checksum(":00"));
    EXPECT_EQ(TLink::Checksum(":1G"), TLink::Checksum(":10"));
    // Position parity counts from the ':' at position 1: the high nibble sits at even ones.
    EXPECT_EQ(TLink::Checksum(":10"), "F0");
    EXPECT_EQ(TLink::Checksum(":01"), "FF");
}

TEST(Frame, IntelHexChecksumOfRandomLines) {
    // The checksum makes the byte sum of the digit pairs plus itself 0 modulo 256.
    unsigned seed = 12345;
    for (int n = 0; n < 200; ++n) {
        std::string frame = ":";
        unsigned sum = 0;
        int bytes = 1 + n % 40;
        for (int i = 0; i < bytes; ++i) {
            seed = seed * 1103515245u + 12345u;
            unsigned v = (seed >> 16) & 0xFF;
            sum += v;
            char buf[3];
            std::snprintf(buf, sizeof buf, "%02X", v);
            frame += buf;
        }
        unsigned cs = std::stoul(TLink::Checksum(frame), nullptr, 16);
        EXPECT_EQ((sum + cs) % 256, 0u) << frame;
    }
}

TEST(ReceiveQueue, KeepsOrderAndHoldsAtMost4095) {
    TReceiveQueue q;
    q.Clear();
    std::string big(5000, 'a');
    for (int i = 0; i < 5000; ++i) big[i] = static_cast<char>(i % 251);
    EXPECT_EQ(q.Fill(big.data(), 5000), 4095);
    EXPECT_EQ(q.Count(), 4095);
    EXPECT_EQ(q.Room(), 0);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(q.Take(), static_cast<uint8_t>(i % 251));
    // Wraps round the end of the array.
    EXPECT_EQ(q.Fill(big.data() + 4095, 905), 100);
    for (int i = 100; i < 4195; ++i) ASSERT_EQ(q.Take(), static_cast<uint8_t>(i % 251)) << i;
    EXPECT_EQ(q.Count(), 0);
    q.Fill("xy", 2);
    q.Clear();
    EXPECT_EQ(q.Count(), 0);
}

TEST(Link, ConnectionText) {
    TTextTable texts(200);
    TSilentUi ui;
    TLink link(texts, ui);
    link.Settings.ComNumber = 3;
    link.Settings.ComSpeed = 19200;
    link.UpdateConnectionText();
    EXPECT_EQ(link.ConnectionText(), "COM 3:19200");
    link.Settings.ConnectionType = TConnectionSettings::Tcp;
    link.Settings.IPAddress = "10.0.0.7";
    link.Settings.IPPort = "4001";
    link.UpdateConnectionText();
    EXPECT_EQ(link.ConnectionText(), "IP 10.0.0.7:4001");
    link.Close();  // closed: nothing happens
    link.Close();
    EXPECT_FALSE(link.IsOpen());
}

}  // namespace
}  // namespace ravlin
