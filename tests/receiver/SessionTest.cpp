// Login, download, upload and password change against the real simulator.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "RecordingUi.h"
#include "SimProcess.h"
#include "app/Bootstrap.h"
#include "app/Core.h"
#include "document/DownloadDocument.h"
#include "receiver/Session.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;
using test::TRecordingUi;
using test::TSimProcess;

class TScriptedPasswords : public TPasswordSource {
  public:
    std::deque<std::optional<std::string>> logins;
    std::deque<std::optional<TPasswordChange>> changes;
    int loginAsked = 0, changeAsked = 0;
    std::optional<std::string> AskPassword(const TDevice&) override {
        ++loginAsked;
        if (logins.empty()) return std::nullopt;
        auto v = logins.front();
        logins.pop_front();
        return v;
    }
    std::optional<TPasswordChange> AskPasswordChange(const TDevice&) override {
        ++changeAsked;
        if (changes.empty()) return std::nullopt;
        auto v = changes.front();
        changes.pop_front();
        return v;
    }
};

// On-line mode and the document's Close as scripted by a test.
class TScriptedPeer : public TOnlineSwitch, public TDocumentCloser {
  public:
    std::function<void()> leave, restart;
    std::function<bool()> close;
    void LeaveOnline() override {
        if (leave) leave();
    }
    void RestartOnline() override {
        if (restart) restart();
    }
    bool CloseDocument() override { return close ? close() : true; }
};

// Cancels the running transfer from the worker once the progress passes `at`.
class TCancellingUi : public TRecordingUi {
  public:
    TSession* session = nullptr;
    int at = -1;
    void Progress(int position, int maximum) override {
        TRecordingUi::Progress(position, maximum);
        if (at >= 0 && position >= at && session) session->Cancel();
    }
};

std::string HexOf(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-session-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        home = tmpl;
        TFolders folders;
        folders.dataDir = RAVLIN_TEST_DATA_DIR;
        folders.homeDir = home;
        folders.settingsFile = home + "/RavlinProj.ini";
        ASSERT_TRUE(folders.MakeWritable());
        core = std::make_unique<TCore>(folders, ui);
        ASSERT_TRUE(Bootstrap(*core));
        core->receiver.session.passwords = &passwords;
        ui.session = &core->receiver.session;
    }
    void TearDown() override {
        core.reset();
        sim.Stop();
        for (auto& e : fs::recursive_directory_iterator(home))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(home);
    }
    void StartSim(std::vector<std::string> args = {}, bool stream = false) {
        args.insert(args.end(), {"--data-dir", RAVLIN_TEST_DATA_DIR});
        ASSERT_TRUE(sim.Start(TSimProcess::Tcp, args));
        sim.Configure(core->receiver.link.Settings);
        core->receiver.link.Settings.DumpRead = stream;
        core->receiver.link.SetTimingForTests(200, 5);
    }
    // Fills the first `records` records of the simulator with distinct data.
    void FillRecords(int records) {
        const int start = std::stoi(sim.Peek(0x0F00, 2), nullptr, 16);
        const int bytes = records * RecordBytes();
        std::string data;
        for (int i = 0; i < bytes; ++i) {
            char b[3];
            std::snprintf(b, sizeof b, "%02X", (i * 37 + 11) & 0x7F);
            data += b;
        }
        ASSERT_EQ(sim.Control("memory " + Hex4(start) + " " + data), "ok");
    }
    int RecordBytes() const { return core->receiver.rx.Device.RecordLength() / 2; }
    static std::string Hex4(int v) {
        char b[8];
        std::snprintf(b, sizeof b, "%04X", v);
        return b;
    }
    std::vector<std::string> BackupFiles() {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(home + "/Backup")) out.push_back(e.path());
        return out;
    }

    std::string home;
    TCancellingUi ui;
    TScriptedPasswords passwords;
    TSimProcess sim;
    std::unique_ptr<TCore> core;
};

TEST_F(SessionTest, LoginWithoutPasswordShowsNoWindow) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    EXPECT_TRUE(core->state.LoggedIn);
    EXPECT_EQ(passwords.loginAsked, 0);
    EXPECT_FALSE(core->receiver.link.IsOpen());
    EXPECT_EQ(core->receiver.rx.Device.Name, "KV8M");
    EXPECT_TRUE(ui.messages.empty());
    core->receiver.session.Logout();
    EXPECT_FALSE(core->state.LoggedIn);
}

