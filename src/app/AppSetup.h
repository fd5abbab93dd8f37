#pragma once
// The application set-up without its window: the values the window shows (read from the
// settings, the column flags and the File view's layout of the current layout family)
// and what confirming it does to the program: settings, user column titles and
// visibility, the column layout, the history's length (trimmed) or its clearing, the
// settings file, and last the language. ravlin-cli setup runs the same code.
//
// Window thread only (it changes the settings, the settings file and the language table).

#include <array>
#include <string>
#include <vector>

#include "bridge/BrokerConfig.h"
#include "document/AppState.h"
#include "link/ConnectionSettings.h"
#include "views/FileView.h"

namespace ravlin {

class TFunctionTable;
class THistory;
class TIniFile;
class TLanguage;
struct TSettings;

// What the application set-up reads and changes.
struct TAppSetupContext {
    TSettings& settings;
    TIniFile& ini;  // the settings file: the user columns' flags and layout
    TLanguage& language;
    // The current receiver type's layout family; its file name follows the language.
    TFunctionTable& functionTable;
    THistory& history;                      // trimmed or cleared
    const TConnectionSettings& connection;  // the link's, saved with the settings
    const TAppState& state;
};

enum class TSoundOutput { Off = 0, SoundCard = 1, Speaker = 2 };

// The site's broker as the settings keep it (section Broker); the password stays in its file.
struct TBrokerSetup {
    bool on = false;
    std::string url;
    std::string site = "site";
    std::string receiver = "receiver";
    std::string user;
    std::string passwordFile;
    std::string caFile;
    bool operator==(const TBrokerSetup&) const = default;
};
TBrokerSetup BrokerSetupOf(const TSettings& s);
// The connection `setup` describes (the client id left to DefaultClientId).
TBrokerConfig BrokerConfigOf(const TBrokerSetup& setup);

struct TAppSetupValues {
    // Basic
    std::string language;
    bool backup = true;
    TSoundOutput sound = TSoundOutput::Speaker;
    TUserTitles titles;
    std::array<bool, 5> visible{};  // user number, User 1..4 of the current layout family
    TSortState sort;                // File view sorting of the current layout family
    std::string monitorFont;
    // Start-up
    bool welcome = true;
    bool download = false;
    bool openDataFile = false;
    std::string openDataPath;
    bool online = false;
    bool monitor = false;
    bool openMonitorFile = false;
    std::string openMonitorPath;
    // On-line mode
    bool beep = false;
    bool findLast = false;
    int historyLength = 100;  // 1..99999
    bool clearHistory = false;
    int historyLevel = 3;  // 0..4
    int batteryLevel = 3;  // 0..4
    // Broker
    TBrokerSetup broker;
};

// What the window needs besides the values.
struct TAppSetupChoices {
    std::vector<std::string> languages;    // codes of the language files present
    std::vector<std::string> sortColumns;  // titles of the File view's columns, in order
    // Index into sortColumns of the column that carries each user title (-1: not shown).
    std::array<int, 5> titleColumn{-1, -1, -1, -1, -1};
};

// Sound: off, then sound card if SoundCard, then PC speaker if SoundSpeaker.
TSoundOutput SoundOutput(bool soundCard, bool soundSpeaker);

TAppSetupValues ReadAppSetup(const TAppSetupContext& ctx);
TAppSetupChoices ReadAppSetupChoices(const TAppSetupContext& ctx);

struct TAppSetupResult {
    bool languageChanged = false;  // the new language is loaded and current
    bool languageFailed = false;   // it could not be loaded: the previous one stays
    bool columnsChanged = false;   // a user column was shown or hidden
    bool historyChanged = false;   // the history file was trimmed or cleared
    // The settings file could not be written (TIniFile::LastError()): then nothing was
    // changed but the values in memory.
    bool settingsFailed = false;
};

// Applies confirmed values (`before` is what ReadAppSetup gave when the window opened).
// Values out of range are brought into it. The settings file is written (the keys that
// changed: TSettings::Save); when that fails the history and the language stay as they
// were.
TAppSetupResult ApplyAppSetup(const TAppSetupContext& ctx, const TAppSetupValues& before,
                              const TAppSetupValues& after);

}  // namespace ravlin
