// listen [--count N] [--reconnect] [--log ...]: on-line listening. One line per reception
// on stdout:
//   <serial> <button> <low|ok, - for an input transmitter> <memory position + 1, or ->
// Stops after N receptions or on Ctrl+C, closing the link. A lost link ends it with exit
// status 1; with --reconnect the receiver is got back by itself and the outage shows as
// "trouble link-lost" and "trouble link-restored SECONDS" lines between the receptions.
// --log: every reception is also logged into History.dat, LowBatt.dat and LastHeard.dat
// of the home folder by the levels of the settings file (--history-level N and
// --battery-level N override them); --data FILE.rvl gives the records that levels 2 and 3
// and the user information use. With --mqtt URL (and the other broker options) every
// reception and the trouble of the link also go to the broker (see the manual page).

#include <cstdio>

#include "BrokerCli.h"
#include "ReceptionCli.h"
#include "bridge/Bridge.h"

namespace ravlin::cli {
namespace {

std::string ReceptionLine(const TReception& r) {
    const bool nothing = r.Nothing();
    const std::string serial = nothing ? "-" : r.serial;
    const std::string button = nothing ? "-" : r.button;
    const int position = r.MemoryPosition();
    // An input transmitter reports no battery state: its column shows "-", as the panel
    // shows none.
    const char* battery = r.InputTransmitter() ? "-" : r.LowBattery() ? "low" : "ok";
    return serial + " " + button + " " + battery + " " +
           (position < 0 ? std::string("-") : std::to_string(position + 1));
}

class TListenOutput : public TReceptionListener {
  public:
    TListenOutput(TReceptionLogs* logs, bool reconnect) : logs_(logs), reconnect_(reconnect) {}
    void Reception(const TReception& r) override {
        std::printf("%s\n", ReceptionLine(r).c_str());
        std::fflush(stdout);
        if (logs_ && !logs_->Log(r)) failed = true;
    }
    // Without --reconnect the loop ends, and the message on stderr says it.
    void LinkLost(TLinkLoss) override {
        if (reconnect_) PrintLinkLost();
    }
    void LinkRestored(double seconds) override { PrintLinkRestored(seconds); }

    bool failed = false;  // a log could not be written (reported)

  private:
    TReceptionLogs* logs_;
    bool reconnect_;
};

int Listen(TContext& ctx) {
    const auto& args = ctx.options.args;
    TReceptionOptions o;
    TBrokerOptions b;
    bool log = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--log") {
            log = true;
            continue;
        }
        int taken = ParseBrokerOption(args, i, b);
        if (taken == kUsage) return kUsage;
        if (taken == 1) continue;
        taken = ParseReceptionOption(args, i, o);
        if (taken == kUsage) return kUsage;
        if (taken == 0) return UsageError("unexpected argument " + args[i]);
    }
    if (!log && (o.historyLevel >= 0 || o.batteryLevel >= 0 || !o.dataFile.empty()))
        return UsageError("--history-level, --battery-level and --data need --log");
    if (!PrepareReceiverCommand(ctx)) return kFailed;
    TCore& core = *ctx.core;

    // The logs and the document of --log, ready before the receiver is touched.
    TReceptionLogs logs;
    if (log && !logs.Prepare(core, o)) return kFailed;
    std::unique_ptr<TBridge> bridge;
    if (!StartBridge(core, b, "listen", logs, false, bridge)) return kFailed;
    if (bridge) {
        bridge->SetMessages({}, {});  // the discovery of the receptions and the link
    }
    if (!core.receiver.session.Login()) return kFailed;
    if (log) logs.LoggedIn();

    TListenOutput output(log ? &logs : nullptr, o.reconnect);
    core.receptionListeners.Add(&output);
    if (bridge) core.receptionListeners.Add(bridge.get());
    TReceptionLoop loop(core.receiver.rx, core.receiver.link, core.receiver.transferWorker,
                        core.texts(), ctx.ui);
    const TLoopEnd end = loop.Run(LoopOptions(core, o), core.receptionListeners);
    core.receptionListeners.Remove(&output);
    if (bridge) {
        core.receptionListeners.Remove(bridge.get());
        bridge->Stop();
    }
    const int status = LoopStatus(end, core);
    return status == kOk && output.failed ? kFailed : status;
}

}  // namespace
RAVLIN_CLI_COMMAND("listen",
                   "[--count N] [--reconnect] [--log [--history-level N] [--battery-level N] "
                   "[--data FILE.rvl]]   print (and log) one line per transmitter reception",
                   Listen, {"--count", "N", "stop after N receptions"},
                   {"--reconnect", nullptr,
                    "after a lost link, connect again by itself with growing waits"},
                   {"--log", nullptr, "keep the history, battery log and last-heard list"},
                   {"--history-level", "N", "with --log: the history's logging level 0-4"},
                   {"--battery-level", "N", "with --log: the battery log's logging level 0-4"},
                   {"--data", "FILE.rvl", "with --log: the records the levels and user texts use"},
                   RAVLIN_CLI_BROKER_OPTIONS);
}  // namespace ravlin::cli