TEST_F(SessionTest, WrongPasswordIsAskedAgainAndCancelLeavesLoggedOut) {
    StartSim({"--password", "abc"});
    passwords.logins = {std::string("abd"), std::string(17, 'a'), std::nullopt};
    EXPECT_FALSE(core->receiver.session.Login());
    EXPECT_FALSE(core->state.LoggedIn);
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::WrongPassword, Text::PasswordTooLong}));
    EXPECT_FALSE(core->receiver.link.IsOpen());

    ui.messages.clear();
    passwords.logins = {std::string("abc")};
    EXPECT_TRUE(core->receiver.session.Login());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SessionTest, AnotherReceiverTypeAnsweredNoKeepsTheDocument) {
    StartSim();
    core->state.DocumentOpen = true;
    core->state.FileName = home + "/doc.rvl";
    core->device.Name = "KV1T-N";
    core->device.RecordCount = 7;
    ui.answers = {TAnswer::No};
    EXPECT_FALSE(core->receiver.session.Login());
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::CloseOtherTypeFile}));
    EXPECT_FALSE(core->state.LoggedIn);
    EXPECT_TRUE(core->state.DocumentOpen);
    EXPECT_EQ(core->device.Name, "KV1T-N");
    EXPECT_EQ(core->device.RecordCount, 7);
    EXPECT_FALSE(core->receiver.link.IsOpen());
}

TEST_F(SessionTest, DownloadDecodesWritesAReadOnlyBackupAndSetsTheState) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(5);
    ASSERT_TRUE(core->receiver.session.Download());
    const auto area = sim.RecordArea();
    ASSERT_EQ(core->receiver.rx.Image.size(), 2 * area.size());
    // Everything up to the first erased record is the receiver's; the rest reads FF.
    EXPECT_EQ(core->receiver.rx.Image.substr(0, 10 * RecordBytes()),
              HexOf(area).substr(0, 10 * RecordBytes()));
    ASSERT_EQ(static_cast<int>(core->table.size()), core->device.RecordCount);
    EXPECT_FALSE(core->table[0].Empty);
    EXPECT_TRUE(core->state.Downloaded);
    EXPECT_FALSE(core->state.Saved);
    EXPECT_FALSE(core->state.MemoryModified);
    EXPECT_FALSE(core->receiver.link.IsOpen());
    const auto backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(fs::path(backups[0]).filename().string().substr(0, 5), "KV8M_");
    struct stat st {};
    ASSERT_EQ(::stat(backups[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SessionTest, ACommandWorksOnItsJobAndCommitHandsTheResultOver) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(3);
    core->table.front().User1 = "shown";
    const TRecordTable shown = core->table;
    TSessionJob job = core->receiver.session.Begin(TSessionCommand::Download);
    ASSERT_TRUE(core->receiver.session.Run(job));
    // Until the commit the program's table, type and state are the ones the views show.
    ASSERT_EQ(core->table.size(), shown.size());
    EXPECT_EQ(core->table.front().User1, "shown");
    EXPECT_EQ(core->table.front().Raw, shown.front().Raw);
    EXPECT_FALSE(core->state.Downloaded);
    ASSERT_TRUE(job.newTable);
    EXPECT_FALSE(job.table.front().Empty);

    // The window thread changed on-line mode and the saved mark meanwhile: kept.
    core->state.OnLine = true;
    core->state.Saved = true;
    job.saved.reset();
    core->receiver.session.Commit(job);
    EXPECT_FALSE(core->table.front().Empty);
    EXPECT_EQ(core->table.front().User1, "");
    EXPECT_TRUE(core->state.Downloaded);
    EXPECT_TRUE(core->state.OnLine);
    EXPECT_TRUE(core->state.Saved);
}

TEST_F(SessionTest, AnUploadPacksACopyAndHandsThePackedTableOver) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(4);
    ASSERT_TRUE(core->receiver.session.Download());
    // A gap at position 1: the upload moves the later records to the front.
    core->table[0].Empty = true;
    const std::string second = core->table[1].Raw;
    TSessionJob job = core->receiver.session.Begin(TSessionCommand::Upload);
    ui.answers = {TAnswer::Yes};
    ASSERT_TRUE(core->receiver.session.Run(job));
    EXPECT_TRUE(core->table[0].Empty);  // untouched until the commit
    core->receiver.session.Commit(job);
    EXPECT_FALSE(core->table[0].Empty);
    EXPECT_EQ(core->table[0].Raw, second);
    EXPECT_EQ(core->receiver.rx.UploadImage.substr(0, second.size()), second);
}

