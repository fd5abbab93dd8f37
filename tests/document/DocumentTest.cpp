#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RecordingUi.h"
#include "app/Core.h"
#include "document/Document.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;

// Records questions and dialogs in one sequence, so that their order is checked too.
struct TLog {
    std::vector<std::string> events;
};

// The log's entries for a question and an error with language text `id`.
std::string Asked(Text id, const std::string& how) {
    return "ask " + std::to_string(TextNumber(id)) + " " + how;
}
std::string Refused(Text id) {
    return "error " + std::to_string(TextNumber(id));
}

class TLoggingUi : public test::TRecordingUi {
  public:
    explicit TLoggingUi(TLog& log) : log_(log) {}
    TAnswer Ask(const TMessage& m, TButtons b, TAnswer d) override {
        log_.events.push_back(Asked(m.textId, std::string(b == TButtons::YesNo ? "yn" : "ync") +
                                                  (d == TAnswer::Yes  ? ""
                                                   : d == TAnswer::No ? " default no"
                                                                      : " default cancel")));
        return TRecordingUi::Ask(m, b, d);
    }
    using TRecordingUi::Ask;
    void Error(const TMessage& m) override {
        log_.events.push_back(Refused(m.textId));
        TRecordingUi::Error(m);
    }

  private:
    TLog& log_;
};

class TFakeChooser : public TFileChooser {
  public:
    explicit TFakeChooser(TLog& log) : log_(log) {}
    std::deque<std::optional<std::string>> opens, saves, types;
    std::vector<TFileDialog> dialogs;

    std::optional<std::string> OpenFile(const TFileDialog& d) override {
        log_.events.push_back("open dialog");
        dialogs.push_back(d);
        return Next(opens);
    }
    std::optional<std::string> SaveFile(const TFileDialog& d) override {
        log_.events.push_back("save dialog");
        dialogs.push_back(d);
        return Next(saves);
    }
    std::optional<std::string> ChooseReceiverType(const std::string& rxDefPath) override {
        log_.events.push_back("new dialog " + fs::path(rxDefPath).filename().string());
        return Next(types);
    }

  private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) return std::nullopt;
        auto v = q.front();
        q.pop_front();
        return v;
    }
    TLog& log_;
};

// The views and the rest of the program as the commands see them: only what the tests
// check is logged.
class TLoggingViews : public TDocumentViews, public TDocumentListener {
  public:
    explicit TLoggingViews(TLog& log) : log_(log) {}
    void RefreshViews() override { log_.events.push_back("refresh"); }
    bool FileViewVisible() override { return false; }
    void StoreFileViewWidths() override {}
    void RestoreFileViewWidths() override {}
    void ShowFileView() override { log_.events.push_back("show file view"); }
    void ShowMemoryView() override { log_.events.push_back("show memory view"); }
    void UserInfoChanged() override {}
    void SaveAllOthers() override {}
    void StateChanged() override {}

  private:
    TLog& log_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class DocumentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-doc-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        TFolders folders;
        folders.dataDir = RAVLIN_TEST_DATA_DIR;
        folders.homeDir = dir_;
        folders.settingsFile = dir_ + "/RavlinProj.ini";
        core_ = std::make_unique<TCore>(folders, ui_);
        ASSERT_TRUE(core_->language.LoadLanguage("US"));
        core_->functionTable.SetFileName(core_->language.FunctionTableFile());
        doc_ = std::make_unique<TDocument>(core_->DocumentContext(), chooser_, views_, views_);
    }
    void TearDown() override {
        doc_.reset();
        core_.reset();
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }

    // A KV2R data file of three positions: 1 and 3 used, 2 empty.
    std::string WriteDataFile(const std::string& name, const std::string& user1, int userId = 0,
                              const std::string& serial1 = "12345") {
        std::string path = dir_ + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out << "KV2R\r\n3\r\n"
            << "011" << serial1 << "03000000" << std::string(16, '0') << "0121111101000000"
            << "\r\n";
        out << "1   " << userId << "#" << user1 << "####\r\nx0 -\r\n";
        out << "2   0#####\r\nx0 -\r\n";
        out << "3   0#Third####\r\nB1 Hand\r\n";
        return path;
    }

    TAppState& state() { return core_->state; }
    const TData& rec(int position) { return core_->table.at(position - 1); }

    std::string dir_;
    TLog log_;
    TLoggingUi ui_{log_};
    TFakeChooser chooser_{log_};
    TLoggingViews views_{log_};
    std::unique_ptr<TCore> core_;
    std::unique_ptr<TDocument> doc_;
};

