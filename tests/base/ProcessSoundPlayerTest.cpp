// The command-line sound player against stand-in player scripts that log what they were
// asked to play: one process at a time, the newest waiting sound wins, the repeating sound
// ends with its switch, nothing is left running, failures are told once.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "base/ProcessSoundPlayer.h"

namespace ravlin {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class ProcessSoundPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-sound-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        fs::create_directories(dir + "/data/Sounds");
        for (const char* f :
             {"SBeep.wav", "LBeep.wav", "TriBeep.wav", "Alarm.wav", "Permanent.wav"})
            std::ofstream(dir + "/data/Sounds/" + f) << "RIFF";
    }
    void TearDown() override { fs::remove_all(dir); }

    // A player that logs "start FILE" (its last argument), plays for `seconds` and logs
    // "end FILE"; it also notes its process id. Returns the command words.
    std::vector<std::string> Script(const std::string& seconds, int exitStatus = 0) {
        const std::string path = dir + "/play.sh";
        std::ofstream(path) << "#!/bin/sh\n"
                            << "echo $$ >> '" << dir << "/pids'\n"
                            << "for a in \"$@\"; do f=$(basename -- \"$a\"); done\n"
                            << "echo \"start $f\" >> '" << dir << "/log'\n"
                            << "sleep " << seconds << "\n"
                            << "echo \"end $f\" >> '" << dir << "/log'\n"
                            << "exit " << exitStatus << "\n";
        ::chmod(path.c_str(), 0755);
        return {path};
    }
    std::vector<std::string> Log() const {
        std::ifstream in(dir + "/log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::vector<pid_t> Pids() const {
        std::ifstream in(dir + "/pids");
        std::vector<pid_t> pids;
        for (pid_t p; in >> p;) pids.push_back(p);
        return pids;
    }
    static bool WaitUntil(const std::function<bool()>& f, std::chrono::milliseconds limit = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!f()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
    std::string Data() const { return dir + "/data"; }

    std::string dir;
};

TEST_F(ProcessSoundPlayer, PlaysOneAtATimeAndTheNewestWaitingSoundWins) {
    TProcessSoundPlayer player(Data(), Script("0.3"), nullptr);
    std::vector<std::string> problems;
    player.onProblem = [&](const std::string& p) { problems.push_back(p); };
    EXPECT_TRUE(player.Idle());
    player.PlayOnce(kSoundNone, {});
    EXPECT_TRUE(player.Idle());

    player.PlayOnce(kSoundShortBeep, {});
    ASSERT_TRUE(WaitUntil([&] { return !Log().empty(); }));
    player.PlayOnce(kSoundLongBeep, {});  // replaced while it waits
    player.PlayOnce(kSoundTripleBeep, {});
    EXPECT_FALSE(player.Idle());
    ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
    EXPECT_EQ(Log(), (std::vector<std::string>{"start SBeep.wav", "end SBeep.wav",
                                               "start TriBeep.wav", "end TriBeep.wav"}));
    EXPECT_EQ(player.Started(), 2);

    // The message's own file; a missing one is told once and starts nothing.
    const std::string own = dir + "/own.wav";
    std::ofstream(own) << "RIFF";
    player.PlayOnce(kSoundFile, own);
    ASSERT_TRUE(WaitUntil([&] { return Log().size() == 6 && player.Idle(); }));
    EXPECT_EQ(Log()[4], "start own.wav");
    player.PlayFile(dir + "/missing.wav");
    player.PlayFile(dir + "/missing.wav");
    ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(player.Started(), 3);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("missing.wav"), std::string::npos) << problems[0];
}

