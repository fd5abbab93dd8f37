// monitor FILE.mon [--count N] [--sound]: monitor mode without windows. Logs in, listens
// on-line, and runs every reception through the monitor set-up; one line per change on
// stdout:
//   activate <number> <text>      deactivate <number> <text>
// Every change is appended to the alarm log of the home folder. With --sound an activation
// plays the message's sound (and an alarm left too long plays it again) through the outputs
// the settings choose. Stops after N receptions or on Ctrl+C, closing the link. A set-up
// file that cannot be read exits 1 with its message.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "TransferCli.h"
#include "base/CodePage.h"
#include "base/ProcessSoundPlayer.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"
#include "online/OnlinePoll.h"
#include "online/Reception.h"

namespace ravlin::cli {
namespace {

// After the last reception a sound still playing may end, up to this long.
constexpr auto kLastSoundWait = std::chrono::seconds(10);

int Monitor(TContext& ctx) {
    const auto& args = ctx.options.args;
    long count = 0;  // 0: until interrupted
    bool sound = false;
    std::string setupFile;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count" && i + 1 < args.size()) {
            char* end = nullptr;
            count = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || count <= 0) return UsageError("--count needs a positive number");
        } else if (args[i] == "--sound") {
            sound = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return UsageError("unexpected argument " + args[i]);
        } else if (setupFile.empty()) {
            setupFile = args[i];
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    if (setupFile.empty()) return UsageError("a monitor set-up file (*.mon) is needed");
    PrepareReceiverCommand(ctx);
    TCore& core = *ctx.core;

    // The set-up and the log are ready before the receiver is touched.
    TMonitor monitor(core.texts(), core.ui);
    if (!monitor.Load(setupFile)) return kFailed;
    core.folders.MakeWritable();
    TAlarmLog log(core.folders.HomeFile(kAlarmLogName));
    monitor.alarmLog = &log;
    std::unique_ptr<TProcessSoundPlayer> player;
    if (sound) {
        std::string why;
        player = MakeProcessSoundPlayer(core.folders.dataDir, core.settings.SoundCard,
                                        core.settings.SoundSpeaker,
                                        std::getenv(kPlayCommandVariable), why);
        if (player) {
            player->onProblem = [](const std::string& text) {
                std::fprintf(stderr, "ravlin-cli monitor: sound: %s\n", text.c_str());
            };
            monitor.sound = player.get();
        } else {
            std::fprintf(stderr, "ravlin-cli monitor: no sound output: %s\n", why.c_str());
        }
    }

    if (!core.receiver.session.Login()) return kFailed;
    TLink& link = core.receiver.link;
    if (!PrepareOnline(core.receiver.rx, link, core.texts(), core.ui)) {
        link.Close();
        return kFailed;
    }
    long received = 0;
    int status = kOk;
    while (count == 0 || received < count) {
        if (!core.receiver.transferWorker.Start(TTransferWorker::TJob::Online)) {
            status = kFailed;
            break;
        }
        bool interrupted = false;
        while (!core.receiver.transferWorker.WaitIdleFor(100)) {
            if (player) monitor.Escalate(TMonitorTime::Now());
            if (ctx.ui.CancelRequested()) {
                core.receiver.transferWorker.StopOnline();
                interrupted = true;
                break;
            }
        }
        if (interrupted || ctx.ui.CancelRequested()) break;
        if (!link.IsOpen()) {  // the connection was lost; the link has reported it
            status = kFailed;
            break;
        }
        std::string block;
        TReception reception;
        const TReadResult read =
            ReadLastReception(core.receiver.rx, link, core.texts(), core.ui, block);
        if (read == TReadResult::Cancelled) break;
        if (read != TReadResult::Read || !DecodeReception(block, reception)) {
            status = kFailed;
            break;
        }
        for (const TMonitorChange& c : monitor.OnReception(reception.serial, reception.button)) {
            const TMonitorData& m = monitor.Messages[static_cast<size_t>(c.message)];
            std::printf("%s %d %s\n", ActionName(c.action), m.Number, AnsiToUtf8(m.Text).c_str());
        }
        std::fflush(stdout);
        ++received;
    }
    core.receiver.transferWorker.StopOnline();
    link.Close();
    if (player) {
        // The last alarm's sound is heard out, unless the user interrupts; the player's
        // processes end with it.
        player->Drain();
        const auto deadline = std::chrono::steady_clock::now() + kLastSoundWait;
        while (!player->Idle() && !ctx.ui.CancelRequested() &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        monitor.sound = nullptr;
        player.reset();
    }
    return status;
}

}  // namespace
RAVLIN_CLI_COMMAND("monitor",
                   "FILE.mon [--count N] [--sound]   print the alarms receptions raise and "
                   "clear; --sound plays their sounds",
                   Monitor, {"--count", "N", "stop after N receptions"},
                   {"--sound", nullptr, "play the activated messages' sounds"});
}  // namespace ravlin::cli
