#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Settings.h"

namespace ravlin {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-ini-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/RavlinProj.ini";
        texts_.assign(299, "");
        SetText(texts_, Text::UserIdTitle, "User ID");
        SetText(texts_, Text::User1Title, "User 1");
        SetText(texts_, Text::User2Title, "User 2");
        SetText(texts_, Text::User3Title, "User 3");
        SetText(texts_, Text::User4Title, "User 4");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // The folder's files; the lock file beside the settings file stays and is left out.
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            if (e.path().filename() != ".RavlinProj.ini.lock")
                names.push_back(e.path().filename().string());
        return names;
    }

    std::string dir_, path_;
    TTextTable texts_;
};

TEST_F(SettingsTest, NoFileGivesDefaultsAndWritesNothing) {
    {
        TIniFile ini(path_);
        TSettings s;
        s.Load(ini);
        EXPECT_EQ(s.Connection.ConnectionType, TConnectionSettings::Com);
        EXPECT_EQ(s.Connection.ConnectionText(), "COM 1:9600");
        EXPECT_EQ(s.Connection.IPAddress, "192.168.1.1");
        EXPECT_EQ(s.Connection.IPPort, "10001");
        EXPECT_FALSE(s.Connection.DumpRead);
        EXPECT_TRUE(s.Welcome);
        EXPECT_TRUE(s.Backup);
        EXPECT_TRUE(s.VerifyDownload);
        EXPECT_TRUE(s.VerifyUpload);
        EXPECT_EQ(s.Language, "US");
        EXPECT_EQ(s.MonitorFont, "Tahoma");
        EXPECT_THAT(s.MessageGrid, ElementsAre(32, 64, 200, 100, 64, 64, 64, 64, 64));
        EXPECT_EQ(s.BatteryGrid.size(), 8u);
        EXPECT_EQ(s.Window.Width, 710);
        EXPECT_EQ(s.Window.Left, 190);
        EXPECT_EQ(s.ActiveHeight, 125);
        TUserTitles titles;
        ReadUserTitles(ini, texts_, titles);
        EXPECT_EQ(titles[0], "User ID");
        EXPECT_EQ(titles[4], "User 4");
    }
    EXPECT_TRUE(FolderEntries().empty());  // reading alone never creates the file
}

TEST_F(SettingsTest, SaveWritesEveryKeyInOrderAndLoadReadsItBack) {
    TSettings s;
    s.Connection.ConnectionType = TConnectionSettings::Tcp;
    s.Connection.IPAddress = "10.0.0.7";
    s.Connection.ComSpeed = 19200;
    s.HistoryLength = 500;
    s.Language = "DE";
    s.Welcome = false;
    s.OpenDataPath = "/home/u/a b.rvl";
    s.FileSorts.multi.column = 4;
    s.PageControl = 3;
    s.ActiveHeight = 140;
    s.UserTitles = {"User ID", "Name", "User 2", "User 3", "Room"};
    s.MessageGrid[2] = 250;
    s.Window = {800, 600, 10, 20, TWindowSettings::Normal};
    s.LastMonitorFile = "/m.mon";
    s.ExportEncoding = "Windows-1252";
    s.Operator = "Eve";
    {
        TIniFile ini(dir_ + "/sub/folder/RavlinProj.ini");  // folders are created
        s.Save(ini, texts_, "/data/x.rvl");
        EXPECT_FALSE(ini.Modified());  // Save flushes
    }
    TIniFile ini(dir_ + "/sub/folder/RavlinProj.ini");
    EXPECT_THAT(
        ini.ReadSectionKeys("Setup"),
        ElementsAre("ConnectionType", "IPAddress", "IPPort", "ComNumber", "ComSpeed", "DumpRead",
                    "BatteryMonitorLevel", "BatteryMonitorSortCol", "BatteryMonitorSortUp",
                    "HistoryMonitorLevel", "HistoryLength", "Language", "MonitorFont", "Welcome",
                    "Backup", "VerifyDownload", "VerifyUpload", "FindLast", "Beep", "SoundCard",
                    "SoundSpeaker", "Download", "Online", "Monitor", "OpenDataFile",
                    "OpenMonitorFile", "OpenDataPath", "OpenMonitorPath", "SortColSingle",
                    "SortColMulti", "SortUpSingle", "SortUpMulti", "MonitorSortCol",
                    "MonitorSortUp", "PageControl", "User1", "User4", "LastFile", "LastMonitorFile",
                    "LastHeardColumn", "ExportEncoding", "ReconnectFirst", "ReconnectMax"));
    EXPECT_THAT(ini.ReadSectionKeys("Monitor"),
                ElementsAre("Operator", "TroubleColor", "TroubleSound", "TroubleSoundFile",
                            "AlarmLogMegabytes"));
    EXPECT_THAT(ini.ReadSectionKeys("ActiveGrid"),
                ElementsAre("Height", "Col1", "Col2", "Col3", "Col4", "Col5", "Col6", "Col7",
                            "Col8", "Col9"));
    EXPECT_THAT(ini.ReadSectionKeys("Window"),
                ElementsAre("Width", "Height", "Top", "Left", "State"));

    TSettings r;
    r.Load(ini);
    ReadUserTitles(ini, texts_, r.UserTitles);
    EXPECT_EQ(r.Connection.ConnectionText(), "IP 10.0.0.7:10001");
    EXPECT_EQ(r.Connection.ComSpeed, 19200);
    EXPECT_EQ(r.HistoryLength, 500);
    EXPECT_EQ(r.Language, "DE");
    EXPECT_FALSE(r.Welcome);
    EXPECT_EQ(r.OpenDataPath, "/home/u/a b.rvl");
    EXPECT_EQ(r.FileSorts.multi.column, 4);
    EXPECT_EQ(r.PageControl, 3);
    EXPECT_EQ(r.ActiveHeight, 140);
    EXPECT_EQ(r.UserTitles, s.UserTitles);
    EXPECT_EQ(r.MessageGrid, s.MessageGrid);
    EXPECT_EQ(r.Window.Width, 800);
    EXPECT_EQ(r.Window.Left, 20);
    EXPECT_EQ(r.LastFile, "/data/x.rvl");
    EXPECT_EQ(r.LastMonitorFile, "/m.mon");
    EXPECT_EQ(r.ExportEncoding, "Windows-1252");
    EXPECT_EQ(ini.ReadString("Monitor", "Operator", ""), "Eve");
    EXPECT_EQ(r.Operator, "Eve");
    EXPECT_EQ(TSettings().ExportEncoding, "UTF-8");
}