TEST_F(ProcessSoundPlayer, RepeatsUntilSwitchedOffAndLeavesNothingRunning) {
    {
        TProcessSoundPlayer player(Data(), Script("0.1"), nullptr);
        player.PlayOnce(kSoundPermanent, {});  // the repeating choice switches repeating on
        ASSERT_TRUE(WaitUntil([&] { return Log().size() >= 6; }));
        EXPECT_EQ(Log()[0], "start Permanent.wav");
        player.SetRepeating(true);  // again: changes nothing
        player.SetRepeating(false);
        ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
        const size_t lines = Log().size();
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(Log().size(), lines);
    }
    fs::remove(dir + "/log");
    fs::remove(dir + "/pids");

    // A long round is cut when repeating ends; a long one-shot when the player goes.
    TProcessSoundPlayer* raw = nullptr;
    {
        auto player = std::make_unique<TProcessSoundPlayer>(Data(), Script("30"), nullptr);
        raw = player.get();
        raw->SetRepeating(true);
        ASSERT_TRUE(WaitUntil([&] { return Log().size() == 1; }));
        const auto off = std::chrono::steady_clock::now();
        raw->SetRepeating(false);
        ASSERT_TRUE(WaitUntil([&] { return raw->Idle(); }, 3s));
        EXPECT_LT(std::chrono::steady_clock::now() - off, 2s);

        raw->PlayOnce(kSoundAlarm, {});
        ASSERT_TRUE(WaitUntil([&] { return Log().size() == 2; }));
        const auto gone = std::chrono::steady_clock::now();
        player.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - gone, 2s);
    }
    EXPECT_EQ(Log(), (std::vector<std::string>{"start Permanent.wav", "start Alarm.wav"}));
    const auto pids = Pids();
    ASSERT_EQ(pids.size(), 2u);
    for (pid_t p : pids) EXPECT_NE(::kill(p, 0), 0) << "player " << p << " still there";
}

TEST_F(ProcessSoundPlayer, DrainLetsThePlayingSoundEndAndDropsTheRest) {
    TProcessSoundPlayer player(Data(), Script("0.3"), nullptr);
    player.PlayOnce(kSoundAlarm, {});
    ASSERT_TRUE(WaitUntil([&] { return Log().size() == 1; }));
    player.PlayOnce(kSoundShortBeep, {});
    player.SetRepeating(true);
    player.Drain();
    EXPECT_FALSE(player.Idle());
    ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Log(), (std::vector<std::string>{"start Alarm.wav", "end Alarm.wav"}));
}

TEST_F(ProcessSoundPlayer, FailuresAreToldOnceAndNotRetriedInATightLoop) {
    {
        TProcessSoundPlayer player(Data(), {dir + "/no-such-player"}, nullptr);
        std::vector<std::string> problems;
        player.onProblem = [&](const std::string& p) { problems.push_back(p); };
        player.PlayOnce(kSoundShortBeep, {});
        ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
        player.PlayOnce(kSoundShortBeep, {});
        ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
        EXPECT_EQ(player.Started(), 0);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("cannot run"), std::string::npos) << problems[0];
    }
    TProcessSoundPlayer player(Data(), Script("0", 3), nullptr);
    std::vector<std::string> problems;
    player.onProblem = [&](const std::string& p) { problems.push_back(p); };
    player.SetRepeating(true);
    std::this_thread::sleep_for(500ms);
    player.SetRepeating(false);
    ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
    EXPECT_GE(player.Started(), 1);
    EXPECT_LE(player.Started(), 2);  // a player that fails at once waits before the next round
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("status 3"), std::string::npos) << problems[0];
}

TEST_F(ProcessSoundPlayer, OutputsComeFromTheSettings) {
    EXPECT_EQ(PlayCommandWords(nullptr), (std::vector<std::string>{"aplay", "-q"}));
    EXPECT_EQ(PlayCommandWords(" \t"), (std::vector<std::string>{"aplay", "-q"}));
    EXPECT_EQ(PlayCommandWords("  my-play\t--x  -y "),
              (std::vector<std::string>{"my-play", "--x", "-y"}));

    std::string why;
    EXPECT_EQ(MakeProcessSoundPlayer(Data(), false, false, nullptr, why), nullptr);
    EXPECT_NE(why.find("sound card is off"), std::string::npos) << why;
    EXPECT_NE(why.find("speaker is off"), std::string::npos) << why;

    const std::string missing = dir + "/no-such-player";
    EXPECT_EQ(MakeProcessSoundPlayer(Data(), true, false, missing.c_str(), why), nullptr);
    EXPECT_NE(why.find(missing + " not found"), std::string::npos) << why;

    const std::string script = Script("0")[0] + " --quiet";
    auto player = MakeProcessSoundPlayer(Data(), true, false, script.c_str(), why);
    ASSERT_NE(player, nullptr);
    player->PlayOnce(kSoundLongBeep, {});
    ASSERT_TRUE(WaitUntil([&] { return Log().size() == 2 && player->Idle(); }));
    // The file is the last argument, after the command's own.
    EXPECT_EQ(Log()[0], "start LBeep.wav");
}

}  // namespace
}  // namespace ravlin
