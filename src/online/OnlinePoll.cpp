#include "online/OnlinePoll.h"

#include <poll.h>

#include <algorithm>
#include <chrono>

#include "link/Link.h"
#include "online/Reception.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"

namespace ravlin {

bool SleepWatchingCancel(TUserInterface& ui, int ms) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (ui.CancelRequested()) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return true;
        ::poll(nullptr, 0, static_cast<int>(std::min<long long>(left, 20)));
    }
}

bool HasOnlineMode(const std::string& receiverName) {
    return receiverName != "KV1K" && receiverName != "KV1M" && receiverName != "KV8M" &&
           receiverName != "KV1W";
}

bool PrepareOnline(TRx& rx, TLink& link, const TTextTable& texts, TUserInterface& ui) {
    if (!HasOnlineMode(rx.Device.Name)) {
        ui.Error(TMessage::Lang(texts, Text::NoOnlineMode));
        return false;
    }
    if (!link.IsOpen() && !link.Open()) return false;
    return rx.VerifyPassword();
}

void LeaveOnline(TTransferWorker& transferWorker, TLink& link) {
    transferWorker.StopOnline();
    link.Close();
}

TReadResult ReadLastReception(TRx& rx, TLink& link, const TTextTable& texts, TUserInterface& ui,
                              std::string& block, TPollPauses* pauses, TPollReading reading) {
    const int reads = std::max(1, reading.reads);
    for (int attempt = 1; attempt <= reads; ++attempt) {
        if (!link.IsOpen() && !link.Open()) return TReadResult::LinkLost;
        if (attempt == 1 && reading.probeFirst && !link.Probe(TTransferWorker::kProbeReplyMs))
            return TReadResult::NoAnswer;
        std::string data;
        if (rx.ReadBlock('7', rx.Device.OnlineAddress, 16, data) && data.size() == 32) {
            block = data;
            return TReadResult::Read;
        }
        if (attempt == reads) break;
        if (pauses) pauses->Open(TMessage::Lang(texts, Text::WaitingForNextTry));
        for (int step = 1; step <= kPauseSteps; ++step) {
            const bool waited =
                pauses ? pauses->Pause(kPauseStepMs) : SleepWatchingCancel(ui, kPauseStepMs);
            if (!waited || ui.CancelRequested()) {
                if (pauses) pauses->Close();
                return TReadResult::Cancelled;
            }
            ui.Progress(step, kPauseSteps);
        }
        if (pauses) pauses->Close();
    }
    if (reading.reportStop) ui.Error(TMessage::Lang(texts, Text::OnlineStopped));
    return TReadResult::NoAnswer;
}

bool PollReception(TTransferWorker& transferWorker, TRx& rx, TLink& link, const TTextTable& texts,
                   TUserInterface& ui, TReception& out, TPollPauses* pauses, TPollReading reading,
                   std::string* block) {
    transferWorker.StopOnline();
    std::string read;
    if (ReadLastReception(rx, link, texts, ui, read, pauses, reading) != TReadResult::Read ||
        !DecodeReception(read, out)) {
        LeaveOnline(transferWorker, link);
        return false;
    }
    if (block) *block = read;
    return true;
}

bool ListenAgain(TTransferWorker& transferWorker) {
    return transferWorker.Start(TTransferWorker::TJob::Online);
}

}  // namespace ravlin