TEST_F(SettingsTest, SavingRulesForTitlesLastFileAndGeometry) {
    Write(
        "[Setup]\r\nUser1=Name\r\nLastFile=/old.rvl\r\n[Window]\r\nWidth=900\r\nHeight=700\r\n"
        "Top=1\r\nLeft=2\r\nState=0\r\n");
    TIniFile ini(path_);
    TSettings s;
    s.Load(ini);
    ReadUserTitles(ini, texts_, s.UserTitles);
    EXPECT_EQ(s.UserTitles[1], "Name");

    // Title changed back to its default; no document name; exit while maximized.
    s.UserTitles[1] = "User 1";
    s.Window = {1920, 1080, 0, 0, TWindowSettings::Maximized};
    s.Save(ini, texts_, "");
    EXPECT_FALSE(ini.ValueExists("Setup", "User1"));
    EXPECT_EQ(ini.ReadString("Setup", "LastFile", ""), "/old.rvl");
    EXPECT_EQ(ini.ReadInteger("Window", "Width", 0), 900);
    EXPECT_EQ(ini.ReadInteger("Window", "Left", 0), 2);
    EXPECT_EQ(ini.ReadInteger("Window", "State", 0), 1);
    EXPECT_EQ(ini.ReadString("Setup", "LastMonitorFile", "x"), "");  // always written

    // The next start shows the default of the language then in force.
    SetText(texts_, Text::User1Title, "Benutzer 1");
    TIniFile again(path_);
    ReadUserTitles(again, texts_, s.UserTitles);
    EXPECT_EQ(s.UserTitles[1], "Benutzer 1");
}

TEST_F(SettingsTest, HandEditedValuesAndOutOfRangeValues) {
    Write(
        "[setup]\r\nDumpRead=1\r\nLANGUAGE = DE \r\nWelcome=7\r\nBackup=no\r\n"
        "ComSpeed=12x\r\nComNumber=-3\r\nHistoryLength=0\r\nBatteryMonitorLevel=9\r\n"
        "PageControl=2\r\n[Window]\r\nState=7\r\n[MessageGrid]\r\nCol3=-5\r\nCol4=77\r\n");
    TIniFile ini(path_);
    TSettings s;
    s.Load(ini);
    EXPECT_TRUE(s.Connection.DumpRead);
    EXPECT_EQ(s.Language, "DE");
    EXPECT_TRUE(s.Welcome);  // any integer other than 0
    EXPECT_TRUE(s.Backup);   // not an integer: default
    EXPECT_EQ(s.Connection.ComSpeed, 9600);
    EXPECT_EQ(s.Connection.ComNumber, 1);
    EXPECT_EQ(s.HistoryLength, 100);
    EXPECT_EQ(s.BatteryMonitorLevel, 3);
    EXPECT_EQ(s.PageControl, 2);
    EXPECT_EQ(s.Window.State, TWindowSettings::Normal);
    EXPECT_EQ(s.MessageGrid[2], 200);
    EXPECT_EQ(s.MessageGrid[3], 77);

    // A hand-entered DumpRead survives a save.
    s.Save(ini, texts_, "");
    TIniFile again(path_);
    EXPECT_TRUE(again.ReadBool("Setup", "DumpRead", false));
}

