// The application set-up without its window: what confirming it does to the settings,
// the settings file, the history and the language; the start-up language fallback; the
// recent-files list.

#include <gtest/gtest.h>

#include "../records/RecordTestUtil.h"
#include "RecordingUi.h"
#include "app/AppSetup.h"
#include "app/Bootstrap.h"
#include "app/Core.h"
#include "app/RecentFiles.h"
#include "base/IniFile.h"
#include "online/History.h"

namespace ravlin {
namespace {

class AppSetupTest : public ::testing::Test {
  protected:
    test::TTempDir dir;
    test::TRecordingUi ui;
    std::unique_ptr<TCore> core;

    void Start(const std::string& ini, const std::string& dataDir = test::DeliveredDataDir()) {
        test::WriteText(dir.File("RavlinProj.ini"), ini);
        core =
            std::make_unique<TCore>(TFolders{dataDir, dir.path(), dir.File("RavlinProj.ini")}, ui);
        ASSERT_TRUE(Bootstrap(*core));
    }

    std::string Ini() const { return test::ReadText(dir.File("RavlinProj.ini")); }

    void WriteHistory(int records) {
        THistory h(core->folders.HomeFile(THistory::kFileName), core->texts(), ui);
        for (int i = 0; i < records; ++i) {
            THistoryRec r;
            r.Serial = std::to_string(1000000 + i);
            r.Button = "1";
            r.Time = kNoTime;
            r.TimeText = "x";
            h.EditItems().push_back(r);
        }
        ASSERT_TRUE(h.Save());
    }

