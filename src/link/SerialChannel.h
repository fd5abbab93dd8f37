#pragma once
// A serial port as the link's channel (TSerial): raises RTS to wake the receiver, which
// then needs a second to settle; each command is preceded by the wake-up handshake.

#include <memory>
#include <string>

#include "link/ByteChannel.h"

namespace ravlin {

class TSerial;

class TSerialChannel : public TByteChannel {
  public:
    static constexpr int ByteTimeoutMs = 500;
    static constexpr int SettleMs = 1000;
    static constexpr int DtrMs = 10;

    // Port number n ("COM n", through SerialDevicePath) unless a device path is given.
    TSerialChannel(int portNumber, std::string device, int speed);
    ~TSerialChannel() override;

    TOpenResult Open(int pauseScalePercent) override;
    void Close() override;
    bool Write(const std::string& bytes) override;
    void PurgeOutput() override;
    TChannelBreak Break() const override;

  protected:
    int Receive(char* buf, int max, int timeoutMs) override;
    void DiscardInput() override;

  private:
    int portNumber_;
    std::string device_;
    int speed_;
    std::unique_ptr<TSerial> port_;
};

}  // namespace ravlin
