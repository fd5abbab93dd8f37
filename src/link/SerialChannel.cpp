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
}

bool TSerialChannel::Write(const std::string& bytes) {
    return port_ && port_->WriteBytes(bytes);
}

TByteChannel::TRead TSerialChannel::ReadByte(uint8_t& b, Clock::time_point deadline) {
    if (!port_) return TRead::Broken;
    if (port_->WaitReadable(MsUntil(deadline)) && port_->ReadByte(b)) return TRead::Byte;
    return port_->Broken() ? TRead::Broken : TRead::TimedOut;
}

bool TSerialChannel::Fetch() {
    // The driver keeps the bytes; a poll notices a device that hung up.
    if (!port_) return false;
    port_->WaitReadable(0);
    return !port_->Broken();
}

void TSerialChannel::PurgeInput() {
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
