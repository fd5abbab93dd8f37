#include "app/Settings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace ravlin {

// ---- TSettings --------------------------------------------------------------------------

namespace {

constexpr const char* kSetup = TSettings::kSetup;
constexpr const char* kWindow = "Window";

struct TGridSection {
    const char* name;
    std::vector<int> TSettings::*widths;
};
constexpr TGridSection kGrids[] = {
    {"BatteryGrid", &TSettings::BatteryGrid},   {"HistoryGrid", &TSettings::HistoryGrid},
    {"MonitorGrid", &TSettings::MonitorGrid},   {"ActiveGrid", &TSettings::ActiveGrid},
    {"DeactiveGrid", &TSettings::DeactiveGrid}, {"MessageGrid", &TSettings::MessageGrid},
};

int ReadInRange(const TIniFile& ini, const char* section, const char* key, int def, int lo,
                int hi) {
    int v = ini.ReadInteger(section, key, def);
    return v < lo || v > hi ? def : v;
}

std::string ColKey(size_t i) {
    return "Col" + std::to_string(i + 1);
}

}  // namespace

std::string ReadLanguage(const TIniFile& ini) {
    return ini.ReadString(kSetup, "Language", "US");
}

void ReadUserTitles(const TIniFile& ini, const PopisType& texts, std::string out[5]) {
    for (int i = 0; i < 5; ++i) {
        const size_t id = static_cast<size_t>(kUserTitleText + i);
        out[i] = ini.ReadString(kSetup, kUserTitleKeys[i], id < texts.size() ? texts[id] : "");
    }
}

void ReadUserTitles(const TIniFile& ini, const PopisType& texts, std::array<std::string, 5>& out) {
    ReadUserTitles(ini, texts, out.data());
}

void TSettings::Load(const TIniFile& ini) {
    const TSettings d;  // defaults
    Connection.ConnectionType =
        ReadInRange(ini, kSetup, "ConnectionType", d.Connection.ConnectionType, 0, 1);
    Connection.IPAddress = ini.ReadString(kSetup, "IPAddress", d.Connection.IPAddress);
    Connection.IPPort = ini.ReadString(kSetup, "IPPort", d.Connection.IPPort);
    Connection.ComNumber = ini.ReadInteger(kSetup, "ComNumber", d.Connection.ComNumber);
    Connection.ComSpeed = ini.ReadInteger(kSetup, "ComSpeed", d.Connection.ComSpeed);
    Connection.DumpRead = ini.ReadBool(kSetup, "DumpRead", d.Connection.DumpRead);

    BatteryMonitorLevel = ReadInRange(ini, kSetup, "BatteryMonitorLevel", 3, 0, 4);
    BatteryMonitorSortCol = ini.ReadInteger(kSetup, "BatteryMonitorSortCol", 0);
    BatteryMonitorSortUp = ini.ReadBool(kSetup, "BatteryMonitorSortUp", true);
    HistoryMonitorLevel = ReadInRange(ini, kSetup, "HistoryMonitorLevel", 3, 0, 4);
    HistoryLength = ReadInRange(ini, kSetup, "HistoryLength", 100, 1, 99999);
    Language = ReadLanguage(ini);
    MonitorFont = ini.ReadString(kSetup, "MonitorFont", d.MonitorFont);
    Welcome = ini.ReadBool(kSetup, "Welcome", true);
    Backup = ini.ReadBool(kSetup, "Backup", true);
    FindLast = ini.ReadBool(kSetup, "FindLast", false);
    Beep = ini.ReadBool(kSetup, "Beep", false);
    SoundCard = ini.ReadBool(kSetup, "SoundCard", false);
    SoundSpeaker = ini.ReadBool(kSetup, "SoundSpeaker", true);
    Download = ini.ReadBool(kSetup, "Download", false);
    Online = ini.ReadBool(kSetup, "Online", false);
    Monitor = ini.ReadBool(kSetup, "Monitor", false);
    OpenDataFile = ini.ReadBool(kSetup, "OpenDataFile", false);
    OpenMonitorFile = ini.ReadBool(kSetup, "OpenMonitorFile", false);
    OpenDataPath = ini.ReadString(kSetup, "OpenDataPath", "");
    OpenMonitorPath = ini.ReadString(kSetup, "OpenMonitorPath", "");
    SortColSingle = ini.ReadInteger(kSetup, "SortColSingle", 0);
    SortColMulti = ini.ReadInteger(kSetup, "SortColMulti", 0);
    SortUpSingle = ini.ReadBool(kSetup, "SortUpSingle", true);
    SortUpMulti = ini.ReadBool(kSetup, "SortUpMulti", true);
    MonitorSortCol = ini.ReadInteger(kSetup, "MonitorSortCol", 0);
    MonitorSortUp = ini.ReadBool(kSetup, "MonitorSortUp", true);
    PageControl = ReadInRange(ini, kSetup, "PageControl", 0, 0, 4);
    LastFile = ini.ReadString(kSetup, "LastFile", "");
    LastMonitorFile = ini.ReadString(kSetup, "LastMonitorFile", "");

    for (const TGridSection& g : kGrids) {
        std::vector<int>& widths = this->*g.widths;
        const std::vector<int>& defaults = d.*g.widths;
        widths.resize(defaults.size());
        for (size_t i = 0; i < widths.size(); ++i)
            widths[i] = ReadInRange(ini, g.name, ColKey(i).c_str(), defaults[i], 0, 10000);
    }

    Window.Width = ini.ReadInteger(kWindow, "Width", d.Window.Width);
    Window.Height = ini.ReadInteger(kWindow, "Height", d.Window.Height);
    Window.Top = ini.ReadInteger(kWindow, "Top", d.Window.Top);
    Window.Left = ini.ReadInteger(kWindow, "Left", d.Window.Left);
    Window.State = ReadInRange(ini, kWindow, "State", TWindowSettings::Normal, 0, 2);

    ActiveHeight = ReadInRange(ini, "ActiveGrid", "Height", 125, 0, 10000);
    DeactiveHeight = ReadInRange(ini, "DeactiveGrid", "Height", 125, 0, 10000);
}