TEST_F(DocumentTest, NewAsksForTheTypeWhenLoggedOut) {
    chooser_.types = {std::nullopt};
    EXPECT_FALSE(doc_->New());
    EXPECT_FALSE(state().DocumentOpen);
    EXPECT_EQ(log_.events, (std::vector<std::string>{"new dialog Rx.def"}));

    log_.events.clear();
    chooser_.types = {std::string("KV4R")};
    EXPECT_TRUE(doc_->New());
    EXPECT_EQ(log_.events,
              (std::vector<std::string>{"new dialog Rx.def", "refresh", "show file view"}));
    EXPECT_TRUE(state().DocumentOpen);
    EXPECT_TRUE(state().Saved);
    EXPECT_FALSE(state().MemoryModified);
    EXPECT_EQ(core_->device.Name, "KV4R");
    ASSERT_EQ(core_->table.size(), 500u);
    for (const TData& r : core_->table) EXPECT_TRUE(r.Empty);
}

TEST_F(DocumentTest, SaveAllAsksForANameOnceThenSavesInPlace) {
    chooser_.types = {std::string("KV2R")};
    ASSERT_TRUE(doc_->New());
    core_->table[0] = core_->table[1];  // a used record at position 1
    core_->table[0].Position = 1;
    core_->table[0].Empty = false;
    core_->table[0].Serial = "00ABC";
    state().Saved = false;
    log_.events.clear();
    chooser_.saves = {dir_ + "/first"};
    EXPECT_TRUE(doc_->SaveAll());
    EXPECT_EQ(log_.events, (std::vector<std::string>{"save dialog", "refresh"}));
    const TFileDialog& d = chooser_.dialogs.back();
    EXPECT_EQ(d.filter, "Ravlin files (*.rvl)|*.rvl|All files (*.*)|*.*");
    EXPECT_EQ(d.defaultExtension, "rvl");
    EXPECT_TRUE(d.confirmOverwrite);
    EXPECT_EQ(d.fileName, "");
    EXPECT_EQ(state().FileName, dir_ + "/first.rvl");
    EXPECT_TRUE(state().Saved);
    EXPECT_EQ(ReadFile(dir_ + "/first.rvl").substr(0, 10), "KV2R\r\n250\r");

    // A second Save all writes the same file without a dialog.
    state().Saved = false;
    core_->table[0].UserID = 77;
    log_.events.clear();
    EXPECT_TRUE(doc_->SaveAll());
    EXPECT_EQ(log_.events, (std::vector<std::string>{"refresh"}));
    EXPECT_NE(ReadFile(dir_ + "/first.rvl").find("1   77#"), std::string::npos);

    // Save as: the current name is offered; a cancelled dialog leaves saved false.
    log_.events.clear();
    EXPECT_FALSE(doc_->SaveAs());
    EXPECT_EQ(chooser_.dialogs.back().fileName, dir_ + "/first.rvl");
    EXPECT_FALSE(state().Saved);
    EXPECT_EQ(state().FileName, dir_ + "/first.rvl");
}

