#pragma once
// The settings of on-line mode and the logging of one reception into the history, the
// battery log and the last-heard list, as the desktop program's poll and
// `ravlin-cli listen --log` both do it.

#include <string>

#include "base/IniFile.h"
#include "online/Battery.h"
#include "online/History.h"
#include "online/LastHeard.h"
#include "online/Reception.h"

namespace ravlin {

// Keys of section Setup of the settings file; a missing value, one that does not parse
// and one outside its range give the default.
struct TOnlineSettings {
    int HistoryMonitorLevel = 3;    // 0..4
    int BatteryMonitorLevel = 3;    // 0..4
    int HistoryLength = 100;        // 1..99 999
    int BatteryMonitorSortCol = 0;  // a column of the battery page, >= 0
    bool BatteryMonitorSortUp = true;
    bool FindLast = false;
    bool Beep = false;
    bool SoundCard = false;
    bool SoundSpeaker = true;
    bool Online = false;  // start-up: enter on-line mode

    void Load(const TIniFile& ini);
    // After a header press on the battery page.
    static void StoreBatterySort(TIniFile& ini, int column, bool ascending);
};

// The logs a reception goes to; any may be missing.
struct TOnlineLogs {
    THistory* history = nullptr;
    TBatt* battery = nullptr;
    TLastHeard* lastHeard = nullptr;  // updated whenever the history takes the reception
};

struct TLogResult {
    TLogDecision decision;
    TBattChange battery = TBattChange::Ignored;
    bool written = true;  // false when a log file could not be written (80 was shown)
};

// Logs one reception by the levels. `table` is the record table (user information);
// `documentOpen` says whether it belongs to an open document (levels 2 and 3).
TLogResult LogReception(const TReception& r, const TRecordTable& table, bool documentOpen,
                        int historyLevel, int batteryLevel, const TOnlineLogs& logs);

}  // namespace ravlin