void TSettings::Save(TIniFile& ini, const PopisType& texts, const std::string& documentFileName) {
    ini.WriteInteger(kSetup, "ConnectionType", Connection.ConnectionType);
    ini.WriteString(kSetup, "IPAddress", Connection.IPAddress);
    ini.WriteString(kSetup, "IPPort", Connection.IPPort);
    ini.WriteInteger(kSetup, "ComNumber", Connection.ComNumber);
    ini.WriteInteger(kSetup, "ComSpeed", Connection.ComSpeed);
    ini.WriteBool(kSetup, "DumpRead", Connection.DumpRead);
    ini.WriteInteger(kSetup, "BatteryMonitorLevel", BatteryMonitorLevel);
    ini.WriteInteger(kSetup, "BatteryMonitorSortCol", BatteryMonitorSortCol);
    ini.WriteBool(kSetup, "BatteryMonitorSortUp", BatteryMonitorSortUp);
    ini.WriteInteger(kSetup, "HistoryMonitorLevel", HistoryMonitorLevel);
    ini.WriteInteger(kSetup, "HistoryLength", HistoryLength);
    ini.WriteString(kSetup, "Language", Language);
    ini.WriteString(kSetup, "MonitorFont", MonitorFont);
    ini.WriteBool(kSetup, "Welcome", Welcome);
    ini.WriteBool(kSetup, "Backup", Backup);
    ini.WriteBool(kSetup, "FindLast", FindLast);
    ini.WriteBool(kSetup, "Beep", Beep);
    ini.WriteBool(kSetup, "SoundCard", SoundCard);
    ini.WriteBool(kSetup, "SoundSpeaker", SoundSpeaker);
    ini.WriteBool(kSetup, "Download", Download);
    ini.WriteBool(kSetup, "Online", Online);
    ini.WriteBool(kSetup, "Monitor", Monitor);
    ini.WriteBool(kSetup, "OpenDataFile", OpenDataFile);
    ini.WriteBool(kSetup, "OpenMonitorFile", OpenMonitorFile);
    ini.WriteString(kSetup, "OpenDataPath", OpenDataPath);
    ini.WriteString(kSetup, "OpenMonitorPath", OpenMonitorPath);
    ini.WriteInteger(kSetup, "SortColSingle", SortColSingle);
    ini.WriteInteger(kSetup, "SortColMulti", SortColMulti);
    ini.WriteBool(kSetup, "SortUpSingle", SortUpSingle);
    ini.WriteBool(kSetup, "SortUpMulti", SortUpMulti);
    ini.WriteInteger(kSetup, "MonitorSortCol", MonitorSortCol);
    ini.WriteBool(kSetup, "MonitorSortUp", MonitorSortUp);
    ini.WriteInteger(kSetup, "PageControl", PageControl);
    ini.WriteInteger("ActiveGrid", "Height", ActiveHeight);
    ini.WriteInteger("DeactiveGrid", "Height", DeactiveHeight);

    // A title equal to its default is not stored, so that it follows the language.
    for (int i = 0; i < 5; ++i) {
        const size_t id = static_cast<size_t>(kUserTitleText + i);
        const std::string def = id < texts.size() ? texts[id] : std::string();
        if (UserTitles[i] == def)
            ini.DeleteKey(kSetup, kUserTitleKeys[i]);
        else
            ini.WriteString(kSetup, kUserTitleKeys[i], UserTitles[i]);
    }
    if (!documentFileName.empty()) {
        LastFile = documentFileName;
        ini.WriteString(kSetup, "LastFile", LastFile);
    }
    ini.WriteString(kSetup, "LastMonitorFile", LastMonitorFile);

    for (const TGridSection& g : kGrids) {
        const std::vector<int>& widths = this->*g.widths;
        for (size_t i = 0; i < widths.size(); ++i) ini.WriteInteger(g.name, ColKey(i), widths[i]);
    }

    // The normal placement survives an exit while maximized or minimized.
    if (Window.State == TWindowSettings::Normal) {
        ini.WriteInteger(kWindow, "Width", Window.Width);
        ini.WriteInteger(kWindow, "Height", Window.Height);
        ini.WriteInteger(kWindow, "Top", Window.Top);
        ini.WriteInteger(kWindow, "Left", Window.Left);
    }
    ini.WriteInteger(kWindow, "State", Window.State);
    ini.UpdateFile();
}

}  // namespace ravlin