    size_t HistoryCount() {
        THistory h(core->folders.HomeFile(THistory::kFileName), core->texts(), ui);
        h.Load();
        return h.Items().size();
    }
};

TEST_F(AppSetupTest, AFailedStartLanguageIsNotWhatIsSaved) {
    Start("[Setup]\r\nLanguage=XX\r\n");
    EXPECT_EQ(core->language.Code(), "US");
    EXPECT_EQ(ui.messages.size(), 1u);  // the fallback's message, once
    EXPECT_EQ(core->settings.Language, "US");
    core->settings.Save(core->ini, core->texts(), "");
    EXPECT_NE(Ini().find("Language=US\r\n"), std::string::npos) << Ini();
    EXPECT_EQ(Ini().find("Language=XX"), std::string::npos);

    // The next start finds US and says nothing.
    ui.messages.clear();
    TCore again(TFolders{test::DeliveredDataDir(), dir.path(), dir.File("RavlinProj.ini")}, ui);
    ASSERT_TRUE(Bootstrap(again));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AppSetupTest, ConfirmedValuesReachTheSettingsFileAndTheLanguage) {
    Start("[Setup]\r\nLanguage=US\r\nBackup=1\r\n");
    const TAppSetupValues before = ReadAppSetup(core->AppSetupContext());
    EXPECT_EQ(before.language, "US");
    EXPECT_TRUE(before.backup);
    const std::string usTitle1 = TextAt(core->language.Texts(), Text::User1Title);

    TAppSetupValues after = before;
    after.language = "DE";
    after.backup = false;
    after.sound = TSoundOutput::Off;
    after.beep = true;
    after.historyLevel = 1;
    after.batteryLevel = 4;
    after.titles[2] = "Room";
    after.welcome = false;
    after.download = true;
    const TAppSetupResult r = ApplyAppSetup(core->AppSetupContext(), before, after);
    EXPECT_TRUE(r.languageChanged);
    EXPECT_FALSE(r.languageFailed);
    EXPECT_EQ(core->language.Code(), "DE");
    EXPECT_EQ(core->settings.Language, "DE");
    EXPECT_EQ(core->functionTable.FileName(), "RxFncDE.def");
    // A default title follows the language; a typed one stays.
    EXPECT_NE(core->settings.UserTitles[1], usTitle1);
    EXPECT_EQ(core->settings.UserTitles[1], TextAt(core->language.Texts(), Text::User1Title));
    EXPECT_EQ(core->settings.UserTitles[2], "Room");

    const std::string ini = Ini();
    for (const char* line :
         {"Language=DE\r\n", "Backup=0\r\n", "SoundCard=0\r\n", "SoundSpeaker=0\r\n", "Beep=1\r\n",
          "HistoryMonitorLevel=1\r\n", "BatteryMonitorLevel=4\r\n", "User2=Room\r\n",
          "Welcome=0\r\n", "Download=1\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
    EXPECT_EQ(ini.find("User1="), std::string::npos) << "a default title is not stored";

    // What the window shows next time is what was confirmed.
    const TAppSetupValues shown = ReadAppSetup(core->AppSetupContext());
    EXPECT_EQ(shown.language, "DE");
    EXPECT_FALSE(shown.backup);
    EXPECT_EQ(shown.sound, TSoundOutput::Off);
    EXPECT_EQ(shown.batteryLevel, 4);
}

TEST_F(AppSetupTest, ALanguageThatCannotBeLoadedKeepsThePreviousOne) {
    // A data folder whose DE file is broken.
    test::TTempDir data;
    for (const char* f : {"US.lng", "Rx.def", "Tx.def", "RxFncUS.def", "RxFncDE.def"})
        test::WriteText(data.File(f), test::ReadText(test::DeliveredDataDir() + "/" + f));
    test::WriteText(data.File("DE.lng"), "not a language file\r\n");
    Start("[Setup]\r\nLanguage=US\r\n", data.path());
    const TAppSetupValues before = ReadAppSetup(core->AppSetupContext());
    TAppSetupValues after = before;
    after.language = "DE";
    after.beep = true;
    const TAppSetupResult r = ApplyAppSetup(core->AppSetupContext(), before, after);
    EXPECT_TRUE(r.languageFailed);
    EXPECT_FALSE(r.languageChanged);
    EXPECT_EQ(core->language.Code(), "US");
    EXPECT_EQ(core->settings.Language, "US");
    EXPECT_FALSE(ui.messages.empty());
    EXPECT_NE(Ini().find("Language=US\r\n"), std::string::npos);
    EXPECT_NE(Ini().find("Beep=1\r\n"), std::string::npos) << "the other values are kept";
}

TEST_F(AppSetupTest, HistoryIsTrimmedToItsLengthOrCleared) {
    Start("[Setup]\r\nLanguage=US\r\nHistoryLength=100\r\n");
    WriteHistory(7);
    ASSERT_EQ(HistoryCount(), 7u);
    TAppSetupValues before = ReadAppSetup(core->AppSetupContext());
    TAppSetupValues after = before;
    after.historyLength = 3;
    TAppSetupResult r = ApplyAppSetup(core->AppSetupContext(), before, after);
    EXPECT_TRUE(r.historyChanged);
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_NE(Ini().find("HistoryLength=3\r\n"), std::string::npos);

    // A length above the file's size changes nothing; out-of-range lengths are clamped.
    before = ReadAppSetup(core->AppSetupContext());
    after = before;
    after.historyLength = 0;
    r = ApplyAppSetup(core->AppSetupContext(), before, after);
    EXPECT_EQ(core->settings.HistoryLength, 1);
    EXPECT_EQ(HistoryCount(), 1u);

    before = ReadAppSetup(core->AppSetupContext());
    after = before;
    after.clearHistory = true;
    after.historyLength = 50;
    r = ApplyAppSetup(core->AppSetupContext(), before, after);
    EXPECT_TRUE(r.historyChanged);
    EXPECT_EQ(HistoryCount(), 0u);
    EXPECT_EQ(core->settings.HistoryLength, 50);
}

TEST_F(AppSetupTest, HidingAUserColumnStoresItsFlag) {
    Start("[Setup]\r\nLanguage=US\r\n");
    const TAppSetupValues before = ReadAppSetup(core->AppSetupContext());
    TAppSetupValues after = before;
    after.visible[3] = !before.visible[3];
    const TAppSetupResult r = ApplyAppSetup(core->AppSetupContext(), before, after);
    EXPECT_TRUE(r.columnsChanged);
    EXPECT_EQ(ReadAppSetup(core->AppSetupContext()).visible, after.visible);
    // Unchanged flags report no column change.
    const TAppSetupValues again = ReadAppSetup(core->AppSetupContext());
    EXPECT_FALSE(ApplyAppSetup(core->AppSetupContext(), again, again).columnsChanged);
}

TEST(RecentFiles, NewestFirstWithoutDoublesAndAtMostEight) {
    std::vector<std::string> list;
    for (int i = 0; i < 10; ++i) list = WithRecentFile(list, "/f" + std::to_string(i) + ".rvl");
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list.front(), "/f9.rvl");
    EXPECT_EQ(list.back(), "/f2.rvl");
    list = WithRecentFile(list, "/f5.rvl");
    EXPECT_EQ(list.size(), 8u);
    EXPECT_EQ(list[0], "/f5.rvl");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/f5.rvl"), 1);
    list = WithoutRecentFile(list, "/f9.rvl");
    EXPECT_EQ(list.size(), 7u);
    EXPECT_EQ(WithRecentFile(list, "").size(), 7u);

    test::TTempDir dir;
    {
        TIniFile ini(dir.File("r.ini"));
        ini.WriteString(kRecentFilesSection, "File9", "/stale.rvl");
        WriteRecentFiles(ini, list);
        ASSERT_TRUE(ini.UpdateFile());
    }
    const std::string text = test::ReadText(dir.File("r.ini"));
    EXPECT_EQ(text.find("/stale.rvl"), std::string::npos) << "old keys are replaced";
    TIniFile ini(dir.File("r.ini"));
    EXPECT_EQ(ReadRecentFiles(ini), list);
    // A hand-edited list with a double and an empty value.
    ini.WriteString(kRecentFilesSection, "File2", list[0]);
    ini.WriteString(kRecentFilesSection, "File3", "");
    const auto read = ReadRecentFiles(ini);
    EXPECT_EQ(std::count(read.begin(), read.end(), list[0]), 1);
    EXPECT_EQ(std::count(read.begin(), read.end(), std::string()), 0);
}

}  // namespace
}  // namespace ravlin
