#include "online/OnlineLog.h"

namespace ravlin {
TUserVisibility UserFieldsOf(const TIniFile& ini, TLayoutFamily family) {
    TUserVisibility visible{};
    const auto keys = VisibilityKeys(family);
    for (size_t i = 0; i < keys.size(); ++i) visible[i] = ini.ReadBool("Setup", keys[i], true);
    return visible;
}

TUserVisibility UserFieldsOfEither(const TIniFile& ini) {
    const TUserVisibility a = UserFieldsOf(ini, TLayoutFamily::Single);
    const TUserVisibility b = UserFieldsOf(ini, TLayoutFamily::Multi);
    TUserVisibility v{};
    for (size_t i = 0; i < v.size(); ++i) v[i] = a[i] || b[i];
    return v;
}

TUserVisibility ShownUserFields(const TIniFile& ini, const TAppState& state, TLayoutFamily family) {
    if (!state.LoggedIn && !state.DocumentOpen) return UserFieldsOfEither(ini);
    return UserFieldsOf(ini, family);
}

TLogResult LogReception(const TReception& r, const TRecordTable& table, bool documentOpen,
                        int historyLevel, int batteryLevel, const TOnlineLogs& logs) {
    TLogResult result;
    result.decision = DecideLogging(r, table, documentOpen, historyLevel, batteryLevel);
    if (result.decision.battery && logs.battery) {
        bool saved = true;
        result.battery = logs.battery->Update(r.serial, r.LowBattery(), table, &saved);
        result.written = result.written && saved;
    }
    if (result.decision.history) {
        TLogTime when = kNoTime;
        if (logs.history) {
            result.written =
                logs.history->Add(r.serial, r.button, r.LowBattery(), table) && result.written;
            when = logs.history->Items().empty() ? kNoTime : logs.history->Items().front().Time;
        }
        if (logs.lastHeard) {
            if (when == kNoTime) when = NowLocal();
            result.written = logs.lastHeard->Heard(r.serial, r.button, when) && result.written;
        }
    }
    return result;
}

}  // namespace ravlin
