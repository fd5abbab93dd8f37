#include "online/OnlineLog.h"

namespace ravlin {
namespace {

constexpr const char* kSetup = "Setup";

int ReadInRange(const TIniFile& ini, const char* key, int def, int lo, int hi) {
    const int v = ini.ReadInteger(kSetup, key, def);
    return v < lo || v > hi ? def : v;
}

}  // namespace

void TOnlineSettings::Load(const TIniFile& ini) {
    HistoryMonitorLevel = ReadInRange(ini, "HistoryMonitorLevel", 3, 0, 4);
    BatteryMonitorLevel = ReadInRange(ini, "BatteryMonitorLevel", 3, 0, 4);
    HistoryLength = ReadInRange(ini, "HistoryLength", 100, 1, 99999);
    BatteryMonitorSortCol = ReadInRange(ini, "BatteryMonitorSortCol", 0, 0, 1000);
    BatteryMonitorSortUp = ini.ReadBool(kSetup, "BatteryMonitorSortUp", true);
    FindLast = ini.ReadBool(kSetup, "FindLast", false);
    Beep = ini.ReadBool(kSetup, "Beep", false);
    SoundCard = ini.ReadBool(kSetup, "SoundCard", false);
    SoundSpeaker = ini.ReadBool(kSetup, "SoundSpeaker", true);
    Online = ini.ReadBool(kSetup, "Online", false);
}

void TOnlineSettings::StoreBatterySort(TIniFile& ini, int column, bool ascending) {
    ini.WriteInteger(kSetup, "BatteryMonitorSortCol", column);
    ini.WriteBool(kSetup, "BatteryMonitorSortUp", ascending);
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
