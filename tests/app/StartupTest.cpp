#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "RecordingUi.h"
#include "app/Core.h"
#include "app/Startup.h"
#include "document/Document.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;

class TNoDialogs : public TFileChooser {
  public:
    std::optional<std::string> OpenFile(const TFileDialog&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const TFileDialog&) override { return saveAs; }
    std::optional<std::string> ChooseReceiverType(const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveAs;
};

// The windows, on-line mode and monitoring as the start-up sees them: every call is logged.
class TLoggingParts : public TStartupWindow,
                      public TStartupOnline,
                      public TStartupMonitor,
                      public TDocumentViews,
                      public TDocumentListener {
  public:
    explicit TLoggingParts(std::vector<std::string>& log) : log_(log) {}
    void ApplyWindowSettings() override { log_.push_back("layout"); }
    void StartStatus() override { log_.push_back("status"); }
    void WakeStatus() override { log_.push_back("wake"); }
    void TerminateStatus() override { log_.push_back("status end"); }
    void EnableCommCommands() override { log_.push_back("comm on"); }
    void ShowWelcome() override { log_.push_back("welcome"); }
    void Download() override { log_.push_back("download"); }
    void StoreMemoryViewWidths() override { log_.push_back("memory widths"); }
    void StoreFileViewWidths() override { log_.push_back("file widths"); }
    void LoadLogs() override { log_.push_back("logs"); }
    void StartOnline() override { log_.push_back("online"); }
    void CloseOnline() override { log_.push_back("online end"); }
    void InitMonitor() override { log_.push_back("monitor init"); }
    bool OpenMonitorFile(const std::string& f) override {
        log_.push_back("monitor file " + fs::path(f).filename().string());
        return true;
    }
    void StartMonitor() override { log_.push_back("monitoring"); }
    bool CloseQuery() override {
        ++monitorAsked;
        return monitorAnswer;
    }
    // The document's views and listener: not part of the start-up's log.
    void RefreshViews() override {}
    bool FileViewVisible() override { return false; }
    void RestoreFileViewWidths() override {}
    void ShowFileView() override {}
    void ShowMemoryView() override {}
    void UserInfoChanged() override {}
    void SaveAllOthers() override {}
    void StateChanged() override {}

    int monitorAsked = 0;
    bool monitorAnswer = true;

  private:
    std::vector<std::string>& log_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-start-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        data_ = dir_ + "/data";
        home_ = dir_ + "/home";
        fs::create_directories(data_);
        for (const char* f : {"US.lng", "Rx.def", "Tx.def", "RxFncUS.def"})
            fs::copy_file(std::string(RAVLIN_TEST_DATA_DIR) + "/" + f, data_ + "/" + f);
        ini_ = home_ + "/RavlinProj.ini";
    }
    void TearDown() override {
        startup_.reset();
        doc_.reset();
        core_.reset();
        fs::remove_all(dir_);
    }

    void WriteSettings(const std::string& setup) {
        fs::create_directories(home_);
        std::ofstream(ini_, std::ios::binary) << "[Setup]\r\n" << setup;
    }

    std::string WriteDataFile(const std::string& name) {
        std::string path = dir_ + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out << "KV2R\r\n2\r\n0111234503000000" << std::string(16, '0') << "\r\n";
        out << "1   4#Gate####\r\nx0 -\r\n2   0#####\r\nx0 -\r\n";
        return path;
    }

    // Makes the core and the start-up, with every part writing to the log.
    void Make(const std::vector<std::string>& args, const std::string& homeDir = {}) {
        TFolders folders;
        folders.dataDir = data_;
        folders.homeDir = homeDir.empty() ? home_ : homeDir;
        folders.settingsFile = ini_;
        core_ = std::make_unique<TCore>(folders, ui_);
        doc_ = std::make_unique<TDocument>(core_->DocumentContext(), chooser_, parts_, parts_);
        startup_ = std::make_unique<TStartup>(*core_, *doc_, parts_, parts_, parts_);
        startup_->Create(args);
    }

