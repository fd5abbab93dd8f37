#pragma once
// What monitoring's window parts take from the program: the settings they read and change
// and the core objects the events' user information comes from. Filled by TDesktop.

#include <string>
#include <vector>

#include "base/Folders.h"
#include "base/IniFile.h"
#include "catalog/FunctionTable.h"
#include "document/AppState.h"
#include "records/Data.h"
#include "views/FileView.h"

namespace ravlin {

class TBusyState;
class TNotifications;
class TQtUserInterface;

// The settings monitor mode reads and changes.
struct TMonitorSettingsRef {
    std::string& MonitorFont;
    bool& SoundCard;
    bool& SoundSpeaker;
    std::string& LastMonitorFile;
    int& MonitorSortCol;
    bool& MonitorSortUp;
    std::string& Operator;
    // Column widths of the messages grid, the event grids and the message list.
    std::vector<int>& MonitorGrid;
    std::vector<int>& ActiveGrid;
    std::vector<int>& DeactiveGrid;
    std::vector<int>& MessageGrid;
    // The trouble row of a lost link, and the alarm log's bound.
    const int& TroubleColor;
    const int& TroubleSound;
    const std::string& TroubleSoundFile;
    const int& AlarmLogMegabytes;
};

struct TMonitorContext {
    const TTextTable& texts;
    const TFolders& folders;
    TMonitorSettingsRef settings;
    // The events show the user information of the open document's records, in the user
    // columns the File view shows for the current receiver type, under the user titles.
    const TRecordTable& table;
    const TAppState& state;
    const TIniFile& ini;
    const TFunctionTable& functionTable;
    const TUserTitles& titles;
    TQtUserInterface& ui;
    TBusyState& busy;
    TNotifications& notifications;
};

}  // namespace ravlin
