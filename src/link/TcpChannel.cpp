#include "link/TcpChannel.h"

#include <utility>

namespace ravlin {

TTcpChannel::TTcpChannel(std::string address, std::string port)
    : address_(std::move(address)), port_(std::move(port)) {
    policy_.byteTimeoutMs = ByteTimeoutMs;
    policy_.keepAlive = true;
    policy_.pauseAfterCloseMs = ClosePauseMs;
}

TOpenResult TTcpChannel::Open(int pauseScalePercent) {
    Close();
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
    ClearReceived();
    open_ = false;
}

bool TTcpChannel::Write(const std::string& bytes) {
    return open_ && client_.Send(bytes);
}

int TTcpChannel::Receive(char* buf, int max, int timeoutMs) {
    if (!open_) return -1;
    return client_.Receive(buf, max, timeoutMs);
}

void TTcpChannel::DiscardInput() {
    char buf[TReceiveQueue::Size];
    for (int i = 0; i < 16 && Receive(buf, TReceiveQueue::Size - 1, 0) > 0; ++i) {
    }
}

TChannelBreak TTcpChannel::Break() const {
    if (!open_ || client_.Connected()) return {};
    const int error = client_.ClosedError();
    if (error == 0) return {TChannelBreak::ClosedInOrder, 0};
    return {TChannelBreak::ConnectionError, error};
}

}  // namespace ravlin
