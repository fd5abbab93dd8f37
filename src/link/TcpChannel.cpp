#include "link/TcpChannel.h"

#include <algorithm>
#include <utility>

namespace ravlin {

// ---- TReceiveQueue -------------------------------------------------------------------------

void TReceiveQueue::Clear() {
    std::fill(std::begin(data_), std::end(data_), 0);
    head_ = 0;
    count_ = 0;
}

uint8_t TReceiveQueue::Take() {
    uint8_t b = data_[head_];
    head_ = (head_ + 1) % Size;
    --count_;
    return b;
}

int TReceiveQueue::Fill(const char* data, int n) {
    int taken = std::min(n, Room());
    for (int i = 0; i < taken; ++i)
        data_[(head_ + count_ + i) % Size] = static_cast<uint8_t>(data[i]);
    count_ += taken;
    return taken;
}

// ---- TTcpChannel ---------------------------------------------------------------------------

TTcpChannel::TTcpChannel(std::string address, std::string port)
    : address_(std::move(address)), port_(std::move(port)) {
    policy_.byteTimeoutMs = ByteTimeoutMs;
    policy_.keepAlive = true;
    policy_.pauseAfterCloseMs = ClosePauseMs;
}

TOpenResult TTcpChannel::Open(int pauseScalePercent) {
    Close();
    queue_.Clear();
    int error = 0;
    if (!client_.StartConnect(address_, port_, error)) return {TOpenResult::CannotConnect, 0};
    if (!client_.WaitConnected(ScaledMs(ConnectTimeoutMs, pauseScalePercent), error)) {
        // A connect that failed outright ends the wait at once instead of idling out the
        // ten seconds; error is 0 after the time-out.
        client_.Close();
        return {TOpenResult::CannotConnect, error};
    }
    open_ = true;
    return {};
}

void TTcpChannel::Close() {
    client_.Close();
    queue_.Clear();
    open_ = false;
}

bool TTcpChannel::Write(const std::string& bytes) {
    return open_ && client_.Send(bytes);
}

bool TTcpChannel::FillQueue(int timeoutMs) {
    if (!open_) return false;
    if (queue_.Room() == 0) return client_.Connected();  // the rest stays in the client for now
    char buf[TReceiveQueue::Size];
    const int n = client_.Receive(buf, queue_.Room(), timeoutMs);
    if (n < 0) return false;
    queue_.Fill(buf, n);
    return true;
}

TByteChannel::TRead TTcpChannel::ReadByte(uint8_t& b, Clock::time_point deadline) {
    if (queue_.Count() == 0 && !FillQueue(MsUntil(deadline))) return TRead::Broken;
    if (queue_.Count() == 0) return TRead::TimedOut;
    b = queue_.Take();
    return TRead::Byte;
}

bool TTcpChannel::Fetch() {
    return FillQueue(0);
}

void TTcpChannel::PurgeInput() {
    queue_.Clear();
    for (int i = 0; i < 16 && FillQueue(0) && queue_.Count() > 0; ++i) queue_.Clear();
}

TChannelBreak TTcpChannel::Break() const {
    if (!open_ || client_.Connected()) return {};
    const int error = client_.ClosedError();
    if (error == 0) return {TChannelBreak::ClosedInOrder, 0};
    return {TChannelBreak::ConnectionError, error};
}

}  // namespace ravlin
