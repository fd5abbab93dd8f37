#pragma once
// The receiver side of on-line mode: whether a receiver type has it, entering it, leaving
// it, and the poll's read of the last-reception block with its retries.
//
// Threads: these calls block on the link (the read up to seven times with 30 s pauses);
// the desktop program runs them where it runs its other receiver commands, with the
// worker (TTransferWorker) idle, while its window thread shows the progress window. Messages,
// progress and the cancel request go through TUserInterface.

#include <string>

#include "base/UserInterface.h"

namespace ravlin {

class TTransferWorker;
class TLink;
class TRx;

// The receiver types "KV1K", "KV1M", "KV8M" and "KV1W" never report a reception.
bool HasOnlineMode(const std::string& receiverName);

// The checks of entering on-line mode for the logged-in receiver: a type without on-line
// mode (Text::NoOnlineMode), the link opened, name and password still those of the login
// (VerifyPassword, with its own messages). True when the worker may start listening.
bool PrepareOnline(TRx& rx, TLink& link, const TTextTable& texts, TUserInterface& ui);

// Ends on-line mode: listening stops (the worker idle) and the link is closed.
void LeaveOnline(TTransferWorker& transferWorker, TLink& link);

enum class TReadResult {
    Read,       // the block was read
    LinkLost,   // the link is closed and cannot be opened again
    Cancelled,  // the user cancelled a pause: on-line mode ends
    NoAnswer,   // every read failed (Text::OnlineStopped shown when the reading says so)
};

// The pauses between failed reads: a progress window with Text::WaitingForNextTry whose bar
// runs 1..100 over 100 steps of 300 ms (30 s). Called on the thread that polls (a command worker in
// the desktop program, which hands the window's part to the window thread).
class TPollPauses {
  public:
    virtual ~TPollPauses() = default;
    // The pause window opens with `label`, and closes.
    virtual void Open(const TMessage& label) = 0;
    virtual void Close() = 0;
    // Waits one step of `ms`; false when the user cancelled.
    virtual bool Pause(int ms) = 0;
};

// One pause step without a window of its own: sleeps `ms`, watching
// TUserInterface::CancelRequested; false when cancelled.
bool SleepWatchingCancel(TUserInterface& ui, int ms);

inline constexpr int kPollReads = 7;
inline constexpr int kPauseSteps = 100;
inline constexpr int kPauseStepMs = 300;

// How a poll reads: seven reads with the pauses between them and Text::OnlineStopped
// after the last; or, where a lost link does not end on-line mode but is got back by the
// reconnection (online/Supervision.h), one read that says nothing when it fails, after
// the probe (TLink::Probe): a receiver gone silent is then lost within the probe's reply
// time, not after the retries of the read.
struct TPollReading {
    int reads = kPollReads;
    bool reportStop = true;
    bool probeFirst = false;
};
inline constexpr TPollReading kSupervisedReading{1, false, true};

// Reads the 16-byte last-reception block at the receiver's on-line address (read type 7)
// into `block` (32 hex digits): at most seven reads, the link reopened before each when
// it was lost, the 30 s pause after each of the first six failures (without `pauses`:
// no window, SleepWatchingCancel). The worker must be idle.
TReadResult ReadLastReception(TRx& rx, TLink& link, const TTextTable& texts, TUserInterface& ui,
                              std::string& block, TPollPauses* pauses = nullptr,
                              TPollReading reading = {});

struct TReception;

// The poll after the receiver's "R": the worker stopped, the block read (with the pauses
// above) and decoded. Any failure stops listening, closes the link (LeaveOnline) and
// returns false; the caller then ends on-line mode or gets the receiver back. On success the caller
// shows and logs the reception, matches the views and beeps, then calls ListenAgain. `block` (when
// given) receives the block read.
bool PollReception(TTransferWorker& transferWorker, TRx& rx, TLink& link, const TTextTable& texts,
                   TUserInterface& ui, TReception& out, TPollPauses* pauses = nullptr,
                   TPollReading reading = {}, std::string* block = nullptr);
// The worker listens for the next "R". False when it could not be started.
bool ListenAgain(TTransferWorker& transferWorker);

}  // namespace ravlin
