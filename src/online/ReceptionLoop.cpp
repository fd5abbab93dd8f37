#include "online/ReceptionLoop.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "link/Link.h"
#include "online/OnlinePoll.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"

namespace ravlin {

namespace {

constexpr int kSliceMs = 100;

using Clock = std::chrono::steady_clock;

}  // namespace

TReceptionLoop::TReceptionLoop(TRx& rx, TLink& link, TTransferWorker& transferWorker,
                               const TTextTable& texts, TUserInterface& ui)
    : rx_(rx), link_(link), worker_(transferWorker), texts_(texts), ui_(ui) {}

TReceptionLoop::TWait TReceptionLoop::Listen(TLoopWaiting* waiting) {
    while (!worker_.WaitIdleFor(kSliceMs)) {
        if (waiting) waiting->Waiting();
        if (Stopping()) {
            worker_.StopOnline();
            return TWait::Stopped;
        }
    }
    return Stopping() ? TWait::Stopped : TWait::Done;
}

TReceptionLoop::TWait TReceptionLoop::Pause(int ms, TLoopWaiting* waiting) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (Stopping()) return TWait::Stopped;
        const auto left = end - Clock::now();
        if (left <= Clock::duration::zero()) return TWait::Done;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(left, std::chrono::milliseconds(kSliceMs)));
        if (waiting) waiting->Waiting();
    }
}

TLoopEnd TReceptionLoop::Run(const TReceptionLoopOptions& options, TReceptionListener& listener,
                             TLoopWaiting* waiting) {
    struct TEnd {
        TTransferWorker& worker;
        TLink& link;
        ~TEnd() {
            worker.StopOnline();
            link.Close();
        }
    } closeAtEnd{worker_, link_};
    if (!PrepareOnline(rx_, link_, texts_, ui_)) return TLoopEnd::Failed;
    // With reconnection a failed read is a lost link like any other, got back by the
    // reconnection's tries; without, the poll's own reads and pauses stand.
    const TPollReading reading = options.reconnect ? kSupervisedReading : TPollReading{};
    TWaitingReception waitingReception;
    long received = 0;
    auto take = [&](const std::string& block) {
        TReception r;
        if (!DecodeReception(block, r)) return false;
        waitingReception.Taken(block);
        listener.Reception(r);
        ++received;
        return true;
    };

    for (;;) {
        if (options.count > 0 && received >= options.count) return TLoopEnd::CountReached;
        if (!worker_.Start(TTransferWorker::TJob::Online)) return TLoopEnd::Failed;
        if (Listen(waiting) == TWait::Stopped) return TLoopEnd::Stopped;

        std::optional<TLinkLoss> loss;
        switch (worker_.ListenEnd()) {
            case TTransferWorker::TListenEnd::Reception: {
                waitingReception.Announced();
                // Under reconnection the link's troubles are reported as a lost link.
                std::optional<THeldLinkMessages> held;
                if (options.reconnect) held.emplace(link_);
                std::string block;
                const TReadResult read =
                    ReadLastReception(rx_, link_, texts_, ui_, block, nullptr, reading);
                if (read == TReadResult::Cancelled || Stopping()) return TLoopEnd::Stopped;
                if (read != TReadResult::Read || !take(block)) loss = TLinkLoss::ReadFailed;
                break;
            }
            case TTransferWorker::TListenEnd::SilentPeer:
                loss = TLinkLoss::SilentPeer;
                break;
            default:
                loss = TLinkLoss::Closed;
                break;
        }
        if (!loss) continue;

        link_.Close();
        listener.LinkLost(*loss);
        if (!options.reconnect) return TLoopEnd::LinkLost;
        const auto lostAt = Clock::now();
        TBackoff backoff(options.times);
        for (;;) {
            if (Pause(backoff.Next(), waiting) == TWait::Stopped) return TLoopEnd::Stopped;
            if (Reconnect(rx_, link_, TTransferWorker::kProbeReplyMs)) break;
        }
        link_.TakeHeldMessage();  // the tries' failures: the outage says it all
        listener.LinkRestored(std::chrono::duration<double>(Clock::now() - lostAt).count());
        // A read that fails here leaves the link closed: the listening that follows finds
        // it lost at once.
        const THeldLinkMessages held(link_);
        std::string block;
        if (ReadLastReception(rx_, link_, texts_, ui_, block, nullptr, kSupervisedReading) ==
                TReadResult::Read &&
            waitingReception.Waits(block))
            take(block);
    }
}

}  // namespace ravlin
