#include "monitoring/MonitorSettings.h"

namespace ravlin {

namespace {
constexpr const char* kSetup = "Setup";
constexpr const char* kMonitor = "Monitor";
}  // namespace

void TMonitorSettings::Load(const TIniFile& ini) {
    const TMonitorSettings d;
    MonitorFont = ini.ReadString(kSetup, "MonitorFont", d.MonitorFont);
    SoundCard = ini.ReadBool(kSetup, "SoundCard", d.SoundCard);
    SoundSpeaker = ini.ReadBool(kSetup, "SoundSpeaker", d.SoundSpeaker);
    Monitor = ini.ReadBool(kSetup, "Monitor", d.Monitor);
    OpenMonitorFile = ini.ReadBool(kSetup, "OpenMonitorFile", d.OpenMonitorFile);
    OpenMonitorPath = ini.ReadString(kSetup, "OpenMonitorPath", "");
    LastMonitorFile = ini.ReadString(kSetup, "LastMonitorFile", "");
    Sort.column = ini.ReadInteger(kSetup, "MonitorSortCol", 0);
    if (Sort.column < 0 || Sort.column >= kMessagesGridColumns) Sort.column = 0;
    Sort.ascending = ini.ReadBool(kSetup, "MonitorSortUp", true);
    Operator = ini.ReadString(kMonitor, "Operator", "");
}

void TMonitorSettings::Save(TIniFile& ini) const {
    ini.WriteInteger(kSetup, "MonitorSortCol", Sort.column);
    ini.WriteBool(kSetup, "MonitorSortUp", Sort.ascending);
    ini.WriteString(kSetup, "LastMonitorFile", LastMonitorFile);
    ini.WriteString(kMonitor, "Operator", Operator);
}

}  // namespace ravlin
