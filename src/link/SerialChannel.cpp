#include "link/SerialChannel.h"

#include <thread>
#include <utility>

#include "link/Serial.h"

namespace ravlin {

TSerialChannel::TSerialChannel(int portNumber, std::string device, int speed)
    : portNumber_(portNumber), device_(std::move(device)), speed_(speed) {
    policy_.byteTimeoutMs = ByteTimeoutMs;
    policy_.handshake = true;
    policy_.pauseAfterOpenMs = SettleMs;  // the receiver wakes up on RTS
}

TSerialChannel::~TSerialChannel() = default;

TOpenResult TSerialChannel::Open(int pauseScalePercent) {
    Close();
    try {
        if (device_.empty())
            port_ = std::make_unique<TSerial>(portNumber_, speed_);
        else
            port_ = std::make_unique<TSerial>(device_, speed_);
    } catch (const TSerialException&) {
        return {TOpenResult::DeviceUnavailable, 0};
    }
    port_->SetDtr(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(ScaledMs(DtrMs, pauseScalePercent)));
    port_->SetRts(true);
    return {};
}

void TSerialChannel::Close() {
    port_.reset();
    ClearReceived();
}

bool TSerialChannel::Write(const std::string& bytes) {
    return port_ && port_->WriteBytes(bytes);
}

int TSerialChannel::Receive(char* buf, int max, int timeoutMs) {
    if (!port_) return -1;
    if (!port_->WaitReadable(timeoutMs)) return port_->Broken() ? -1 : 0;
    const int n = port_->Read(buf, max);
    if (n > 0) return n;
    return port_->Broken() ? -1 : 0;
}

void TSerialChannel::DiscardInput() {
    if (port_) port_->PurgeInput();
}

void TSerialChannel::PurgeOutput() {
    if (port_) port_->PurgeOutput();
}

TChannelBreak TSerialChannel::Break() const {
    if (port_ && port_->Broken()) return {TChannelBreak::DeviceGone, 0};
    return {};
}

}  // namespace ravlin