    std::string dir_, data_, home_, ini_;
    std::vector<std::string> log_;
    TLoggingParts parts_{log_};
    test::TRecordingUi ui_;
    TNoDialogs chooser_;
    std::unique_ptr<TCore> core_;
    std::unique_ptr<TDocument> doc_;
    std::unique_ptr<TStartup> startup_;
};

TEST_F(StartupTest, CommandLineFileOpensSavedWithoutWelcomeOrStartupActions) {
    std::string file = WriteDataFile("cmd.rvl");
    WriteSettings("Welcome=1\r\nDownload=1\r\nOnline=1\r\nMonitor=1\r\n");
    Make({file, "ignored"});
    EXPECT_TRUE(startup_->StartedWithFile());
    EXPECT_TRUE(fs::is_directory(home_ + "/Backup"));
    ASSERT_TRUE(startup_->FirstShow());
    EXPECT_TRUE(startup_->StartComplete());
    EXPECT_EQ(log_, (std::vector<std::string>{"layout", "status", "logs", "monitor init", "comm on",
                                              "wake"}));
    const TAppState& s = core_->state;
    EXPECT_TRUE(s.DocumentOpen);
    EXPECT_TRUE(s.Saved);
    EXPECT_EQ(s.FileName, file);
    EXPECT_EQ(core_->table.at(0).User1, "Gate");
    log_.clear();
    startup_->Activate();
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(StartupTest, WithoutAFileTheWelcomeAndTheStartupOptionsRunOnce) {
    WriteSettings("Welcome=1\r\nDownload=1\r\nOnline=0\r\nMonitor=1\r\n");
    Make({dir_ + "/no-such-file.rvl"});
    EXPECT_FALSE(startup_->StartedWithFile());
    ASSERT_TRUE(startup_->FirstShow());
    EXPECT_EQ(log_, (std::vector<std::string>{"layout", "status", "logs", "monitor init", "comm on",
                                              "welcome", "wake"}));
    EXPECT_FALSE(core_->state.DocumentOpen);
    EXPECT_EQ(core_->state.FileName, "");
    log_.clear();
    startup_->Activate();
    startup_->Activate();
    EXPECT_EQ(log_, (std::vector<std::string>{"download", "monitoring"}));
}

TEST_F(StartupTest, ConfiguredStartupFiles) {
    std::string file = WriteDataFile("conf.rvl");
    WriteSettings("Welcome=0\r\nOpenDataFile=1\r\nOpenDataPath=" + file +
                  "\r\nOpenMonitorFile=1\r\nOpenMonitorPath=" + file + "\r\n");
    Make({});
    ASSERT_TRUE(startup_->FirstShow());
    EXPECT_EQ(log_.at(5), "monitor file conf.rvl");
    EXPECT_TRUE(core_->state.DocumentOpen);
    EXPECT_TRUE(core_->state.Saved);
    EXPECT_EQ(core_->state.FileName, file);

    // A configured data file that is missing is skipped and leaves no file name behind.
    startup_.reset();
    doc_.reset();
    core_.reset();
    WriteSettings("Welcome=0\r\nOpenDataFile=1\r\nOpenDataPath=" + dir_ + "/gone.rvl\r\n");
    Make({});
    ASSERT_TRUE(startup_->FirstShow());
    EXPECT_FALSE(core_->state.DocumentOpen);
    EXPECT_EQ(core_->state.FileName, "");
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(StartupTest, MissingLanguageFallsBackToUs) {
    WriteSettings("Language=DE\r\n");
    Make({});
    ASSERT_TRUE(startup_->FirstShow());
    EXPECT_EQ(core_->language.Code(), "US");
    EXPECT_EQ(core_->functionTable.FileName(), "RxFncUS.def");

    startup_.reset();
    doc_.reset();
    core_.reset();
    fs::remove(data_ + "/US.lng");
    Make({});
    EXPECT_FALSE(startup_->FirstShow());
    EXPECT_FALSE(startup_->StartComplete());
}

TEST_F(StartupTest, MissingCatalogueFilesEndTheStartInOrderWithoutSavingSettings) {
    struct Case {
        std::vector<const char*> missing;
        std::string reported;
    };
    for (const Case& c :
         {Case{{"Tx.def"}, "Tx.def"}, Case{{"RxFncUS.def", "Tx.def"}, "RxFncUS.def"},
          Case{{"Rx.def", "RxFncUS.def"}, "Rx.def"}}) {
        SCOPED_TRACE(c.reported);
        fs::remove_all(home_);
        for (const char* f : {"Rx.def", "Tx.def", "RxFncUS.def"})
            if (!fs::exists(data_ + "/" + f))
                fs::copy_file(std::string(RAVLIN_TEST_DATA_DIR) + "/" + f, data_ + "/" + f);
        for (const char* f : c.missing) fs::remove(data_ + "/" + f);
        ui_.messages.clear();
        log_.clear();
        Make({});
        EXPECT_FALSE(startup_->FirstShow());
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].kind, test::TRecorded::Error);
        EXPECT_EQ(ui_.messages[0].message.textId, Text::CannotOpen);
        EXPECT_EQ(ui_.messages[0].message.text,
                  TextAt(core_->language.Texts(), Text::CannotOpen) + " - " + c.reported);
        EXPECT_TRUE(log_.empty());
        EXPECT_TRUE(startup_->CloseQuery());
        startup_->Close();
        startup_.reset();
        doc_.reset();
        core_.reset();
        EXPECT_FALSE(fs::exists(ini_));
    }
}

