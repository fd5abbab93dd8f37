#pragma once
// A TCP connection to a serial-device server as the link's channel (TTcpClient). The
// server drops a silent connection, so the link sends its keep-alive; it needs a moment
// after a close before it takes the next connection.

#include <cstdint>
#include <string>

#include "link/ByteChannel.h"
#include "link/TcpClient.h"

namespace ravlin {

// Receive queue of a TCP connection: the bytes delivered by the client and not yet taken.
class TReceiveQueue {  // original name: TBuff
  public:
    static constexpr int Size = 4096;
    void Clear();
    // First unread byte; only when Count() > 0.
    uint8_t Take();
    int Count() const { return count_; }
    // Room for more bytes (the queue holds at most Size - 1 unread bytes).
    int Room() const { return Size - 1 - count_; }
    // Appends up to Room() bytes; returns how many were taken.
    int Fill(const char* data, int n);

  private:
    uint8_t data_[Size] = {};
    int head_ = 0;
    int count_ = 0;
};

class TTcpChannel : public TByteChannel {
  public:
    static constexpr int ByteTimeoutMs = 3000;
    static constexpr int ConnectTimeoutMs = 10000;
    static constexpr int ClosePauseMs = 100;

    // A dotted IPv4 address or host name, and a decimal port.
    TTcpChannel(std::string address, std::string port);

    const TChannelPolicy& Policy() const override { return policy_; }
    TOpenResult Open(int pauseScalePercent) override;
    void Close() override;
    bool Write(const std::string& bytes) override;
    TRead ReadByte(uint8_t& b, Clock::time_point deadline) override;
    bool Fetch() override;
    // Empties the queue and whatever stale bytes the client still holds.
    void PurgeInput() override;
    void PurgeOutput() override {}  // sent bytes are gone
    TChannelBreak Break() const override;

  private:
    // Moves what the client has into the queue, waiting up to timeoutMs for the first
    // byte. False when the connection is closed.
    bool FillQueue(int timeoutMs);

    TChannelPolicy policy_;
    std::string address_;
    std::string port_;
    TTcpClient client_;
    TReceiveQueue queue_;
    bool open_ = false;
};

}  // namespace ravlin
