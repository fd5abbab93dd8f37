#pragma once
// Shared by the reception commands of ravlin-cli (listen, monitor): their options
// (--count, --reconnect, the logging levels and the data file of the logs), the logs a
// reception goes to by the same rules as the desktop program's on-line mode, the trouble
// lines of a lost link and the end of the reception loop.
//
//   trouble link-lost                 the link to the receiver is lost
//   trouble link-restored SECONDS     it is back after SECONDS (whole seconds)

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "LogCli.h"
#include "TransferCli.h"
#include "base/CodePage.h"
#include "document/DataFile.h"
#include "online/OnlineLog.h"
#include "online/ReceptionLoop.h"

namespace ravlin::cli {

// The message of a lost link that ends a command without --reconnect.
inline constexpr const char* kLinkLostMessage = "The connection to the receiver was lost.";

struct TReceptionOptions {
    long count = 0;  // 0: until interrupted
    bool reconnect = false;
    int historyLevel = -1, batteryLevel = -1;  // -1: the settings file's
    std::string dataFile;                      // --data: the records of levels 2 and 3
};

// A logging level 0..4 from the command line.
inline bool ParseLevel(const std::string& text, int& level) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '4') return false;
    level = text[0] - '0';
    return true;
}

// Takes args[i] (and its value) when it is one of the shared options: 1 taken, 0 not
// one of them, kUsage after a usage error was printed.
inline int ParseReceptionOption(const std::vector<std::string>& args, size_t& i,
                                TReceptionOptions& o) {
    const std::string& a = args[i];
    const bool value = i + 1 < args.size();
    if (a == "--reconnect") {
        o.reconnect = true;
    } else if (a == "--history-level" && value) {
        if (!ParseLevel(args[++i], o.historyLevel))
            return UsageError("--history-level needs a level 0 to 4");
    } else if (a == "--battery-level" && value) {
        if (!ParseLevel(args[++i], o.batteryLevel))
            return UsageError("--battery-level needs a level 0 to 4");
    } else if (a == "--data" && value) {
        o.dataFile = args[++i];
    } else if (a == "--count" && value) {
        char* end = nullptr;
        o.count = std::strtol(args[++i].c_str(), &end, 10);
        if (*end || o.count <= 0) return UsageError("--count needs a positive number");
    } else {
        return 0;
    }
    return 1;
}

// The logs of the home folder as the desktop program's poll writes them: History.dat,
// LowBatt.dat and LastHeard.dat by the levels (the settings file's unless given).
class TReceptionLogs {
  public:
    // The document of --data and the logs read, before the receiver is touched. False
    // after a reported failure.
    bool Prepare(TCore& core, const TReceptionOptions& o) {
        core_ = &core;
        historyLevel_ = o.historyLevel >= 0 ? o.historyLevel : core.settings.HistoryMonitorLevel;
        batteryLevel_ = o.batteryLevel >= 0 ? o.batteryLevel : core.settings.BatteryMonitorLevel;
        documentOpen_ = !o.dataFile.empty();
        if (documentOpen_) {
            TDevice device;
            std::string image;
            const TDataFileEnv env{core.folders.dataDir, core.texts(), core.ui};
            if (!OpenData(o.dataFile, env, false, device, document_, image)) return false;
        }
        core.folders.MakeWritable();
        core.history.SetLength(core.settings.HistoryLength);
        core.history.Load();
        core.battery.SortColumn = core.settings.BatteryMonitorSortCol;
        core.battery.SortUp = core.settings.BatteryMonitorSortUp;
        core.battery.Load();
        core.lastHeard.Load();
        return true;
    }
    // After the login: the battery page's sort column means the user field the File view
    // of this receiver's layout shows there.
    void LoggedIn() {
        TCore& core = *core_;
        if (core.functionTable.LoadFunctionTable(core.device.Name))
            core.battery.userColumns =
                UserFieldsOf(core.ini, FamilyOf(core.functionTable.SingleRelay));
    }
    // The record of --data a reception belongs to (the broker gets its user texts).
    const TRecordTable* Records() const { return documentOpen_ ? &document_ : nullptr; }
    // False when a log could not be written (reported; the next write may work).
    bool Log(const TReception& r) {
        const TOnlineLogs logs{&core_->history, &core_->battery, &core_->lastHeard};
        return LogReception(r, document_, documentOpen_, historyLevel_, batteryLevel_, logs)
            .written;
    }

  private:
    TCore* core_ = nullptr;
    int historyLevel_ = 0, batteryLevel_ = 0;
    bool documentOpen_ = false;
    TRecordTable document_;
};

// The trouble lines on stdout (with --reconnect).
inline void PrintLinkLost() {
    std::printf("trouble link-lost\n");
    std::fflush(stdout);
}
inline void PrintLinkRestored(double seconds) {
    std::printf("trouble link-restored %ld\n", std::lround(seconds));
    std::fflush(stdout);
}

inline TReceptionLoopOptions LoopOptions(const TCore& core, const TReceptionOptions& o) {
    return {o.count, o.reconnect,
            TReconnectTimes::Seconds(core.settings.ReconnectFirst, core.settings.ReconnectMax)};
}

// The exit status of a reception loop's end; a lost link says so (after what the link
// held back about it).
inline int LoopStatus(TLoopEnd end, TCore& core) {
    switch (end) {
        case TLoopEnd::CountReached:
        case TLoopEnd::Stopped:
            return kOk;
        case TLoopEnd::LinkLost:
            if (const auto held = core.receiver.link.TakeHeldMessage())
                std::fprintf(stderr, "%s\n", AnsiToUtf8(held->text).c_str());
            std::fprintf(stderr, "%s\n", kLinkLostMessage);
            return kFailed;
        case TLoopEnd::Failed:
            return kFailed;
    }
    return kFailed;
}

}  // namespace ravlin::cli
