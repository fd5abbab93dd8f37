// Several receivers in one program: the program's receiver and one of its own download at
// the same time, each from its own simulator on its own thread.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "RecordingUi.h"
#include "SimProcess.h"
#include "app/Bootstrap.h"
#include "app/Core.h"
#include "receiver/Receiver.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;
using test::TRecordingUi;
using test::TSimProcess;

// Starts a simulator of `type` whose record area begins with `bytes` bytes of a pattern
// that depends on `seed`; the rest stays erased.
void StartFilled(TSimProcess& sim, const std::string& type, int seed, int bytes) {
    ASSERT_TRUE(sim.Start(TSimProcess::Tcp, {"--type", type, "--data-dir", RAVLIN_TEST_DATA_DIR}));
    const int start = std::stoi(sim.Peek(0x0F00, 2), nullptr, 16);
    std::string data;
    for (int i = 0; i < bytes; ++i) {
        char b[3];
        std::snprintf(b, sizeof b, "%02X", (i * seed + 5) & 0x7F);
        data += b;
    }
    char address[8];
    std::snprintf(address, sizeof address, "%04X", start);
    ASSERT_EQ(sim.Control(std::string("memory ") + address + " " + data), "ok");
}

// The simulator's memory over the range the receiver's image covers, as hex digits.
std::string MemoryOf(TSimProcess& sim, const TRx& rx) {
    return sim.Peek(rx.Device.StartAddress, rx.Device.EndAddress - rx.Device.StartAddress + 1);
}

class ReceiverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-receivers-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        home = tmpl;
        folders.dataDir = RAVLIN_TEST_DATA_DIR;
        folders.homeDir = home;
        folders.settingsFile = home + "/RavlinProj.ini";
        ASSERT_TRUE(folders.MakeWritable());
    }
    void TearDown() override {
        // Backups are read-only.
        for (const auto& e : fs::recursive_directory_iterator(home))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(home);
    }

    std::string home;
    TFolders folders;
};

TEST_F(ReceiverTest, TwoReceiversDownloadAtOnceEachIntoItsOwnTarget) {
    TSimProcess simA, simB;
    ASSERT_NO_FATAL_FAILURE(StartFilled(simA, "KV8M", 37, 700));
    ASSERT_NO_FATAL_FAILURE(StartFilled(simB, "KV3S", 11, 500));
    TRecordingUi uiA, uiB;
    TCore core(folders, uiA);
    ASSERT_TRUE(Bootstrap(core));
    core.settings.Backup = true;
    // The second receiver's settings are its own: no backup, a verified download.
    const bool backup = false, verifyDownload = true, verifyUpload = false;
    TReceiver second(
        TReceiverContext{core.language, core.folders, uiB, backup, verifyDownload, verifyUpload});
    TReceiver& first = core.receiver;
    simA.Configure(first.link.Settings);
    simB.Configure(second.link.Settings);
    first.link.SetTimingForTests(200, 5);
    second.link.SetTimingForTests(200, 5);

    bool okA = false, okB = false;
    std::thread a([&] { okA = first.session.Download(); });
    std::thread b([&] { okB = second.session.Download(); });
    a.join();
    b.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    EXPECT_TRUE(uiA.messages.empty());
    EXPECT_TRUE(uiB.messages.empty());

    // Each image is its own simulator's memory (the erased rest reads FF either way).
    EXPECT_EQ(first.rx.Image, MemoryOf(simA, first.rx));
    EXPECT_EQ(second.rx.Image, MemoryOf(simB, second.rx));
    // The program's receiver changed the program's document side, the other only its own.
    EXPECT_EQ(core.device.Name, "KV8M");
    EXPECT_EQ(&first.Type(), &core.device);
    EXPECT_EQ(second.Type().Name, "KV3S");
    EXPECT_TRUE(core.state.Downloaded);
    EXPECT_TRUE(second.target.state.Downloaded);
    EXPECT_TRUE(second.target.state.LoggedIn);
    ASSERT_EQ(static_cast<int>(second.target.table.size()), second.Type().RecordCount);
    EXPECT_FALSE(second.target.table.front().Empty);
    EXPECT_NE(second.target.table.front().Raw, core.table.front().Raw);
    // Only the program's receiver writes backups.
    std::vector<std::string> backups;
    for (const auto& e : fs::directory_iterator(home + "/Backup"))
        backups.push_back(e.path().filename().string());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].substr(0, 5), "KV8M_");
}

}  // namespace
}  // namespace ravlin
