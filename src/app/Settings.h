#pragma once
// The settings file RavlinProj.ini: a sectioned key=value text file (TIniFile) and the
// settings the main window loads at start and saves at exit (TSettings). The column
// layouts and File/Memory view widths live in the same file but are read and written by
// the views themselves through TIniFile.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/UserInterface.h"
#include "link/ConnectionSettings.h"

namespace ravlin {

// Sectioned key=value file in the form of the platform's settings-file functions:
// "[Section]" lines, "key=value" lines. Section and key names compare case-insensitively
// (ASCII); blanks around names and values are not part of them. Values are otherwise
// kept byte for byte. Lines the reader does not understand (comments, blank lines, text
// outside any section) and the order of everything are kept when the file is rewritten.
//
// The file is read once, on construction. Writes change the copy in memory and reach the
// disk with UpdateFile() or the destructor; the file is replaced through a temporary file
// in the same folder, and the folder is created when missing. Failures are silent (the
// bool results are for tests): a missing or unreadable file gives the defaults.
class TIniFile {
public:
    explicit TIniFile(std::string path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return path_; }
    // Replaces the copy in memory with `content` (as if it were the file); not modified.
    void LoadText(std::string_view content);
    // What UpdateFile() would write.
    std::string Content() const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal integer; a missing key or a value that is not one gives `def`.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // Any integer other than 0 is true; a value that is no integer gives `def`.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Key names of a section in file order (empty when the section is absent).
    std::vector<std::string> ReadSectionKeys(const std::string& section) const;

    // Replaces the value in place, or adds the key at the end of its section; a missing
    // section is added at the end of the file. Line breaks in a value become blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void DeleteKey(const std::string& section, const std::string& key);

    // Writes pending changes. True when nothing was pending or the file was replaced.
    bool UpdateFile();
    bool Modified() const { return modified_; }

private:
    struct TLine {
        std::string text;  // without its line end
        std::string eol;   // "\r\n", "\n", or "" for a last line without one
        enum Kind { Other, Section, Key } kind = Other;
        std::string name;  // section or key name of the line
    };
    static void Classify(TLine& line);
    // Index of the "[section]" line of the first section of that name, or -1.
    int FindSection(const std::string& section) const;
    // Index of the key's line inside the section starting at `sectionLine`, or -1.
    int FindKey(int sectionLine, const std::string& key) const;
    // Index one past the section's last line.
    int SectionEnd(int sectionLine) const;
    void InsertLine(int at, std::string text);

    std::string path_;
    std::vector<TLine> lines_;
    std::string bom_;
    std::string newLineEnd_ = "\r\n";
    bool modified_ = false;
    // The file exists but could not be read: never overwrite it with a partial copy.
    bool readFailed_ = false;
};

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
