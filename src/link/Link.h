#pragma once
// The link to one receiver: opens a serial port or a TCP connection to a serial-device
// server, wakes the receiver, sends one command frame at a time with its checksum,
// checks the echo and the status character, retries, and collects reply lines.
// The bytes travel over a TByteChannel chosen once in Open(); the link holds only the
// protocol, and what differs per channel comes from the channel's policy.
//
// Synchronous: every wait for a byte is a poll() with the remaining time-out. Used by one
// thread at a time (the caller's thread or the transfer worker). While a TCP connection
// (a channel whose policy asks for the keep-alive) is open, a keep-alive thread of its own
// sends the "S" every KeepAliveMs whenever no operation runs, so that the connection stays
// up while a window holds it open (the login, password or upload question windows),
// whichever thread waits; an operation and the keep-alive never overlap (one mutex).
// Messages go to the TUserInterface given to the constructor:
//   Text::CannotOpenPort    the serial port cannot be opened
//   Text::NoConnection      an exchange was asked for without an open port or connection
//   "Can't connect", "Can't connect, error #N", "Disconnected, error #N"  (TCP, N = errno)
// A failed exchange shows nothing: the caller reports (TRx, the worker).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/UserInterface.h"
#include "link/ByteChannel.h"
#include "link/ConnectionSettings.h"

namespace ravlin {

class TLink {  // original name: TKomunikace
  public:
    // Outcome of the last attempt of an exchange (LastError()).
    enum {
        ErrNone = 0,
        ErrNoAnswer = 1,
        ErrIncomplete = 2,
        ErrEcho = 3,
        ErrRejected = 4,
        ErrReception = 5
    };
    static constexpr int ComByteTimeoutMs = 500;
    static constexpr int TcpByteTimeoutMs = 3000;
    static constexpr int KeepAliveMs = 6000;
    static constexpr int ConnectTimeoutMs = 10000;

    TLink(const TTextTable& texts, TUserInterface& ui);
    ~TLink();
    TLink(const TLink&) = delete;
    TLink& operator=(const TLink&) = delete;

    TConnectionSettings Settings;

    // "COM 3:9600" or "IP 192.168.1.1:10001", as last built by UpdateConnectionText() or Open().
    std::string ConnectionText() const { return connectionText_; }
    // Rebuilds the connection text from Settings (after the settings file was read).
    void UpdateConnectionText();  // original name: NastavIni

    // Opens the connection of Settings.ConnectionType. False without effect when already
    // open; false after a message when opening fails. COM: DTR low, 10 ms, RTS high,
    // 1000 ms settle. TCP: connect within 10 s.
    bool Open();  // original name: Otevri
    // Closes whatever is open; safe when closed. TCP: waits 100 ms after closing.
    void Close();  // original name: Zavri
    // True between a successful Open() and Close(). A lost TCP connection ("Disconnected,
    // error #N" unless the peer closed in order) or a serial device that went away (unplugged
    // adapter, closed pseudo-terminal; no message) is noticed by the next wait (an exchange,
    // ReceiveData, TakeEcho, WaitByte, KeepAlive) and closes the link: the running exchange ends
    // false at once, later ones show Text::NoConnection. Check IsOpen() before retrying.
    bool IsOpen() const { return open_.load(); }
    // The last TCP connection was closed by the receiver's side in order (no error), as
    // opposed to an error, a lost serial device or our own close.
    bool ClosedInOrder() const { return closedInOrder_.load(); }

    // One command exchange with retries. `frame` is ":" + hex pairs without checksum.
    // True when the receiver echoed the frame and did not reject it. COM: 3 attempts with
    // handshake, or 8 without (Settings.DumpRead); TCP: 8 attempts.
    bool SendCommand(const std::string& frame);  // original name: PosliPrikaz
    // Collects exactly `count` received bytes, each within the byte time-out.
    // False and an empty text on a time-out.
    bool ReceiveData(int count, std::string& text);  // original name: PrijemDat
    // Takes one received byte if one is waiting; never waits.
    bool TakeEcho(uint8_t& b);  // original name: JeEcho
    // Waits up to timeoutMs for one received byte (on-line listening), sending the TCP
    // keep-alive when due. False on time-out, or when the link is not open or was lost
    // (IsOpen() then tells which).
    bool WaitByte(uint8_t& b, int timeoutMs);
    // Purges the output, then sends the channel's wake-up bytes: three 'U', eight '0'.
    void Jam();
    // The receiver answers the wake-up byte 'U' with 'U' at any time, also while it waits
    // to report a reception: the way to learn that a quiet line still has a receiver at
    // its end. SendProbe sends one 'U' and returns (the listener sees the answer among
    // the bytes it waits for); false when it could not be sent. Probe drops what has
    // arrived, sends 'U' and waits up to replyMs for the 'U' back; false without it.
    bool SendProbe();
    bool Probe(int replyMs);
    // While held, the link's own messages ("Can't connect", "Disconnected, error #N", ...)
    // are kept back instead of shown: a supervisor that reports a lost link in its own way
    // (on-line listening, a reconnection trying every few seconds) does not stack up
    // message boxes. Holds count: each HoldMessages(true) is ended by one
    // HoldMessages(false), from whichever thread. TakeHeldMessage gives the last one kept
    // back, once. Any thread.
    void HoldMessages(bool hold);
    bool MessagesHeld() const { return holds_.load() > 0; }
    std::optional<TMessage> TakeHeldMessage();
    int LastError() const { return lastError_; }
    // TCP: sends "S" when KeepAliveMs have passed since the keep-alive was last (re)started.
    // Closes the link when the send fails or the connection was lost. Nothing on COM.
    void KeepAlive();

