#pragma once
// The settings file RavlinProj.ini: a sectioned key=value text file (TIniFile) and the
// settings the main window loads at start and saves at exit (TSettings). The column
// layouts and File/Memory view widths live in the same file but are read and written by
// the views themselves through TIniFile.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/IniFile.h"
#include "base/UserInterface.h"
#include "link/ConnectionSettings.h"

namespace ravlin {

// Main window placement, section Window.
struct TWindowSettings {
    enum State { Normal = 0, Maximized = 1, Minimized = 2 };
    int Width = 710;
    int Height = 550;
    int Top = 150;
    int Left = 190;
    int State = Normal;  // a stored value other than 0, 1, 2 reads as Normal
};

// Every setting the main window reads and writes as a whole, with its default.
struct TSettings {
    static constexpr const char* kSetup = "Setup";

    TConnectionSettings Connection;
    int BatteryMonitorLevel = 3;  // 0..4
    int BatteryMonitorSortCol = 0;
    bool BatteryMonitorSortUp = true;
    int HistoryMonitorLevel = 3;  // 0..4
    int HistoryLength = 100;      // 1..99999
    std::string Language = "US";
    std::string MonitorFont = "Tahoma";
    bool Welcome = true;
    bool Backup = true;
    bool FindLast = false;
    bool Beep = false;
    bool SoundCard = false;
    bool SoundSpeaker = true;
    bool Download = false;
    bool Online = false;
    bool Monitor = false;
    bool OpenDataFile = false;
    bool OpenMonitorFile = false;
    std::string OpenDataPath;
    std::string OpenMonitorPath;
    int SortColSingle = 0;
    int SortColMulti = 0;
    bool SortUpSingle = true;
    bool SortUpMulti = true;
    int MonitorSortCol = 0;
    bool MonitorSortUp = true;
    int PageControl = 0;  // 0..4
    // Titles of the user number and User1..User4 columns. Not read by Load: their
    // defaults are language texts 153..157, so the language loader reads them
    // (ReadUserTitles) after every language load.
    std::array<std::string, 5> UserTitles;
    std::string LastFile;
    std::string LastMonitorFile;

    // Column widths in pixels, Col1 first.
    std::vector<int> BatteryGrid = std::vector<int>(8, 64);
    std::vector<int> HistoryGrid = std::vector<int>(9, 64);
    std::vector<int> MonitorGrid = std::vector<int>(9, 64);
    std::vector<int> ActiveGrid = std::vector<int>(9, 64);
    std::vector<int> DeactiveGrid = std::vector<int>(9, 64);
    std::vector<int> MessageGrid = {32, 64, 200, 100, 64, 64, 64, 64, 64};
    // Heights of the button panels inside the Active and Deactive groups.
    int ActiveHeight = 125;
    int DeactiveHeight = 125;

    TWindowSettings Window;

    // Reads every key above except the user titles. A missing value, one that does not
    // parse, and one outside its range give the default.
    void Load(const TIniFile& ini);
    // Writes every key in the file's documented order, then UpdateFile(). A user title
    // equal to its default language text removes its key; LastFile is written only when
    // `documentFileName` is not empty (and then becomes it); the window geometry only
    // while Window.State is Normal.
    void Save(TIniFile& ini, const PopisType& texts, const std::string& documentFileName);
};

// Setup keys of the user titles, in the order of TSettings::UserTitles.
inline constexpr std::array<const char*, 5> kUserTitleKeys = {"UserID", "User1", "User2", "User3",
                                                              "User4"};
// Language text that a user title defaults to: 153 + i.
inline constexpr int kUserTitleText = 153;

// The language in the settings ("US" when absent).
std::string ReadLanguage(const TIniFile& ini);
// Reads UserID, User1..User4 of section Setup, defaulting to language texts 153..157.
void ReadUserTitles(const TIniFile& ini, const PopisType& texts, std::string out[5]);
void ReadUserTitles(const TIniFile& ini, const PopisType& texts, std::array<std::string, 5>& out);

}  // namespace ravlin
