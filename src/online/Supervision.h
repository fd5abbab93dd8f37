#pragma once
// Watching a listening receiver never stops: a lost link (the connection closed or broken,
// a receiver that stopped answering, a poll that could not read) is news to report, and
// the receiver is got back by itself, with waits that double up to a limit. This is the
// part the desktop program's on-line mode and the command line's reception loop share:
// the waits, one try to get the receiver back, whether a reception waits after an outage,
// and the interface through which receptions and the link's state reach whoever follows
// them (the command line's output, monitoring, a broker bridge).
//
// Threads: every call blocks on the link (a try up to the connect limit and the probe's
// reply time) and runs where the caller runs its receiver commands, with the transfer
// worker idle. TReceptionListener is called on the thread that reads the receptions.

#include <string>
#include <vector>

#include "online/Reception.h"

namespace ravlin {

class TLink;
class TRx;

// The waits before the tries to get a lost receiver back (settings ReconnectFirst and
// ReconnectMax, in seconds there).
struct TReconnectTimes {
    int firstMs = 1000;
    int maxMs = 30000;
    static TReconnectTimes Seconds(int first, int max) { return {first * 1000, max * 1000}; }
};

// 1 s, 2 s, 4 s ... up to the limit, then the limit again and again.
class TBackoff {
  public:
    explicit TBackoff(TReconnectTimes times = {});
    // The wait before the next try.
    int Next();
    void Reset() { next_ = times_.firstMs; }

  private:
    TReconnectTimes times_;
    int next_;
};

// How the link was lost.
enum class TLinkLoss {
    Closed,      // the connection was closed or broke, or the device went away
    SilentPeer,  // the receiver stopped answering without closing
    ReadFailed,  // a reception was announced and could not be read
};
// "closed", "silent", "read failed".
const char* LinkLossName(TLinkLoss loss);

// What follows a listening receiver. The defaults do nothing.
class TReceptionListener {
  public:
    virtual ~TReceptionListener() = default;
    // A reception read (also one that waited through an outage), "0000000" included.
    virtual void Reception(const TReception&) {}
    virtual void LinkLost(TLinkLoss) {}
    // The receiver is back, listening again, after an outage of `seconds`.
    virtual void LinkRestored(double seconds) { (void)seconds; }
};

// Passes everything on to the listeners added, in the order added.
class TReceptionListeners : public TReceptionListener {
  public:
    void Add(TReceptionListener* listener);
    void Remove(TReceptionListener* listener);
    void Reception(const TReception& r) override;
    void LinkLost(TLinkLoss loss) override;
    void LinkRestored(double seconds) override;

  private:
    std::vector<TReceptionListener*> listeners_;
};

// One try to get the logged-in receiver back after a lost link: the connection opened,
// the receiver answering the wake-up byte within `replyMs`, its name and password still
// those of the login (the login again, with the password it used). Shows nothing: the
// link's messages are held meanwhile. False leaves the link closed; true leaves it open,
// ready for listening.
bool Reconnect(TRx& rx, TLink& link, int replyMs);

// Whether the receiver holds a reception not yet taken once the link is back: one was
// announced ('R') and not read, or its last-reception block differs from the last one read.
class TWaitingReception {
  public:
    void Announced() { announced_ = true; }
    // `block` was read and its reception taken.
    void Taken(const std::string& block);
    bool Waits(const std::string& block) const;

  private:
    bool announced_ = false;
    bool anyTaken_ = false;
    std::string last_;
};

}  // namespace ravlin