TEST_F(StartupTest, CloseQueryAsksTheDocumentThenTheMonitor) {
    Make({WriteDataFile("a.rvl")});
    ASSERT_TRUE(startup_->FirstShow());
    int& monitorAsked = parts_.monitorAsked;
    bool& monitorAnswer = parts_.monitorAnswer;
    EXPECT_TRUE(startup_->CloseQuery());  // saved: nothing asked of the document
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(monitorAsked, 1);

    core_->state.Saved = false;
    std::string before = ReadFile(core_->state.FileName);
    ui_.answers = {TAnswer::Cancel};
    EXPECT_FALSE(startup_->CloseQuery());
    EXPECT_EQ(monitorAsked, 2);  // asked even after Cancel
    EXPECT_EQ(ui_.Ids(), (std::vector<Text>{Text::SaveChanges}));
    EXPECT_EQ(ReadFile(core_->state.FileName), before);

    ui_.answers = {TAnswer::No};
    monitorAnswer = false;
    EXPECT_FALSE(startup_->CloseQuery());
    monitorAnswer = true;
    ui_.answers = {TAnswer::Yes};
    EXPECT_TRUE(startup_->CloseQuery());
    EXPECT_TRUE(core_->state.Saved);
}

TEST_F(StartupTest, CloseSavesSettingsAndWidths) {
    WriteSettings("Welcome=0\r\nLastFile=/old.rvl\r\n");
    std::string file = WriteDataFile("a.rvl");
    Make({file});
    ASSERT_TRUE(startup_->FirstShow());
    core_->settings.FileSorts.single.column = 4;
    core_->state.LoggedIn = true;
    log_.clear();
    startup_->Close();
    EXPECT_EQ(log_, (std::vector<std::string>{"online end", "memory widths", "file widths",
                                              "status end"}));
    EXPECT_FALSE(core_->state.LoggedIn);
    std::string ini = ReadFile(ini_);
    EXPECT_NE(ini.find("LastFile=" + file), std::string::npos);
    EXPECT_NE(ini.find("SortColSingle=4"), std::string::npos);

    // Without a document: LastFile keeps its value, no File view widths.
    startup_.reset();
    doc_.reset();
    core_.reset();
    Make({});
    ASSERT_TRUE(startup_->FirstShow());
    log_.clear();
    startup_->Close();
    EXPECT_EQ(log_, (std::vector<std::string>{"online end", "status end"}));
    EXPECT_NE(ReadFile(ini_).find("LastFile=" + file), std::string::npos);
}

TEST_F(StartupTest, BackupFolderThatCannotBeMadeIsReported) {
    std::string blocker = dir_ + "/file-not-folder";
    std::ofstream(blocker) << "x";
    Make({}, blocker);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].message, TMessage::Fixed("Cannot create " + blocker + "/Backup"));
    EXPECT_TRUE(startup_->FirstShow());  // start-up goes on
}

}  // namespace
}  // namespace ravlin
