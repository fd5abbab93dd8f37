// monitor FILE.mon [--count N]: monitor mode without windows. Logs in, listens on-line,
// and runs every reception through the monitor set-up; one line per change on stdout:
//   activate <number> <text>      deactivate <number> <text>
// Every change is appended to the alarm log of the home folder. Stops after N receptions
// or on Ctrl+C, closing the link. A set-up file that cannot be read exits 1 with its
// message.

#include <cstdio>
#include <cstdlib>

#include "TransferCli.h"
#include "base/CodePage.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"
#include "online/OnlinePoll.h"
#include "online/Reception.h"

namespace ravlin::cli {
namespace {

int Monitor(TContext& ctx) {
    const auto& args = ctx.options.args;
    long count = 0;  // 0: until interrupted
    std::string setupFile;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count" && i + 1 < args.size()) {
            char* end = nullptr;
            count = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || count <= 0) return UsageError("--count needs a positive number");
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
    if (!monitor.Nacti(setupFile)) return kFailed;
    core.folders.MakeWritable();
    TAlarmLog log(core.folders.HomeFile(kAlarmLogName));
    monitor.alarmLog = &log;

    if (!core.session.Login()) return kFailed;
    TKomunikace& link = core.link;
    if (!PrepareOnline(core.rx, link, core.texts(), core.ui)) {
        link.Zavri();
        return kFailed;
    }
    long received = 0;
    int status = kOk;
    while (count == 0 || received < count) {
        if (!core.kom.Start(TKom::TJob::Online)) {
            status = kFailed;
            break;
        }
        bool interrupted = false;
        while (!core.kom.WaitIdleFor(100)) {
            if (ctx.ui.CancelRequested()) {
                core.kom.StopOnline();
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
        const TReadResult read = ReadLastReception(core.rx, link, core.texts(), core.ui, block);
        if (read == TReadResult::Cancelled) break;
        if (read != TReadResult::Read || !DecodeReception(block, reception)) {
            status = kFailed;
            break;
        }
        for (const TMonitorChange& c : monitor.Prijem(reception.serial, reception.button)) {
            const TMonitorData& m = monitor.Messages[static_cast<size_t>(c.message)];
            std::printf("%s %d %s\n", ActionName(c.action), m.Number, AnsiToUtf8(m.Text).c_str());
        }
        std::fflush(stdout);
        ++received;
    }
    core.kom.StopOnline();
    link.Zavri();
    return status;
}

}  // namespace
RAVLIN_CLI_COMMAND("monitor", "FILE.mon [--count N]   print the alarms receptions raise and clear",
                   Monitor);
}  // namespace ravlin::cli