// Connection and window placement values outside what the set-up and a desktop can hold
// read as their defaults; values inside stay.
TEST_F(SettingsTest, ConnectionAndPlacementKeysHaveRanges) {
    Write(
        "[Setup]\r\nComSpeed=-5\r\nComNumber=0\r\n[Window]\r\nLeft=2147483600\r\n"
        "Top=-2147483000\r\nWidth=0\r\nHeight=99999999\r\n");
    TIniFile ini(path_);
    TSettings s;
    s.Load(ini);
    EXPECT_EQ(s.Connection.ComSpeed, 9600);
    EXPECT_EQ(s.Connection.ComNumber, 1);
    EXPECT_EQ(s.Window.Left, 190);
    EXPECT_EQ(s.Window.Top, 150);
    EXPECT_EQ(s.Window.Width, 710);
    EXPECT_EQ(s.Window.Height, 550);

    Write(
        "[Setup]\r\nComSpeed=115200\r\nComNumber=40\r\n[Window]\r\nLeft=-1900\r\n"
        "Top=-20\r\nWidth=2560\r\nHeight=1400\r\n");
    TIniFile edited(path_);
    s.Load(edited);
    EXPECT_EQ(s.Connection.ComSpeed, 115200);
    EXPECT_EQ(s.Connection.ComNumber, 40);
    EXPECT_EQ(s.Window.Left, -1900);
    EXPECT_EQ(s.Window.Top, -20);
    EXPECT_EQ(s.Window.Width, 2560);
    EXPECT_EQ(s.Window.Height, 1400);
}