TEST(DownloadDocument, BackupNameCarriesTypeDateAndTime) {
    std::tm t{};
    t.tm_year = 108;
    t.tm_mon = 2;
    t.tm_mday = 15;
    t.tm_hour = 14;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(BackupFileName("/b", "KV8T-N", t), "/b/KV8T-N_080315_140503.rvl");
}

TEST_F(SessionTest, ABackupOfTheSameSecondNeverReplacesTheFirst) {
    StartSim();
    core->settings.Backup = false;
    ASSERT_TRUE(core->receiver.session.Login());
    ASSERT_TRUE(core->receiver.session.Download());
    // Occupy the names of this second and the next with read-only files.
    std::vector<std::string> taken;
    const std::time_t now = std::time(nullptr);
    for (std::time_t s : {now, now + 1}) {
        std::tm local{};
        localtime_r(&s, &local);
        taken.push_back(BackupFileName(home + "/Backup", "KV8M", local));
        std::ofstream(taken.back()) << "first";
        ::chmod(taken.back().c_str(), 0444);
    }
    EXPECT_EQ(BackupOnDownload(home + "/Backup", core->device, core->table, core->receiver.rx.Image,
                               core->texts(), ui),
              "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].message.textId, Text::CannotOpen);
    const std::string& text = ui.messages[0].message.text;
    const std::string prefix = TextAt(core->texts(), Text::CannotOpen) + " - ";
    EXPECT_TRUE(text == prefix + taken[0] || text == prefix + taken[1]) << text;
    for (const auto& f : taken) {
        std::ifstream in(f);
        std::string content;
        in >> content;
        EXPECT_EQ(content, "first");
    }
}

TEST_F(SessionTest, FailedDownloadLeavesTableAndDocumentUnchanged) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    const auto table = core->table;
    core->settings.Backup = true;
    core->state.DocumentOpen = true;
    core->state.FileName = home + "/doc.rvl";
    core->state.Saved = true;
    core->receiver.link.SetTimingForTests(60, 5);
    // Login and the verification pass; the transfer meets a receiver that falls silent.
    ASSERT_EQ(sim.Control("set mute-after 3"), "ok");
    EXPECT_FALSE(core->receiver.session.Download());
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::CommunicationError}));
    EXPECT_EQ(core->table.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(core->table[i].Raw, table[i].Raw);
    EXPECT_FALSE(core->state.Downloaded);
    EXPECT_TRUE(core->state.Saved);
    EXPECT_TRUE(core->state.DocumentOpen);
    EXPECT_EQ(core->state.FileName, home + "/doc.rvl");
    EXPECT_TRUE(core->state.LoggedIn);
    EXPECT_FALSE(core->receiver.link.IsOpen());
    EXPECT_TRUE(BackupFiles().empty());
}

TEST_F(SessionTest, AnotherReceiverTypeAnsweredYesClosesTheDocument) {
    StartSim();
    core->state.DocumentOpen = true;
    core->device.Name = "KV1T-N";
    core->device.RecordCount = 7;
    std::vector<std::string> typeWhenClosing;
    bool closes = false;  // the first Close is cancelled at its "save first?" question
    TScriptedPeer peer;
    peer.close = [&] {
        typeWhenClosing.push_back(core->device.Name);
        if (closes) core->state.DocumentOpen = false;
        return closes;
    };
    core->receiver.session.closer = &peer;
    ui.answers = {TAnswer::Yes};
    EXPECT_FALSE(core->receiver.session.Login());
    EXPECT_FALSE(core->state.LoggedIn);
    EXPECT_TRUE(core->state.DocumentOpen);
    EXPECT_EQ(core->device.Name, "KV1T-N");
    EXPECT_EQ(core->device.RecordCount, 7);

    closes = true;
    ui.answers = {TAnswer::Yes};
    EXPECT_TRUE(core->receiver.session.Login());
    // A save on closing writes the document as its own type.
    EXPECT_EQ(typeWhenClosing, (std::vector<std::string>{"KV1T-N", "KV1T-N"}));
    EXPECT_EQ(core->device.Name, "KV8M");
    EXPECT_FALSE(core->state.DocumentOpen);
    EXPECT_EQ(static_cast<int>(core->table.size()), core->device.RecordCount);
    EXPECT_FALSE(core->receiver.link.IsOpen());
}

