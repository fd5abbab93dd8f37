#pragma once
// The bytes under the link: one open channel to a receiver (a serial port, a TCP
// connection to a serial-device server, a recorded exchange in tests). TLink chooses the
// channel once in Open() and keeps only the protocol; what differs between channels and
// the protocol has to know is the channel's TChannelPolicy, never its type.
//
// A channel shows nothing and knows no language texts: it reports why it could not open
// (TOpenResult) and why it broke (TChannelBreak); the link turns those into messages.
// Received bytes wait in the channel's queue, so that taking one costs no system call; a
// channel implements only Receive and DiscardInput on the input side.
// Not synchronised: the link calls it under its own lock.

#include <chrono>
#include <cstdint>
#include <string>

namespace ravlin {

// What the protocol does differently on a channel.
struct TChannelPolicy {
    // Longest wait for the next byte of an answer.
    int byteTimeoutMs = 500;
    // Attempts of one command exchange.
    int attempts = 8;
    // The receiver is woken by a handshake ('U' answered by 'U') before each attempt,
    // unless the settings ask for exchanges without it (DumpRead); then handshakeAttempts.
    bool handshake = false;
    int handshakeAttempts = 3;
    // The link sends its keep-alive while the channel is idle (a server that drops a
    // silent connection).
    bool keepAlive = false;
    // What Jam() sends after purging the output: wake-up bytes, then zeroes.
    std::string jam = "UUU00000000";
    // Fixed pauses after the channel has opened (the receiver wakes up) and after it has
    // closed (the other side releases it), before the next step.
    int pauseAfterOpenMs = 0;
    int pauseAfterCloseMs = 0;
};

// Outcome of TByteChannel::Open().
struct TOpenResult {
    enum Outcome {
        Opened,
        DeviceUnavailable,  // the device does not exist or someone else holds it
        CannotConnect       // the connection could not be made (error tells why when known)
    };
    Outcome outcome = Opened;
    int error = 0;  // errno of a connect that failed; 0 when not known or timed out
    bool Ok() const { return outcome == Opened; }
};

// Why an open channel stopped working (TByteChannel::Break()).
struct TChannelBreak {
    enum Cause {
        None,
        ClosedInOrder,    // the peer closed the connection without an error
        ConnectionError,  // error holds the errno (reset, time-out, ...)
        DeviceGone        // the device went away (unplugged adapter, closed pseudo-terminal)
    };
    Cause cause = None;
    int error = 0;
};

// The bytes a channel has received and the link has not yet taken.
class TReceiveQueue {  // original name: TBuff
  public:
    static constexpr int Size = 4096;
    void Clear();
    // First unread byte; only when Count() > 0.
    uint8_t Take() {
        const uint8_t b = data_[head_];
        head_ = (head_ + 1) % Size;
        --count_;
        return b;
    }
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

class TByteChannel {
  public:
    using Clock = std::chrono::steady_clock;
    enum class TRead { Byte, TimedOut, Broken };

    virtual ~TByteChannel() = default;

    const TChannelPolicy& Policy() const { return policy_; }
    // Opens the device or connection. Fixed waits of its own (line signals, the connect
    // limit) are scaled by pauseScalePercent (tests). A channel may be opened again after
    // Close(); received bytes not taken are dropped at both.
    virtual TOpenResult Open(int pauseScalePercent) = 0;
    // Releases the device or connection; safe when closed.
    virtual void Close() = 0;
    // Writes all bytes. False when they could not all be written; Break() then tells
    // whether the channel broke or only the write timed out.
    virtual bool Write(const std::string& bytes) = 0;
    // Drops bytes written but not yet sent.
    virtual void PurgeOutput() = 0;
    // Cause None while the channel works.
    virtual TChannelBreak Break() const = 0;
    bool Broken() const { return Break().cause != TChannelBreak::None; }

    // Takes one received byte, waiting (poll) until deadline but no longer than maxWaitMs
    // (the link looks at its cancel request in between); a deadline in the past never
    // waits. Bytes that arrived before the peer closed are delivered first.
    TRead ReadByte(uint8_t& b, Clock::time_point deadline, int maxWaitMs) {
        // A byte already received is taken without a look at the clock: the common case.
        if (received_.Count() == 0) {
            const TRead r = Refill(deadline, maxWaitMs);
            if (r != TRead::Byte) return r;
        }
        b = received_.Take();
        return TRead::Byte;
    }
    // Moves what has arrived into the channel's queue without waiting, so that a closed
    // connection is noticed while nobody reads. False when the channel is broken.
    bool Fetch();
    // Drops received bytes not yet taken, including those the device or the system still
    // holds.
    void PurgeInput();

  protected:
    // Reads what has arrived, up to max bytes, waiting (poll) up to timeoutMs for the
    // first one; 0 never waits. Returns the count, 0 on time-out, -1 when broken.
    virtual int Receive(char* buf, int max, int timeoutMs) = 0;
    // Drops what the device or the system holds for us.
    virtual void DiscardInput() = 0;
    void ClearReceived() { received_.Clear(); }

    TChannelPolicy policy_;

  private:
    TRead Refill(Clock::time_point deadline, int maxWaitMs);
    TReceiveQueue received_;
};

// ms * percent / 100, never negative: the fixed waits of channel and link in tests.
inline int ScaledMs(int ms, int percent) {
    const int scaled = ms * percent / 100;
    return scaled < 0 ? 0 : scaled;
}

// Whole milliseconds from now until deadline, rounded up, at most maxMs; 0 once it has
// passed.
inline int MsUntil(TByteChannel::Clock::time_point deadline, int maxMs) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - TByteChannel::Clock::now());
    if (left.count() <= 0) return 0;
    return left.count() > maxMs ? maxMs : static_cast<int>(left.count());
}

}  // namespace ravlin