    // Two uppercase hex digits: the Intel HEX checksum of the digit pairs after ':'.
    static std::string Checksum(const std::string& frame);
    // frame + checksum, plus CR LF for the read types (9th character '1', '7' or '9').
    static std::string CompleteFrame(const std::string& frame);
    static bool IsReadFrame(const std::string& frame);

    // The next Open() opens `channel` instead of the one Settings choose, and so does every
    // later one until UseChannel(nullptr): a recorded exchange in tests, another transport.
    // False without effect while open.
    bool UseChannel(std::unique_ptr<TByteChannel> channel);
    // Test hooks: byteTimeoutMs > 0 replaces the channel's byte time-out; the fixed waits (DTR,
    // settle, connect, retry pause, close pause) and the keep-alive interval are scaled by
    // pauseScalePercent. Defaults: 0 (the real time-outs), 100.
    void SetTimingForTests(int byteTimeoutMs, int pauseScalePercent);
    // Cancel request checked between attempts, handshake tries and at least every 100 ms
    // of every wait for a byte; an exchange that sees it set returns false at once.
    // nullptr for none.
    void SetCancelFlag(const std::atomic<bool>* flag) { cancel_.store(flag); }
    // The same for a request that outlives single jobs (the command line's Ctrl+C): every
    // wait ends within 100 ms once it is set. nullptr for none.
    void SetInterruptFlag(const std::atomic<bool>* flag) { interrupt_.store(flag); }
    // Keep-alive bytes sent since the link was built (tests).
    long KeepAlivesSent() const { return keepAlivesSent_.load(); }

  private:
    using Clock = std::chrono::steady_clock;
    // The channel Settings.ConnectionType asks for.
    std::unique_ptr<TByteChannel> ChannelFromSettings() const;
    void ReportOpenFailure(const TOpenResult& result);
    // A message of the link's own: shown, or kept back while held.
    void Report(const TMessage& message);
    int ByteTimeout() const;
    int Scaled(int ms) const;
    bool Cancelled() const;
    void CloseLocked();
    void KeepAliveLocked();
    void StartKeepAliveThread();
    void StopKeepAliveThread();
    void KeepAliveLoop();
    // Waits for one byte until `deadline`. False on time-out or when the channel broke
    // (the link is then closed).
    bool ReadByteUntil(uint8_t& b, Clock::time_point deadline);
    bool ReadByteWithin(uint8_t& b, int timeoutMs);
    // A fixed pause; a cancel request ends it early.
    void Pause(int ms);
    void RestartKeepAlive();
    // A channel that broke while nobody used it (the keep-alive thread found it so) closes
    // the link here; true then.
    bool NoticeBreak();
    void ConnectionLost();
    // The channel's operations for the protocol: nothing while closed, and a channel that
    // breaks on the way closes the link. Write is false when not all bytes left.
    bool Write(const std::string& bytes);
    void PurgeInput();
    void PurgeOutput();
    void PurgeAll();

    bool Handshake();
    // Steps A-E of an attempt; sets lastError_.
    void CollectAndCheck(const std::string& echo, size_t expectedLength, bool dropUR);
    bool AttemptHandshake(const std::string& completed, const std::string& withoutLineEnd);
    bool AttemptWithoutHandshake(const std::string& completed, int attempt);

    const TTextTable& texts_;
    TUserInterface& ui_;
    std::string connectionText_;
    // Held by every operation and by the keep-alive thread while it sends.
    mutable std::recursive_mutex io_;
    std::atomic<bool> open_{false};
    std::atomic<bool> closedInOrder_{false};
    std::atomic<long> keepAlivesSent_{0};
    std::thread keepAliveThread_;
    std::mutex keepAliveMutex_;
    std::condition_variable keepAliveWake_;
    bool keepAliveStop_ = false;  // keepAliveMutex_
    // Set while open; also while closed when given by UseChannel().
    std::unique_ptr<TByteChannel> channel_;
    bool channelGiven_ = false;
    bool keepAliveRunning_ = false;
    Clock::time_point keepAliveDue_{};
    int lastError_ = 0;
    int testByteTimeoutMs_ = 0;
    int pauseScalePercent_ = 100;
    std::atomic<const std::atomic<bool>*> cancel_{nullptr};
    std::atomic<const std::atomic<bool>*> interrupt_{nullptr};
    std::atomic<int> holds_{0};
    std::mutex heldMutex_;
    std::optional<TMessage> held_;  // heldMutex_
};

// Holds the link's messages for a scope (TLink::HoldMessages).
class THeldLinkMessages {
  public:
    explicit THeldLinkMessages(TLink& link) : link_(link) { link_.HoldMessages(true); }
    ~THeldLinkMessages() { link_.HoldMessages(false); }
    THeldLinkMessages(const THeldLinkMessages&) = delete;
    THeldLinkMessages& operator=(const THeldLinkMessages&) = delete;

  private:
    TLink& link_;
};

}  // namespace ravlin
