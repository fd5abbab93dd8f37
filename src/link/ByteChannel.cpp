#include "link/ByteChannel.h"

#include <algorithm>

namespace ravlin {

void TReceiveQueue::Clear() {
    std::fill(std::begin(data_), std::end(data_), 0);
    head_ = 0;
    count_ = 0;
}

int TReceiveQueue::Fill(const char* data, int n) {
    int taken = std::min(n, Room());
    for (int i = 0; i < taken; ++i)
        data_[(head_ + count_ + i) % Size] = static_cast<uint8_t>(data[i]);
    count_ += taken;
    return taken;
}

TByteChannel::TRead TByteChannel::Refill(Clock::time_point deadline, int maxWaitMs) {
    char buf[TReceiveQueue::Size];
    const int n = Receive(buf, received_.Room(), MsUntil(deadline, maxWaitMs));
    if (n < 0) return TRead::Broken;
    if (n == 0) return TRead::TimedOut;
    received_.Fill(buf, n);
    return TRead::Byte;
}

bool TByteChannel::Fetch() {
    if (received_.Room() == 0) return !Broken();  // the rest waits where it is for now
    char buf[TReceiveQueue::Size];
    const int n = Receive(buf, received_.Room(), 0);
    if (n < 0) return false;
    received_.Fill(buf, n);
    return true;
}

void TByteChannel::PurgeInput() {
    received_.Clear();
    DiscardInput();
}

}  // namespace ravlin