TEST_F(SessionTest, DownloadLogsInFirstAndACancelledLoginCancelsIt) {
    StartSim({"--password", "pw"});
    passwords.logins = {std::nullopt};
    EXPECT_FALSE(core->receiver.session.Download());
    EXPECT_FALSE(core->state.LoggedIn);
    EXPECT_EQ(passwords.loginAsked, 1);
    EXPECT_FALSE(core->state.Downloaded);
    // Only the login's descriptor, name and password reads reached the receiver.
    EXPECT_EQ(sim.Control("stats").substr(0, 9), "frames 3 ");

    passwords.logins = {std::string("pw")};
    EXPECT_TRUE(core->receiver.session.Download());
    EXPECT_TRUE(core->state.LoggedIn);
}

TEST_F(SessionTest, OnLineModeIsRestartedAfterACancelButNotAfterAFailure) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(core->receiver.rx.Device.RecordCount);
    int left = 0, restarted = 0;
    TScriptedPeer peer;
    peer.leave = [&] {
        ++left;
        core->state.OnLine = false;
    };
    peer.restart = [&] {
        ++restarted;
        core->state.OnLine = true;
    };
    core->receiver.session.online = &peer;
    core->state.OnLine = true;
    ui.at = 30;
    EXPECT_FALSE(core->receiver.session.Download());
    EXPECT_EQ(left, 1);
    EXPECT_EQ(restarted, 1);

    ui.at = -1;
    core->receiver.link.SetTimingForTests(60, 5);
    ASSERT_EQ(sim.Control("set mute-after 2"), "ok");
    EXPECT_FALSE(core->receiver.session.Download());
    EXPECT_EQ(left, 2);
    EXPECT_EQ(restarted, 1);
}

TEST_F(SessionTest, FailedUploadKeepsTheModifiedMark) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    core->state.MemoryModified = true;
    core->receiver.link.SetTimingForTests(60, 5);
    ASSERT_EQ(sim.Control("set answer-x 1"), "ok");
    ui.answers = {TAnswer::Yes};
    EXPECT_FALSE(core->receiver.session.Upload());
    EXPECT_TRUE(core->state.MemoryModified);
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::OverwriteReceiver, Text::CommunicationError}));
    EXPECT_FALSE(core->receiver.link.IsOpen());
}

TEST_F(SessionTest, CancelledDownloadIsSilent) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(core->receiver.rx.Device.RecordCount);
    ui.at = 30;
    EXPECT_FALSE(core->receiver.session.Download());
    EXPECT_TRUE(core->receiver.session.Cancelled());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(core->state.Downloaded);
}

TEST_F(SessionTest, UploadAnsweredNoDoesNotTouchTheReceiver) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(3);
    const auto before = sim.RecordArea();
    ui.answers = {TAnswer::No};
    EXPECT_FALSE(core->receiver.session.Upload());
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::OverwriteReceiver}));
    // The question lists the three records the upload of an empty table would erase.
    EXPECT_NE(ui.messages[0].message.text.find("remove or overwrite: 3"), std::string::npos)
        << ui.messages[0].message.text;
    EXPECT_EQ(sim.RecordArea(), before);
}

TEST_F(SessionTest, UploadWritesTheEncodedImage) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(4);
    ASSERT_TRUE(core->receiver.session.Download());
    core->state.MemoryModified = true;
    ui.answers = {TAnswer::Yes};
    ASSERT_TRUE(core->receiver.session.Upload());
    EXPECT_FALSE(core->state.MemoryModified);
    const std::string area = HexOf(sim.RecordArea());
    const std::string& image = core->receiver.rx.UploadImage;
    ASSERT_EQ(area.size(), image.size());
    EXPECT_EQ(area, image);
}