TEST_F(DocumentTest, OpenAsksFirstAndKeepsTheNameOfARefusedFile) {
    std::string good = WriteDataFile("good.rvl", "Gate", 5);
    std::string bad = dir_ + "/bad.rvl";
    std::ofstream(bad) << "NOSUCHTYPE\r\n1\r\n";

    chooser_.opens = {good};
    ASSERT_TRUE(doc_->Open());
    EXPECT_EQ(state().FileName, good);
    EXPECT_TRUE(state().DocumentOpen);
    EXPECT_TRUE(state().Saved);
    EXPECT_TRUE(state().MemoryModified);
    ASSERT_EQ(core_->table.size(), 3u);
    EXPECT_EQ(rec(1).User1, "Gate");
    EXPECT_EQ(rec(1).UserID, 5);
    EXPECT_EQ(rec(3).TxType, "Hand");

    // Unsaved: the question comes first; Cancel stops before the dialog.
    state().Saved = false;
    log_.events.clear();
    ui_.answers = {TAnswer::Cancel};
    EXPECT_FALSE(doc_->Open());
    EXPECT_EQ(log_.events, (std::vector<std::string>{Asked(Text::SaveBeforeOpen, "ync")}));

    // No: the dialog; the refused file leaves name, records and state as they were.
    log_.events.clear();
    ui_.answers = {TAnswer::No};
    chooser_.opens = {bad};
    EXPECT_FALSE(doc_->Open());
    EXPECT_EQ(log_.events, (std::vector<std::string>{Asked(Text::SaveBeforeOpen, "ync"),
                                                     "open dialog", Refused(Text::UnknownType)}));
    EXPECT_EQ(state().FileName, good);
    EXPECT_FALSE(state().Saved);
    EXPECT_EQ(rec(1).User1, "Gate");
    EXPECT_EQ(chooser_.dialogs.back().initialDir, "");

    // A later Save all writes the document's own file, never the refused one.
    log_.events.clear();
    EXPECT_TRUE(doc_->SaveAll()) << testing::PrintToString(ui_.Texts());
    EXPECT_EQ(ReadFile(bad), "NOSUCHTYPE\r\n1\r\n");
    EXPECT_TRUE(state().Saved);
}

TEST_F(DocumentTest, YesSavesFirstAndAFailedSaveStopsTheCommand) {
    chooser_.types = {std::string("KV2R")};
    ASSERT_TRUE(doc_->New());
    state().Saved = false;
    log_.events.clear();
    // Yes, then the Save-as dialog is cancelled: the document is not replaced.
    ui_.answers = {TAnswer::Yes};
    chooser_.saves = {std::nullopt};
    EXPECT_FALSE(doc_->New());
    EXPECT_EQ(log_.events,
              (std::vector<std::string>{Asked(Text::SaveChanges, "ync"), "save dialog"}));
    EXPECT_TRUE(state().DocumentOpen);
    EXPECT_FALSE(state().Saved);

    // Yes with a name chosen: saved, then the new document.
    log_.events.clear();
    ui_.answers = {TAnswer::Yes};
    chooser_.saves = {dir_ + "/kept.rvl"};
    chooser_.types = {std::string("KV4R")};
    EXPECT_TRUE(doc_->New());
    EXPECT_EQ(log_.events,
              (std::vector<std::string>{Asked(Text::SaveChanges, "ync"), "save dialog", "refresh",
                                        "new dialog Rx.def", "refresh", "show file view"}));
    EXPECT_TRUE(fs::exists(dir_ + "/kept.rvl"));
    // New with a document open: a fresh document without a file.
    EXPECT_EQ(state().FileName, "");
    EXPECT_TRUE(state().Saved);
    EXPECT_TRUE(state().MemoryModified);
    EXPECT_EQ(core_->device.Name, "KV4R");
}

TEST_F(DocumentTest, CloseKeepsRecordsAndSavedState) {
    chooser_.opens = {WriteDataFile("a.rvl", "Gate")};
    ASSERT_TRUE(doc_->Open());
    state().Saved = false;
    log_.events.clear();
    ui_.answers = {TAnswer::No};
    EXPECT_TRUE(doc_->Close());
    EXPECT_EQ(log_.events, (std::vector<std::string>{Asked(Text::SaveChanges, "ync"), "refresh",
                                                     "show memory view"}));
    EXPECT_FALSE(state().DocumentOpen);
    EXPECT_EQ(state().FileName, "");
    EXPECT_FALSE(state().Saved);
    EXPECT_EQ(rec(1).User1, "Gate");

    // New while logged out: no question (no document), a document still unsaved.
    log_.events.clear();
    chooser_.types = {std::string("KV2R")};
    EXPECT_TRUE(doc_->New());
    EXPECT_EQ(log_.events.front(), "new dialog Rx.def");
    EXPECT_TRUE(state().DocumentOpen);
    EXPECT_FALSE(state().Saved);
}