TEST_F(SettingsTest, ReadersFollowThePlatformRules) {
    Write(
        "top=level\r\n[Grid_Config]\r\nUser_Single=12,7,8,9,10,11,0,1,2,3,4,5,6,15,\r\n"
        "; comment=1\r\n[Setup]\r\nA=1\r\na=2\r\nN= 42 \r\nBig=99999999999\r\nNeg=-4\r\n"
        "Empty=\r\nSign=+\r\n[Setup]\r\nB=3\r\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("grid_config", "USER_SINGLE", ""), "12,7,8,9,10,11,0,1,2,3,4,5,6,15,");
    EXPECT_FALSE(ini.ValueExists("Grid_Config", "; comment"));
    EXPECT_EQ(ini.ReadString("", "top", "none"), "none");  // outside any section
    EXPECT_EQ(ini.ReadInteger("Setup", "A", 0), 1);        // first of equal keys
    EXPECT_EQ(ini.ReadInteger("Setup", "N", 0), 42);
    EXPECT_EQ(ini.ReadInteger("Setup", "Big", 5), 5);
    EXPECT_EQ(ini.ReadInteger("Setup", "Neg", 5), -4);
    EXPECT_EQ(ini.ReadInteger("Setup", "Empty", 5), 5);
    EXPECT_EQ(ini.ReadString("Setup", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadInteger("Setup", "Sign", 5), 5);
    EXPECT_FALSE(ini.ReadBool("Setup", "Missing", false));
    EXPECT_EQ(ini.ReadString("Setup", "B", "d"), "d");  // second section of the same name
    EXPECT_THAT(ini.ReadSectionKeys("SETUP"),
                ElementsAre("A", "a", "N", "Big", "Neg", "Empty", "Sign"));
}

TEST_F(SettingsTest, RewritingKeepsEverythingElseByteForByte) {
    const std::string original =
        "; Ravlin settings\r\n[Other]\r\nx = keep  me \r\n\r\n[Setup]\r\nLanguage=US\r\n"
        "User1=Name\r\n\r\n[Grid_Config]\r\nUser_Multi=1,2,x,\r\n";
    Write(original);
    {
        TIniFile ini(path_);
        ini.WriteString("SETUP", "language", "DE");   // replaced in place, spelling kept
        ini.WriteInteger("Setup", "ComSpeed", 4800);  // added to its section
        ini.DeleteKey("Setup", "User1");
        ini.WriteString("New", "Key", "line\r\nbreak");
    }  // the destructor flushes
    EXPECT_EQ(Read(),
              "; Ravlin settings\r\n[Other]\r\nx = keep  me \r\n\r\n[Setup]\r\nLanguage=DE\r\n"
              "ComSpeed=4800\r\n\r\n[Grid_Config]\r\nUser_Multi=1,2,x,\r\n[New]\r\n"
              "Key=line  break\r\n");
    EXPECT_THAT(FolderEntries(), ElementsAre("RavlinProj.ini"));  // no temporary left
}

TEST_F(SettingsTest, BareLineFeedsAndMissingFinalLineEndAreKept) {
    Write("[Setup]\nA=1\n[Window]\nState=0");
    {
        TIniFile ini(path_);
        ini.WriteInteger("Window", "Width", 3);
        ini.WriteInteger("Setup", "B", 2);
    }
    EXPECT_EQ(Read(), "[Setup]\nA=1\nB=2\n[Window]\nState=0\nWidth=3\n");

    Write("[Setup]\r\nA=1\r\nB=2");
    {
        TIniFile ini(path_);
        ini.DeleteKey("Setup", "B");
    }
    EXPECT_EQ(Read(), "[Setup]\r\nA=1");
}

TEST_F(SettingsTest, ByteOrderMarkDoesNotHideTheFirstSection) {
    Write("\xEF\xBB\xBF[Setup]\r\nLanguage=DE\r\n");
    {
        TIniFile ini(path_);
        EXPECT_EQ(ReadLanguage(ini), "DE");
        ini.WriteString("Setup", "Language", "US");
    }
    EXPECT_EQ(Read(), "\xEF\xBB\xBF[Setup]\r\nLanguage=US\r\n");
}

TEST_F(SettingsTest, UnwritableOrUnreadableFileFailsSilently) {
    // The settings folder's place is taken by a file: nothing can be created.
    std::ofstream(dir_ + "/blocker") << "x";
    {
        TIniFile ini(dir_ + "/blocker/RavlinProj.ini");
        TSettings s;
        s.Load(ini);
        EXPECT_EQ(s.Language, "US");
        s.Save(ini, texts_, "/a.rvl");
        EXPECT_FALSE(ini.UpdateFile());
    }
    // A folder where the file should be: defaults, and it is never replaced.
    ::mkdir(path_.c_str(), 0755);
    {
        TIniFile ini(path_);
        EXPECT_EQ(ini.ReadString("Setup", "Language", "US"), "US");
        ini.WriteString("Setup", "Language", "DE");
        EXPECT_FALSE(ini.UpdateFile());
    }
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_TRUE(TIniFile("").ReadSectionKeys("Setup").empty());
}

TEST_F(SettingsTest, ProgramsSharingTheFileChangeOnlyTheirOwnKeys) {
    // The window read the file at its start; an installer's command line changes the
    // connection and a title meanwhile, a hand adds a section; the window then saves.
    Write("[Setup]\r\nConnectionType=0\r\nComNumber=1\r\nBackup=1\r\nUser1=Old\r\n");
    TIniFile window(path_);
    TSettings s;
    s.Load(window);
    ReadUserTitles(window, texts_, s.UserTitles);
    {
        TIniFile installer(path_);
        installer.WriteInteger("Setup", "ConnectionType", 1);
        installer.WriteString("Setup", "IPAddress", "203.0.113.9");
        installer.WriteString("Setup", "User1", "Changed");
        installer.DeleteKey("Setup", "ComNumber");
        ASSERT_TRUE(installer.UpdateFile());
    }
    std::ofstream(path_, std::ios::app) << "[Ports]\r\nCOM7=/dev/ttyUSB3\r\n";
    s.Backup = false;  // the one change the window made
    ASSERT_TRUE(s.Save(window, texts_, ""));
    TIniFile now(path_);
    EXPECT_EQ(now.ReadInteger("Setup", "ConnectionType", -1), 1);
    EXPECT_EQ(now.ReadString("Setup", "IPAddress", ""), "203.0.113.9");
    EXPECT_EQ(now.ReadString("Setup", "User1", ""), "Changed");
    EXPECT_FALSE(now.ValueExists("Setup", "ComNumber"));  // deleted there, not written back
    EXPECT_EQ(now.ReadString("Ports", "COM7", ""), "/dev/ttyUSB3");
    EXPECT_FALSE(now.ReadBool("Setup", "Backup", true));
    // A key neither changed nor in the file is filled in; the window's copy is the file's.
    EXPECT_EQ(now.ReadString("Setup", "Language", ""), "US");
    EXPECT_EQ(window.Content(), now.Content());
    // Saving again with nothing changed writes nothing.
    ASSERT_TRUE(s.Save(window, texts_, ""));
    EXPECT_EQ(Read(), now.Content());
}

TEST_F(SettingsTest, ReplacingKeepsTheFileMode) {
    Write("[Setup]\r\n");
    ::chmod(path_.c_str(), 0600);
    TIniFile ini(path_);
    ini.WriteBool("Setup", "Beep", true);
    ASSERT_TRUE(ini.UpdateFile());
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Read(), "[Setup]\r\nBeep=1\r\n");
}

}  // namespace
}  // namespace ravlin
