// listen [--count N] [--log ...]: on-line listening. One line per reception on stdout:
//   <serial> <button> <low|ok, - for an input transmitter> <memory position + 1, or ->
// Stops after N receptions or on Ctrl+C, closing the link.
// --log: every reception is also logged into History.dat, LowBatt.dat and LastHeard.dat
// of the home folder by the levels of the settings file (--history-level N and
// --battery-level N override them); --data FILE.rvl gives the records that levels 2 and 3
// and the user information use.

#include <cstdio>
#include <cstdlib>

#include "LogCli.h"
#include "TransferCli.h"
#include "document/DataFile.h"
#include "online/OnlineLog.h"
#include "online/OnlinePoll.h"

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

// A logging level 0..4 from the command line.
bool ParseLevel(const std::string& text, int& level) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '4') return false;
    level = text[0] - '0';
    return true;
}

int Listen(TContext& ctx) {
    const auto& args = ctx.options.args;
    long count = 0;  // 0: until interrupted
    bool log = false;
    int historyLevel = -1, batteryLevel = -1;  // -1: the settings file's
    std::string dataFile;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--log") {
            log = true;
        } else if (args[i] == "--history-level" && i + 1 < args.size()) {
            if (!ParseLevel(args[++i], historyLevel))
                return UsageError("--history-level needs a level 0 to 4");
        } else if (args[i] == "--battery-level" && i + 1 < args.size()) {
            if (!ParseLevel(args[++i], batteryLevel))
                return UsageError("--battery-level needs a level 0 to 4");
        } else if (args[i] == "--data" && i + 1 < args.size()) {
            dataFile = args[++i];
        } else if (args[i] == "--count" && i + 1 < args.size()) {
            char* end = nullptr;
            count = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || count <= 0) return UsageError("--count needs a positive number");
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    if (!log && (historyLevel >= 0 || batteryLevel >= 0 || !dataFile.empty()))
        return UsageError("--history-level, --battery-level and --data need --log");
    PrepareReceiverCommand(ctx);
    TCore& core = *ctx.core;

    // The logs and the document of --log, ready before the receiver is touched. The
    // levels are the settings file's unless given here.
    int historyMonitorLevel = core.settings.HistoryMonitorLevel;
    int batteryMonitorLevel = core.settings.BatteryMonitorLevel;
    if (historyLevel >= 0) historyMonitorLevel = historyLevel;
    if (batteryLevel >= 0) batteryMonitorLevel = batteryLevel;
    TRecordTable document;
    if (log) {
        if (!dataFile.empty()) {
            TDevice device;
            std::string image;
            const TDataFileEnv env{core.folders.dataDir, core.texts(), core.ui};
            if (!OpenData(dataFile, env, false, device, document, image)) return kFailed;
        }
        core.folders.MakeWritable();
        core.history.SetLength(core.settings.HistoryLength);
        core.history.Load();
        core.battery.SortColumn = core.settings.BatteryMonitorSortCol;
        core.battery.SortUp = core.settings.BatteryMonitorSortUp;
        core.battery.Load();
        core.lastHeard.Load();
    }

    if (!core.receiver.session.Login()) return kFailed;
    TLink& link = core.receiver.link;
    if (!PrepareOnline(core.receiver.rx, link, core.texts(), core.ui)) {
        link.Close();
        return kFailed;
    }
    // The battery page's sort column means the user field the File view of this
    // receiver's layout shows there.
    if (log && core.functionTable.LoadFunctionTable(core.device.Name))
        core.battery.userColumns = UserFieldsOf(core.ini, FamilyOf(core.functionTable.SingleRelay));
    long received = 0;
    int status = kOk;
    while (count == 0 || received < count) {
        if (!core.receiver.transferWorker.Start(TTransferWorker::TJob::Online)) {
            status = kFailed;
            break;
        }
        bool interrupted = false;
        while (!core.receiver.transferWorker.WaitIdleFor(100)) {
            if (ctx.ui.CancelRequested()) {
                core.receiver.transferWorker.StopOnline();
                interrupted = true;
                break;
            }
        }
        if (interrupted || ctx.ui.CancelRequested()) break;
        if (!link.IsOpen()) {
            // The receiver's side ended the connection in order: listening is over. Any
            // other loss the link has reported.
            if (link.ClosedInOrder()) {
                std::fprintf(stderr, "The receiver closed the connection.\n");
            } else {
                status = kFailed;
            }
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
        std::printf("%s\n", ReceptionLine(reception).c_str());
        std::fflush(stdout);
        if (log) {
            const TOnlineLogs logs{&core.history, &core.battery, &core.lastHeard};
            if (!LogReception(reception, document, !dataFile.empty(), historyMonitorLevel,
                              batteryMonitorLevel, logs)
                     .written)
                status = kFailed;  // reported; listening goes on, the next write may work
        }
        ++received;
    }
    core.receiver.transferWorker.StopOnline();
    link.Close();
    return status;
}

}  // namespace
RAVLIN_CLI_COMMAND("listen",
                   "[--count N] [--log [--history-level N] [--battery-level N] [--data "
                   "FILE.rvl]]   print (and log) one line per transmitter reception",
                   Listen, {"--count", "N", "stop after N receptions"},
                   {"--log", nullptr, "keep the history, battery log and last-heard list"},
                   {"--history-level", "N", "with --log: the history's logging level 0-4"},
                   {"--battery-level", "N", "with --log: the battery log's logging level 0-4"},
                   {"--data", "FILE.rvl", "with --log: the records the levels and user texts use"});
}  // namespace ravlin::cli