TEST_F(DocumentTest, OpenBackupMergesTheDocumentsUserInformation) {
    std::string docFile = WriteDataFile("doc.rvl", "Gate", 9);
    fs::create_directories(core_->folders.BackupDir());
    std::string backup = core_->folders.BackupDir() + "/KV2R_080315_142530.rvl";
    fs::copy_file(WriteDataFile("tmp.rvl", "", 0), backup);
    chooser_.opens = {docFile, backup};
    ASSERT_TRUE(doc_->Open());
    log_.events.clear();
    EXPECT_TRUE(doc_->OpenBackup());
    EXPECT_EQ(chooser_.dialogs.back().initialDir, core_->folders.BackupDir());
    EXPECT_EQ(log_.events, (std::vector<std::string>{"open dialog", "refresh", "show file view"}));
    EXPECT_EQ(state().FileName, docFile);
    EXPECT_FALSE(state().Saved);
    EXPECT_TRUE(state().MemoryModified);
    EXPECT_EQ(rec(1).User1, "Gate");  // from the document's file
    EXPECT_EQ(rec(1).UserID, 9);

    // Without a file name the backup comes without merging.
    ASSERT_TRUE(doc_->Close() || true);
    state().Saved = true;
    state().FileName.clear();
    chooser_.opens = {backup};
    EXPECT_TRUE(doc_->OpenBackup());
    EXPECT_EQ(rec(1).User1, "");
    EXPECT_EQ(state().FileName, "");
}

TEST_F(DocumentTest, ImportCommentsOnlyOnYes) {
    chooser_.opens = {WriteDataFile("a.rvl", "")};
    ASSERT_TRUE(doc_->Open());
    std::string other = WriteDataFile("b.rvl", "FromB", 3);
    log_.events.clear();
    EXPECT_FALSE(doc_->ImportComments());  // the default answer No
    // No is the question's default button: confirming it imports nothing.
    EXPECT_EQ(log_.events,
              (std::vector<std::string>{Asked(Text::ImportComments, "yn default no")}));
    EXPECT_EQ(ui_.DefaultOf(Text::ImportComments), TAnswer::No);
    EXPECT_TRUE(ui_.badDefaults.empty());
    EXPECT_EQ(rec(1).User1, "");

    log_.events.clear();
    ui_.answers = {TAnswer::Yes};
    chooser_.opens = {other};
    EXPECT_TRUE(doc_->ImportComments());
    EXPECT_EQ(log_.events, (std::vector<std::string>{Asked(Text::ImportComments, "yn default no"),
                                                     "open dialog", "refresh"}));
    EXPECT_EQ(rec(1).User1, "FromB");
    EXPECT_EQ(rec(1).UserID, 3);
    EXPECT_TRUE(state().Saved);  // unchanged
}

TEST_F(DocumentTest, SaveAllAfterADownloadMakesTheDocumentFromTheRecords) {
    // As after a download without a document: records in the table, nothing open.
    chooser_.opens = {WriteDataFile("a.rvl", "Gate")};
    ASSERT_TRUE(doc_->Open());
    ASSERT_TRUE(doc_->Close());
    state().Downloaded = true;
    state().Saved = false;
    log_.events.clear();
    chooser_.saves = {dir_ + "/dl.rvl"};
    EXPECT_TRUE(doc_->SaveAll());
    EXPECT_EQ(log_.events,
              (std::vector<std::string>{"refresh", "show file view", "save dialog", "refresh"}));
    EXPECT_TRUE(state().DocumentOpen);
    EXPECT_TRUE(state().Saved);
    EXPECT_EQ(state().FileName, dir_ + "/dl.rvl");
    EXPECT_NE(ReadFile(dir_ + "/dl.rvl").find("#Gate#"), std::string::npos);
}

TEST_F(DocumentTest, OpenAfterADownloadOffersToSaveTheDownloadedRecordsFirst) {
    chooser_.opens = {WriteDataFile("a.rvl", "Gate")};
    ASSERT_TRUE(doc_->Open());
    ASSERT_TRUE(doc_->Close());
    state().Downloaded = true;
    state().Saved = false;
    std::string other = WriteDataFile("b.rvl", "Other");
    log_.events.clear();
    ui_.answers = {TAnswer::Yes};
    chooser_.saves = {dir_ + "/downloaded.rvl"};
    chooser_.opens = {other};
    EXPECT_TRUE(doc_->Open());
    EXPECT_EQ(log_.events, (std::vector<std::string>{Asked(Text::SaveBeforeOpen, "ync"), "refresh",
                                                     "show file view", "save dialog", "refresh",
                                                     "open dialog", "refresh", "show file view"}));
    EXPECT_NE(ReadFile(dir_ + "/downloaded.rvl").find("#Gate#"), std::string::npos);
    EXPECT_EQ(state().FileName, other);
    EXPECT_EQ(rec(1).User1, "Other");
}

