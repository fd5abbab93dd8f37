#pragma once
// The settings the monitor reads and writes, from the settings file (section Setup, and
// section Monitor for what the monitor adds: the operator name of the alarm log).

#include <string>

#include "base/IniFile.h"
#include "monitoring/MonitorView.h"

namespace ravlin {

struct TMonitorSettings {
    std::string MonitorFont = "Tahoma";  // font of message texts
    bool SoundCard = false;              // sounds through the sound card
    bool SoundSpeaker = true;            // sounds as PC-speaker tones
    bool Monitor = false;                // start-up: enter monitor mode
    bool OpenMonitorFile = false;        // start-up: open OpenMonitorPath
    std::string OpenMonitorPath;
    std::string LastMonitorFile;
    TMonitorSort Sort;     // MonitorSortCol, MonitorSortUp
    std::string Operator;  // [Monitor] Operator

    void Load(const TIniFile& ini);
    // Writes what the monitor changes itself: the sort, the last file and the operator.
    void Save(TIniFile& ini) const;
};

}  // namespace ravlin
