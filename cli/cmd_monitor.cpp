// monitor FILE.mon [--count N] [--reconnect] [--sound] [levels]: monitor mode without
// windows. Logs in, listens on-line, and runs every reception through the monitor set-up;
// one line per change on stdout:
//   activate <number> <text>      deactivate <number> <text>
// Every change is appended to the alarm log of the home folder, and every reception to
// History.dat, LowBatt.dat and LastHeard.dat by the logging levels, as the desktop
// program's monitor mode does (--history-level N, --battery-level N, --data FILE.rvl as for
// listen). With --sound an activation plays the message's sound (and an alarm left too long
// plays it again) through the outputs the settings choose. Stops after N receptions, on
// Ctrl+C or SIGTERM, or when the link is lost (exit status 1); the alarms still active then
// end, logged as ended by the end of the run. With --reconnect a lost link is a trouble
// ("trouble link-lost", "trouble link-restored SECONDS", logged too) while the receiver is
// got back. A set-up file that cannot be read exits 1 with its message. With --mqtt URL
// every change, reception and trouble also goes to the broker, and deactivations sent by
// other consoles on this receiver's command topics are applied as the Deactivate button
// would (see the manual page).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "BrokerCli.h"
#include "ReceptionCli.h"
#include "base/ProcessSoundPlayer.h"
#include "bridge/Bridge.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"

namespace ravlin::cli {
namespace {

// After the last reception a sound still playing may end, up to this long.
constexpr auto kLastSoundWait = std::chrono::seconds(10);

void PrintChanges(const TMonitor& monitor, const std::vector<TMonitorChange>& changes) {
    for (const TMonitorChange& c : changes) {
        const TMonitorData& m = monitor.Messages[static_cast<size_t>(c.message)];
        std::printf("%s %d %s\n", ActionName(c.action), m.Number, AnsiToUtf8(m.Text).c_str());
    }
    std::fflush(stdout);
}

// The receptions through the set-up, the logs and the trouble of a lost link; an alarm
// left too long sounds again while the loop waits.
class TMonitorRun : public TReceptionListener, public TLoopWaiting {
  public:
    TMonitorRun(TMonitor& monitor, TReceptionLogs& logs, bool reconnect, bool escalate,
                TBridge* bridge)
        : monitor_(monitor),
          logs_(logs),
          reconnect_(reconnect),
          escalate_(escalate),
          bridge_(bridge) {}
    void Reception(const TReception& r) override {
        PrintChanges(monitor_, monitor_.OnReception(r.serial, r.button));
        if (!logs_.Log(r)) failed = true;
    }
    void LinkLost(TLinkLoss) override {
        monitor_.LinkLost(TMonitorTime::Now());
        if (reconnect_) PrintLinkLost();
    }
    void LinkRestored(double seconds) override {
        monitor_.LinkRestored(TMonitorTime::Now(), seconds);
        PrintLinkRestored(seconds);
    }
    void Waiting() override {
        if (escalate_) monitor_.Escalate(TMonitorTime::Now());
        if (bridge_)
            PrintChanges(monitor_, ApplyNetworkCommands(*bridge_, monitor_, TMonitorTime::Now()));
    }
    bool failed = false;  // a log could not be written (reported)

  private:
    TMonitor& monitor_;
    TReceptionLogs& logs_;
    bool reconnect_;
    bool escalate_;
    TBridge* bridge_;
};

int Monitor(TContext& ctx) {
    const auto& args = ctx.options.args;
    TReceptionOptions o;
    TBrokerOptions b;
    bool sound = false;
    std::string setupFile;
    for (size_t i = 0; i < args.size(); ++i) {
        int taken = ParseBrokerOption(args, i, b);
        if (taken == kUsage) return kUsage;
        if (taken == 1) continue;
        taken = ParseReceptionOption(args, i, o);
        if (taken == kUsage) return kUsage;
        if (taken == 1) continue;
        if (args[i] == "--sound") {
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
    if (!PrepareReceiverCommand(ctx)) return kFailed;
    TCore& core = *ctx.core;

    // The set-up and the logs are ready before the receiver is touched.
    TMonitor monitor(core.texts(), core.ui);
    if (!monitor.Load(setupFile)) return kFailed;
    TReceptionLogs logs;
    if (!logs.Prepare(core, o)) return kFailed;
    TAlarmLog log(core.folders.HomeFile(kAlarmLogName), uint64_t(core.settings.AlarmLogMegabytes)
                                                            << 20);
    monitor.alarmLog = &log;
    monitor.troubleSound = core.settings.TroubleSound;
    monitor.troubleSoundFile = core.settings.TroubleSoundFile;
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

    std::unique_ptr<TBridge> bridge;
    if (!StartBridge(core, b, "monitor", logs, true, bridge)) return kFailed;
    if (bridge) {
        monitor.operatorName = core.settings.Operator;
        monitor.listeners.push_back(bridge.get());
        PublishMonitor(*bridge, monitor);
    }

    if (!core.receiver.session.Login()) return kFailed;
    logs.LoggedIn();
    TMonitorRun run(monitor, logs, o.reconnect, player != nullptr, bridge.get());
    core.receptionListeners.Add(&run);
    if (bridge) core.receptionListeners.Add(bridge.get());
    TReceptionLoop loop(core.receiver.rx, core.receiver.link, core.receiver.transferWorker,
                        core.texts(), ctx.ui);
    const TLoopEnd end = loop.Run(LoopOptions(core, o), core.receptionListeners, &run);
    core.receptionListeners.Remove(&run);
    // However the run ends, every alarm it began has its end in the log.
    PrintChanges(monitor, monitor.DeactivateAll(TMonitorTime::Now(), TAlarmCause::End));
    if (bridge) {
        core.receptionListeners.Remove(bridge.get());
        monitor.listeners.clear();
        bridge->Stop();
    }
    int status = LoopStatus(end, core);
    if (status == kOk && run.failed) status = kFailed;
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
                   "FILE.mon [--count N] [--reconnect] [--sound] [--history-level N] "
                   "[--battery-level N] [--data FILE.rvl]   print the alarms receptions raise "
                   "and clear; --sound plays their sounds",
                   Monitor, {"--count", "N", "stop after N receptions"},
                   {"--reconnect", nullptr,
                    "after a lost link, connect again by itself with growing waits"},
                   {"--sound", nullptr, "play the activated messages' sounds"},
                   {"--history-level", "N", "the history's logging level 0-4"},
                   {"--battery-level", "N", "the battery log's logging level 0-4"},
                   {"--data", "FILE.rvl", "the records the levels and user texts use"},
                   RAVLIN_CLI_BROKER_OPTIONS);
}  // namespace ravlin::cli
