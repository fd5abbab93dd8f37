#pragma once
// The reception loop of a program without windows (ravlin-cli listen and monitor): on-line
// mode entered for the logged-in receiver, then listening, each reception read and handed
// to the listener, until a count is reached, the user stops it, or the link is lost. With
// reconnection a lost link is reported and the receiver got back (online/Supervision.h),
// and a reception that waited through the outage is read.
//
// Runs on the calling thread; the listener is called there. The user interface's cancel
// request (Ctrl+C) stops the loop within about 100 ms.

#include "base/UserInterface.h"
#include "online/Supervision.h"

namespace ravlin {

class TLink;
class TRx;
class TTransferWorker;

struct TReceptionLoopOptions {
    long count = 0;          // receptions to read; 0: no limit
    bool reconnect = false;  // a lost link is got back instead of ending the loop
    TReconnectTimes times;
};

enum class TLoopEnd {
    CountReached,
    Stopped,   // the user's cancel request
    LinkLost,  // without reconnection
    Failed,    // on-line mode could not be entered (reported)
};

// What the loop's caller does besides the receptions while it waits: about every 100 ms,
// during listening and between reconnection tries.
class TLoopWaiting {
  public:
    virtual ~TLoopWaiting() = default;
    virtual void Waiting() = 0;
};

class TReceptionLoop {
  public:
    TReceptionLoop(TRx& rx, TLink& link, TTransferWorker& transferWorker, const TTextTable& texts,
                   TUserInterface& ui);

    // The receiver must be logged in. Leaves the worker idle and the link closed.
    TLoopEnd Run(const TReceptionLoopOptions& options, TReceptionListener& listener,
                 TLoopWaiting* waiting = nullptr);

  private:
    enum class TWait { Done, Stopped };
    // Listens until the worker is idle; Stopped on the cancel request.
    TWait Listen(TLoopWaiting* waiting);
    // Waits `ms`; Stopped on the cancel request.
    TWait Pause(int ms, TLoopWaiting* waiting);
    bool Stopping() { return ui_.CancelRequested(); }

    TRx& rx_;
    TLink& link_;
    TTransferWorker& worker_;
    const TTextTable& texts_;
    TUserInterface& ui_;
};

}  // namespace ravlin
