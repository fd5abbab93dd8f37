#include "online/Supervision.h"

#include <algorithm>

#include "link/Link.h"
#include "receiver/Rx.h"

namespace ravlin {

TBackoff::TBackoff(TReconnectTimes times) : times_(times), next_(times.firstMs) {
    times_.firstMs = std::max(1, times_.firstMs);
    times_.maxMs = std::max(times_.firstMs, times_.maxMs);
    next_ = times_.firstMs;
}

int TBackoff::Next() {
    const int wait = next_;
    next_ = next_ > times_.maxMs / 2 ? times_.maxMs : next_ * 2;
    return wait;
}

const char* LinkLossName(TLinkLoss loss) {
    switch (loss) {
        case TLinkLoss::Closed:
            return "closed";
        case TLinkLoss::SilentPeer:
            return "silent";
        case TLinkLoss::ReadFailed:
            return "read failed";
    }
    return "";
}

void TReceptionListeners::Add(TReceptionListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void TReceptionListeners::Remove(TReceptionListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void TReceptionListeners::Reception(const TReception& r) {
    for (TReceptionListener* l : listeners_) l->Reception(r);
}

void TReceptionListeners::LinkLost(TLinkLoss loss) {
    for (TReceptionListener* l : listeners_) l->LinkLost(loss);
}

void TReceptionListeners::LinkRestored(double seconds) {
    for (TReceptionListener* l : listeners_) l->LinkRestored(seconds);
}

bool Reconnect(TRx& rx, TLink& link, int replyMs) {
    const THeldLinkMessages held(link);
    link.Close();
    // The probe first: a receiver that does not answer costs one reply time, not the
    // retries of every read.
    bool back = link.Open() && link.Probe(replyMs);
    if (back) {
        std::string name, password;
        back = rx.ReadName(name) && rx.ReadPassword(password) && name == rx.Device.Name &&
               password == rx.Device.Password;
    }
    if (!back) link.Close();
    return back;
}

void TWaitingReception::Taken(const std::string& block) {
    announced_ = false;
    anyTaken_ = true;
    last_ = block;
}

bool TWaitingReception::Waits(const std::string& block) const {
    return announced_ || (anyTaken_ && block != last_);
}

}  // namespace ravlin