TEST_F(SessionTest, PasswordChangeLogsInAndAnEmptyPasswordRemovesIt) {
    StartSim({"--password", "old"});
    passwords.changes = {TPasswordChange{"bad", "new"}, TPasswordChange{"old", "new"}};
    ASSERT_TRUE(core->receiver.session.ChangePassword());
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::WrongPassword}));
    EXPECT_TRUE(core->state.LoggedIn);
    EXPECT_EQ(core->receiver.rx.Device.Password, "new");
    EXPECT_EQ(sim.Peek(core->receiver.rx.Device.PasswordAddress, 16),
              "6E6577" + std::string(26, '0'));

    ui.messages.clear();
    passwords.changes = {TPasswordChange{"new", ""}};
    ASSERT_TRUE(core->receiver.session.ChangePassword());
    EXPECT_EQ(sim.Peek(core->receiver.rx.Device.PasswordAddress, 16), std::string(32, '0'));
    core->receiver.session.Logout();
    ASSERT_TRUE(core->receiver.session.Login());
    EXPECT_EQ(passwords.loginAsked, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SessionTest, PasswordChangeBesideADocumentOfAnotherTypeDoesNotLogIn) {
    StartSim();
    core->state.DocumentOpen = true;
    core->device.Name = "KV1T-N";
    passwords.changes = {TPasswordChange{"", "abc"}};
    ASSERT_TRUE(core->receiver.session.ChangePassword());
    EXPECT_EQ(sim.Peek(std::stoi(sim.Peek(0x0F08, 2), nullptr, 16), 3), "616263");
    EXPECT_FALSE(core->state.LoggedIn);
    EXPECT_EQ(core->device.Name, "KV1T-N");
}

TEST_F(SessionTest, ASecondCommandIsRefusedWhileOneRuns) {
    StartSim({"--delay", "1:20"});
    ASSERT_TRUE(core->receiver.session.Login());
    std::atomic<bool> done{false};
    std::thread t([&] {
        core->receiver.session.Download();
        done.store(true);
    });
    while (!core->receiver.session.Busy() && !done.load()) std::this_thread::yield();
    const bool refused = !done.load();
    bool second = true;
    if (refused) second = core->receiver.session.ChangePassword();
    t.join();
    if (refused) {
        EXPECT_FALSE(second);
    }
    EXPECT_EQ(passwords.changeAsked, 0);
}

// The upload question answered by the test; the read-back report kept.
class TScriptedReview : public TTransferReview {
  public:
    std::deque<TUploadChoice> choices;
    std::vector<TUploadComparison> asked;
    std::vector<std::vector<TReadBackDifference>> reports;
    TUploadChoice AskUpload(const TUploadComparison& c) override {
        asked.push_back(c);
        if (choices.empty()) return TUploadChoice::Cancel;
        const TUploadChoice v = choices.front();
        choices.pop_front();
        return v;
    }
    void ReportReadBack(const std::vector<TReadBackDifference>& d) override {
        reports.push_back(d);
    }
};

TEST_F(SessionTest, APasswordWithATrailingBlankWorksTypedTheSameWay) {
    StartSim({"--password", "old"});
    passwords.changes = {TPasswordChange{"old", "abc "}};
    ASSERT_TRUE(core->receiver.session.ChangePassword());
    // The receiver holds the blank; reading the password drops trailing blanks.
    EXPECT_EQ(sim.Peek(core->receiver.rx.Device.PasswordAddress, 4), "61626320");
    EXPECT_EQ(core->device.Password, core->receiver.rx.Device.Password);
    core->receiver.session.Logout();
    for (const std::string typed : {"abc ", "abc"}) {
        SCOPED_TRACE(typed);
        ui.messages.clear();
        passwords.logins = {typed};
        ASSERT_TRUE(core->receiver.session.Login());
        EXPECT_TRUE(ui.messages.empty());
        core->receiver.session.Logout();
    }
    // The same text as the new password again is no change.
    passwords.changes = {TPasswordChange{"abc ", "abc "}};
    passwords.logins = {std::string("abc ")};
    EXPECT_FALSE(core->receiver.session.ChangePassword());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SessionTest, TheBackupHoldsTheImageExactlyAsDownloaded) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(5);
    // Record 2 is an empty record between used ones: packing would move 3 to 5 up.
    const int start = std::stoi(sim.Peek(0x0F00, 2), nullptr, 16);
    ASSERT_EQ(sim.Control("memory " + Hex4(start + RecordBytes()) + " " +
                          core->receiver.rx.Device.EmptyTemplate),
              "ok");
    ASSERT_TRUE(core->receiver.session.Download());
    const auto backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    std::ifstream in(backups[0], std::ios::binary);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l.substr(0, l.find('\r')));
    ASSERT_GT(lines.size(), 2u);
    const size_t digits =
        static_cast<size_t>(core->device.RecordCount) * core->device.RecordLength();
    EXPECT_EQ(lines[2], core->receiver.rx.Image.substr(0, digits));
    EXPECT_EQ(lines[2].substr(0, 5 * 2 * RecordBytes()),
              HexOf(sim.RecordArea()).substr(0, 5 * 2 * RecordBytes()));
    // The program's table keeps the positions too.
    ASSERT_GE(core->table.size(), 3u);
    EXPECT_EQ(core->table[2].Raw, lines[2].substr(2 * 2 * RecordBytes(), 2 * RecordBytes()));
}

