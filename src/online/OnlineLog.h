#pragma once
// The logging of one reception into the history, the battery log and the last-heard list,
// as the desktop program's poll and `ravlin-cli listen --log` both do it, by the settings
// HistoryMonitorLevel and BatteryMonitorLevel (kept with every other key in the
// program's settings table).

#include <string>

#include "base/IniFile.h"
#include "document/AppState.h"
#include "online/Battery.h"
#include "online/History.h"
#include "online/LastHeard.h"
#include "online/Reception.h"
#include "views/FileView.h"

namespace ravlin {

// The user fields (user number, User 1 .. User 4) the File view shows for a layout family:
// the history and battery pages show the same ones.
TUserVisibility UserFieldsOf(const TIniFile& ini, TLayoutFamily family);
// Without a receiver the layout family is not known: a user field counts when either
// family shows it.
TUserVisibility UserFieldsOfEither(const TIniFile& ini);
// The user fields shown beside transmitters (History and Battery views, the monitor's
// event grids): those of the current receiver type's layout family once a receiver is
// logged in or a document open (either gives the type), else those of either family.
TUserVisibility ShownUserFields(const TIniFile& ini, const TAppState& state, TLayoutFamily family);

// The logs a reception goes to; any may be missing.
struct TOnlineLogs {
    THistory* history = nullptr;
    TBatteryLog* battery = nullptr;
    TLastHeard* lastHeard = nullptr;  // updated whenever the history takes the reception
};

struct TLogResult {
    TLogDecision decision;
    TBatteryChange battery = TBatteryChange::Ignored;
    bool written = true;  // false when a log file could not be written (CannotOpen was shown)
};

// Logs one reception by the levels. `table` is the record table (user information);
// `documentOpen` says whether it belongs to an open document (levels 2 and 3).
TLogResult LogReception(const TReception& r, const TRecordTable& table, bool documentOpen,
                        int historyLevel, int batteryLevel, const TOnlineLogs& logs);

}  // namespace ravlin
