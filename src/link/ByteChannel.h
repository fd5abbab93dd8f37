#pragma once
// The bytes under the link: one open channel to a receiver (a serial port, a TCP
// connection to a serial-device server, a recorded exchange in tests). TLink chooses the
// channel once in Open() and keeps only the protocol; what differs between channels and
// the protocol has to know is the channel's TChannelPolicy, never its type.
//
// A channel shows nothing and knows no language texts: it reports why it could not open
// (TOpenResult) and why it broke (TChannelBreak); the link turns those into messages.
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

class TByteChannel {
  public:
    using Clock = std::chrono::steady_clock;
    enum class TRead { Byte, TimedOut, Broken };

    virtual ~TByteChannel() = default;

    virtual const TChannelPolicy& Policy() const = 0;
    // Opens the device or connection. Fixed waits of its own (line signals, the connect
    // limit) are scaled by pauseScalePercent (tests). A channel may be opened again after
    // Close().
    virtual TOpenResult Open(int pauseScalePercent) = 0;
    // Releases the device or connection; safe when closed.
    virtual void Close() = 0;
    // Writes all bytes. False when they could not all be written; Break() then tells
    // whether the channel broke or only the write timed out.
    virtual bool Write(const std::string& bytes) = 0;
    // Takes one received byte, waiting (poll) until deadline at most; a deadline in the
    // past never waits. Bytes that arrived before the peer closed are delivered first.
    virtual TRead ReadByte(uint8_t& b, Clock::time_point deadline) = 0;
    // Moves what has arrived into the channel's own buffer without waiting, so that a
    // closed connection is noticed while nobody reads. False when the channel is broken.
    virtual bool Fetch() = 0;
    // Drops received bytes not yet taken, and bytes written but not yet sent.
    virtual void PurgeInput() = 0;
    virtual void PurgeOutput() = 0;
    // Cause None while the channel works.
    virtual TChannelBreak Break() const = 0;
    bool Broken() const { return Break().cause != TChannelBreak::None; }
};

// ms * percent / 100, never negative: the fixed waits of channel and link in tests.
inline int ScaledMs(int ms, int percent) {
    const int scaled = ms * percent / 100;
    return scaled < 0 ? 0 : scaled;
}

// Whole milliseconds from now until deadline, rounded up; 0 once it has passed.
inline int MsUntil(TByteChannel::Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline -
                                                                   TByteChannel::Clock::now());
    if (left.count() <= 0) return 0;
    return left.count() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left.count());
}

}  // namespace ravlin
