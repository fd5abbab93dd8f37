#pragma once
// The settings the main window loads at start and saves at exit (TSettings), kept in the
// settings file RavlinProj.ini (TIniFile). Every key is one row of the key table in
// Settings.cpp: section, name, type (the member it fills), default, range and the rule
// of its saving; Load and Save are one loop over that table. The column layouts and
// File/Memory view widths live in the same file but are read and written by the views
// themselves through TIniFile.
//
// A new setting: a member here, a row in the key table (at its place in the file's
// documented order).

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/IniFile.h"
#include "base/UserInterface.h"
#include "link/ConnectionSettings.h"
#include "views/FileView.h"

namespace ravlin {

// Main window placement, section Window.
struct TWindowSettings {
    enum State { Normal = 0, Maximized = 1, Minimized = 2 };
    int Width;
    int Height;
    int Top;
    int Left;
    int State;  // a stored value other than 0, 1, 2 reads as Normal
};

// Every setting the main window reads and writes as a whole. A default-constructed
// TSettings holds the defaults of the key table.
struct TSettings {
    static constexpr const char* kSetup = "Setup";

    TSettings();

    TConnectionSettings Connection;
    int BatteryMonitorLevel;  // 0..4
    int BatteryMonitorSortCol;
    bool BatteryMonitorSortUp;
    int HistoryMonitorLevel;  // 0..4
    int HistoryLength;        // 1..99999
    std::string Language;
    std::string MonitorFont;
    bool Welcome;
    bool Backup;
    bool VerifyDownload;  // a block download is read twice and compared
    bool VerifyUpload;    // an upload is read back and compared
    bool FindLast;
    bool Beep;
    bool SoundCard;
    bool SoundSpeaker;
    bool Download;
    bool Online;
    bool Monitor;
    bool OpenDataFile;
    bool OpenMonitorFile;
    std::string OpenDataPath;
    std::string OpenMonitorPath;
    TFileViewSorts FileSorts;  // SortColSingle, SortUpSingle, SortColMulti, SortUpMulti
    int MonitorSortCol;
    bool MonitorSortUp;
    int PageControl;  // 0..4
    // Titles of the user number and User1..User4 columns. Not read by Load: their
    // defaults are language texts (Text::UserIdTitle ... User4Title), so the language
    // loader reads them (ReadUserTitles) after every language load.
    TUserTitles UserTitles;
    std::string LastFile;
    std::string LastMonitorFile;
    // The File view shows when each transmitter was last heard (View menu).
    bool LastHeardColumn;
    // Text encoding of the spreadsheet export: "UTF-8" (what spreadsheets on Linux read) or
    // "Windows-1252" (for spreadsheets on Windows); anything else reads as UTF-8.
    std::string ExportEncoding;
    // Who clears alarms by hand in monitor mode, for the alarm log (section Monitor).
    std::string Operator;
    // The waits before the tries to get a lost receiver back: the first, doubled each
    // time up to the longest (seconds).
    int ReconnectFirst;
    int ReconnectMax;
    // The trouble row of a lost link in monitor mode: its colour index (0..6) and sound
    // choice (0..6; 6 plays TroubleSoundFile); section Monitor.
    int TroubleColor;
    int TroubleSound;
    std::string TroubleSoundFile;
    // The bound of the alarm log's files together, in megabytes (section Monitor).
    int AlarmLogMegabytes;
    // The site's MQTT broker (section Broker): whether the desktop program publishes to
    // it, its address (mqtt://HOST:PORT, mqtts://HOST:PORT), the site and receiver names
    // of the topics, the user, the file holding the password (never the password itself)
    // and the CA file of TLS. ravlin-cli takes them as defaults of its --mqtt options.
    bool BrokerOn;
    std::string BrokerUrl;
    std::string BrokerSite;
    std::string BrokerReceiver;
    std::string BrokerUser;
    std::string BrokerPasswordFile;
    std::string BrokerCaFile;

    // Column widths in pixels, Col1 first.
    std::vector<int> BatteryGrid;
    std::vector<int> HistoryGrid;
    std::vector<int> MonitorGrid;
    std::vector<int> ActiveGrid;
    std::vector<int> DeactiveGrid;
    std::vector<int> MessageGrid;
    // Heights of the button panels inside the Active and Deactive groups.
    int ActiveHeight;
    int DeactiveHeight;

    TWindowSettings Window;

    // Reads every key of the table. A missing value, one that does not parse, and one
    // outside its range give the default.
    void Load(const TIniFile& ini);
    // Writes the keys in the table's (the file's documented) order, then UpdateFile(). A
    // user title equal to its default language text removes its key; LastFile is written
    // only when `documentFileName` is not empty (and then becomes it); the window geometry
    // only while Window.State is Normal. Only the keys whose value changed since Load (or
    // the last Save) are written: another program's change of any other key stays. A key
    // that was never in the file is written when the file still lacks it at the update. False when
    // the file could not be written (TIniFile::LastError()).
    bool Save(TIniFile& ini, const TTextTable& texts, const std::string& documentFileName);

    // The value of every key as Save writes it (nullopt: removed), as of Load or Save:
    // what a changed value is compared with. Keyed by section + "/" + key.
    std::map<std::string, std::optional<std::string>> stored;
    // The keys the file had at Load (or that Save has written since): a key missing from
    // the file is filled in only when it was never there, not after another program
    // removed it.
    std::set<std::string> seen;
};

// Setup keys of the user titles, in the order of TSettings::UserTitles.
inline constexpr std::array<const char*, 5> kUserTitleKeys = {"UserID", "User1", "User2", "User3",
                                                              "User4"};

// The language in the settings ("US" when absent).
std::string ReadLanguage(const TIniFile& ini);
// Reads UserID, User1..User4 of section Setup, defaulting to the language's user titles.
void ReadUserTitles(const TIniFile& ini, const TTextTable& texts, TUserTitles& out);

}  // namespace ravlin