TEST_F(DocumentTest, NewWhileLoggedInReplacesTheReceiversRecords) {
    chooser_.opens = {WriteDataFile("a.rvl", "Gate")};
    ASSERT_TRUE(doc_->Open());
    // Stand-in for a login to a KV2R receiver of three positions.
    state().LoggedIn = true;
    state().MemoryModified = false;
    log_.events.clear();
    EXPECT_TRUE(doc_->New());
    EXPECT_EQ(log_.events, (std::vector<std::string>{"refresh", "show file view"}));
    EXPECT_EQ(core_->device.Name, "KV2R");
    ASSERT_EQ(core_->table.size(), 3u);
    for (const TData& r : core_->table) {
        EXPECT_TRUE(r.Empty);
        EXPECT_EQ(r.User1, "");
    }
    EXPECT_TRUE(state().MemoryModified);
    EXPECT_EQ(state().FileName, "");

    // Logged in without a document: the table stays, only the document opens.
    ASSERT_TRUE(doc_->Close());
    core_->table[0].User1 = "Kept";
    EXPECT_TRUE(doc_->New());
    EXPECT_EQ(rec(1).User1, "Kept");
}

TEST_F(DocumentTest, ExitQuestion) {
    chooser_.opens = {WriteDataFile("a.rvl", "Gate")};
    ASSERT_TRUE(doc_->Open());
    EXPECT_TRUE(doc_->CloseQuery());  // saved: nothing asked
    state().Saved = false;
    log_.events.clear();
    ui_.answers = {TAnswer::Cancel, TAnswer::No};
    EXPECT_FALSE(doc_->CloseQuery());
    EXPECT_TRUE(doc_->CloseQuery());
    EXPECT_EQ(log_.events, (std::vector<std::string>{Asked(Text::SaveChanges, "ync"),
                                                     Asked(Text::SaveChanges, "ync")}));

    // Yes without a file name and the dialog cancelled: stays open.
    state().FileName.clear();
    ui_.answers = {TAnswer::Yes};
    EXPECT_FALSE(doc_->CloseQuery());
    // Yes with a file that cannot be written: stays open.
    chooser_.saves = {dir_ + "/ro/x.rvl"};
    ui_.answers = {TAnswer::Yes};
    EXPECT_FALSE(doc_->CloseQuery());
    EXPECT_EQ(ui_.Ids().back(), Text::CannotOpen);
    EXPECT_EQ(state().FileName, "");  // not the file that could not be written
    chooser_.saves = {dir_ + "/x.rvl"};
    ui_.answers = {TAnswer::Yes};
    EXPECT_TRUE(doc_->CloseQuery());
    EXPECT_TRUE(state().Saved);
}

TEST_F(DocumentTest, StartupFileIsOpenedAndMarkedSaved) {
    std::string file = WriteDataFile("start.rvl", "Gate");
    EXPECT_TRUE(doc_->OpenAtStartup(file));
    EXPECT_EQ(state().FileName, file);
    EXPECT_TRUE(state().Saved);
    EXPECT_TRUE(state().DocumentOpen);
    EXPECT_EQ(rec(1).User1, "Gate");

    TAppState before = state();
    EXPECT_FALSE(doc_->OpenAtStartup(dir_ + "/missing.rvl"));
    EXPECT_EQ(state().FileName, before.FileName);
}

TEST(DocumentNames, DefaultExtension) {
    EXPECT_EQ(WithDefaultExtension("/a/b/doc", "rvl"), "/a/b/doc.rvl");
    EXPECT_EQ(WithDefaultExtension("/a/b.d/doc", "rvl"), "/a/b.d/doc.rvl");
    EXPECT_EQ(WithDefaultExtension("/a/doc.txt", "rvl"), "/a/doc.txt");
    EXPECT_EQ(WithDefaultExtension("", "rvl"), "");
}

}  // namespace
}  // namespace ravlin