TEST_F(SessionTest, RecordsLearntAtTheReceiverAreListedAndCanBeMergedFirst) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(3);
    ASSERT_TRUE(core->receiver.session.Download());
    // Two transmitters learnt at the receiver since the download.
    FillRecords(5);
    const auto learnt = sim.RecordArea();
    TScriptedReview review;
    core->receiver.session.review = &review;
    review.choices = {TUploadChoice::Cancel};
    EXPECT_FALSE(core->receiver.session.Upload());
    ASSERT_EQ(review.asked.size(), 1u);
    ASSERT_EQ(review.asked[0].removed.size(), 2u);
    EXPECT_EQ(review.asked[0].removed[0].receiverPosition, 4);
    EXPECT_EQ(review.asked[0].removed[1].receiverPosition, 5);
    EXPECT_EQ(review.asked[0].unchanged, 3);
    EXPECT_EQ(sim.RecordArea(), learnt);
    EXPECT_FALSE(core->receiver.session.Merged());

    // Merge: they are the document's too, and the receiver keeps them.
    review.choices = {TUploadChoice::Merge};
    ASSERT_TRUE(core->receiver.session.Upload());
    EXPECT_TRUE(core->receiver.session.Merged());
    EXPECT_FALSE(core->state.Saved);
    EXPECT_TRUE(review.reports.empty());
    int used = 0;
    for (const TData& r : core->table) used += r.Empty ? 0 : 1;
    EXPECT_EQ(used, 5);
    const std::string area = HexOf(sim.RecordArea());
    EXPECT_EQ(area.substr(0, 5 * 2 * RecordBytes()),
              HexOf(learnt).substr(0, 5 * 2 * RecordBytes()));
    core->receiver.session.review = nullptr;
}

TEST_F(SessionTest, AWriteTheReceiverDidNotStoreIsReportedByRecord) {
    StartSim();
    ASSERT_TRUE(core->receiver.session.Login());
    FillRecords(4);
    ASSERT_TRUE(core->receiver.session.Download());
    // The second record's first byte ignores writes; the document changes that byte.
    const int start = std::stoi(sim.Peek(0x0F00, 2), nullptr, 16);
    const int cell = start + RecordBytes();
    ASSERT_EQ(sim.Control("memory " + Hex4(cell) + " 00"), "ok");
    char stuck[16];
    std::snprintf(stuck, sizeof stuck, "%X", cell);
    ASSERT_EQ(sim.Control(std::string("set stuck ") + stuck), "ok");
    TScriptedReview review;
    review.choices = {TUploadChoice::Upload};
    core->receiver.session.review = &review;
    core->state.MemoryModified = true;
    EXPECT_FALSE(core->receiver.session.Upload());
    core->receiver.session.review = nullptr;
    EXPECT_TRUE(core->state.MemoryModified);
    ASSERT_EQ(review.reports.size(), 1u);
    ASSERT_EQ(review.reports[0].size(), 1u);
    EXPECT_EQ(review.reports[0][0].position, 2);
    EXPECT_EQ(review.reports[0][0].held.substr(0, 2), "00");
    EXPECT_NE(review.reports[0][0].written.substr(0, 2), "00");
}

}  // namespace
}  // namespace ravlin
