#pragma once
// A TCP connection to a serial-device server as the link's channel (TTcpClient). The
// server drops a silent connection, so the link sends its keep-alive; it needs a moment
// after a close before it takes the next connection.

#include <string>

#include "link/ByteChannel.h"
#include "link/TcpClient.h"

namespace ravlin {

class TTcpChannel : public TByteChannel {
  public:
    static constexpr int ByteTimeoutMs = 3000;
    static constexpr int ConnectTimeoutMs = 10000;
    static constexpr int ClosePauseMs = 100;

    // A dotted IPv4 address or host name, and a decimal port.
    TTcpChannel(std::string address, std::string port);

    TOpenResult Open(int pauseScalePercent) override;
    void Close() override;
    bool Write(const std::string& bytes) override;
    void PurgeOutput() override {}  // what was sent is gone
    TChannelBreak Break() const override;

  protected:
    int Receive(char* buf, int max, int timeoutMs) override;
    // Whatever stale bytes the client still holds.
    void DiscardInput() override;

  private:
    std::string address_;
    std::string port_;
    TTcpClient client_;
    bool open_ = false;
};

}  // namespace ravlin
