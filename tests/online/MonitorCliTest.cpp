// ravlin-cli monitor against the real simulator: the receptions run through a monitor
// set-up, one line per change, every change in the alarm log; a set-up file it cannot
// read stops it before the receiver is touched; with --sound the activations play their
// sounds through a stand-in player that notes what it was asked to play.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <thread>

#include "CliRun.h"
#include "OnlineTestUtil.h"
#include "SimProcess.h"
#include "monitoring/AlarmLog.h"

namespace ravlin {
namespace {

using test::ReadAll;
using test::TCliResult;
using test::TCliRun;
using test::TSimProcess;

// "Door open" comes with 12345's button 1 and goes with 22222's button 2; "Panic" comes
// with 12345's button 1 or with 33333 and never goes.
const std::string kSetup =
    "Ravlin monitor setup file\r\n"
    "1#Door open#1#12#0###1#0#0#\r\n"
    "Active:x012345#1#n#end\r\n"
    "Deactive:x022222#2#n#end\r\n"
    "2#Panic#3#10#0###0#0#0#\r\n"
    "Active:x012345#1#n#x033333#3#n#end\r\n"
    "Deactive:end\r\n";

class MonitorCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
        home = dir.File("home");
        std::filesystem::create_directory(home);
        setup = dir.File("alarms.mon");
        test::WriteAll(setup, kSetup);
        ASSERT_TRUE(
            sim.Start(TSimProcess::Tcp, {"--type", "KV3S", "--data-dir", RAVLIN_TEST_DATA_DIR}));
    }
    std::vector<std::string> Args(std::vector<std::string> command) {
        std::vector<std::string> a = sim.CliOptions();
        a.insert(a.end(), {"--home", home, "--data-dir", RAVLIN_TEST_DATA_DIR, "--lang", "US"});
        a.insert(a.end(), command.begin(), command.end());
        return a;
    }
    long Frames() {
        long n = -1;
        std::sscanf(sim.Control("stats").c_str(), "frames %ld", &n);
        return n;
    }
    bool WaitFrames(long frames) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Frames() >= frames) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void SendReceptions(const std::vector<std::string>& receptions) {
        long frames = Frames();
        for (const std::string& r : receptions) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ASSERT_EQ(sim.Control(r), "ok");
            ASSERT_TRUE(WaitFrames(++frames)) << r;
        }
    }
    // The sound outputs of the settings file; the player command a script that notes its
    // last argument in `played` and its process id in `pids`, then plays for `seconds`.
    void SoundSettings(bool card, const std::string& seconds = "0") {
        test::WriteAll(home + "/RavlinProj.ini", std::string("[Setup]\r\nSoundCard=") +
                                                     (card ? "1" : "0") + "\r\nSoundSpeaker=0\r\n");
        const std::string script = dir.File("play.sh");
        std::ofstream(script) << "#!/bin/sh\n"
                              << "echo $$ >> '" << dir.File("pids") << "'\n"
                              << "for a in \"$@\"; do f=\"$a\"; done\n"
                              << "echo \"$f\" >> '" << dir.File("played") << "'\n"
                              << "sleep " << seconds << "\n";
        ::chmod(script.c_str(), 0755);
        ::setenv("RAVLIN_PLAY_COMMAND", (script + " -q").c_str(), 1);
    }
    std::vector<std::string> Lines(const std::string& file) {
        std::ifstream in(dir.File(file));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // "Door open" plays its own file and goes with 22222's button 2; "Panic" plays the
    // long beep (again every `panicRepeat` seconds while it stands) and never goes.
    std::string SoundSetup(const std::string& panicRepeat = "") {
        ownSound = dir.File("door.wav");
        test::WriteAll(ownSound, "RIFF");
        const std::string path = dir.File("sounds.mon");
        test::WriteAll(path,
                       "Ravlin monitor setup file\r\n"
                       "1#Door open#1#12#6#" +
                           ownSound +
                           "##1#0#0#\r\n"
                           "Active:x012345#1#n#end\r\n"
                           "Deactive:x022222#2#n#end\r\n"
                           "2#Panic#3#10#2###0#0#0#" +
                           (panicRepeat.empty() ? "" : panicRepeat + "#") +
                           "\r\n"
                           "Active:x033333#3#n#end\r\n"
                           "Deactive:end\r\n");
        return path;
    }
    void TearDown() override { ::unsetenv("RAVLIN_PLAY_COMMAND"); }

    test::TTempDir dir;
    std::string home, setup, ownSound;
    TSimProcess sim;
};

TEST_F(MonitorCli, PrintsAndLogsEveryChange) {
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", setup, "--count", "4"})));
    ASSERT_TRUE(WaitFrames(5));
    const char* receptions[] = {
        "reception 0012345 1 00 0000",  // both messages come
        "reception 0012345 1 00 0000",  // both active already: nothing
        "reception 0022222 2 00 FFFF",  // "Door open" goes
        "reception 0033333 3 00 FFFF",  // "Panic" is still active: nothing
    };
    long frames = Frames();
    for (const char* r : receptions) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(sim.Control(r), "ok");
        ASSERT_TRUE(WaitFrames(++frames)) << r;
    }
    const TCliResult result = run.Finish(20000);
    ASSERT_EQ(result.status, 0) << result.err;
    // "Panic" still active when the count is reached ends with the run.
    EXPECT_EQ(result.out,
              "activate 1 Door open\nactivate 2 Panic\ndeactivate 1 Door open\n"
              "deactivate 2 Panic\n");

    std::vector<TAlarmEntry> log;
    ASSERT_EQ(TAlarmLog(home + "/" + kAlarmLogName).ReadAll(log), 0);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2].Action, TAlarmAction::Deactivate);
    EXPECT_EQ(log[2].Cause, TAlarmCause::Transmitter);
    EXPECT_EQ(log[2].Serial, "0022222");
    EXPECT_EQ(log[2].Text, "Door open");
    EXPECT_EQ(log[3].Cause, TAlarmCause::End);
    // The receptions are logged as the desktop program logs them (settings level 3: in
    // the receiver's memory).
    const std::string history = ReadAll(home + "/History.dat");
    EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 2) << history;
    EXPECT_NE(history.find("0012345"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(home + "/LastHeard.dat"));
}

// Every activation has exactly one end, and every lost link its end.
void ExpectEveryAlarmEnded(const std::vector<TAlarmEntry>& log) {
    const std::vector<bool> open = OpenEntries(log);
    EXPECT_EQ(std::count(open.begin(), open.end(), true), 0);
    const auto count = [&](TAlarmAction a) {
        return std::count_if(log.begin(), log.end(),
                             [&](const TAlarmEntry& e) { return e.Action == a; });
    };
    EXPECT_EQ(count(TAlarmAction::Activate), count(TAlarmAction::Deactivate));
}

TEST_F(MonitorCli, AnOutageIsATroubleAndTheRunGoesOnAfterIt) {
    test::WriteAll(home + "/RavlinProj.ini", "[Setup]\r\nReconnectFirst=1\r\nReconnectMax=1\r\n");
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", setup, "--reconnect"})));
    ASSERT_TRUE(WaitFrames(5));
    SendReceptions({"reception 0012345 1 00 0000"});
    ASSERT_TRUE(run.WaitOut("activate 2 Panic\n"));
    ASSERT_EQ(sim.Control("down"), "ok");
    ASSERT_TRUE(run.WaitOut("trouble link-lost\n"));
    // What the receiver hears meanwhile waits in its last-reception block.
    ASSERT_EQ(sim.Control("reception 0022222 2 00 FFFF"), "ok");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(sim.Control("up"), "ok");
    ASSERT_TRUE(run.WaitOut("deactivate 1 Door open\n"));
    SendReceptions({"reception 0012345 1 00 0000", "reception 0022222 2 00 FFFF"});
    ASSERT_TRUE(run.WaitOut("activate 1 Door open\ndeactivate 1 Door open\n"));
    run.Signal(SIGTERM);
    const TCliResult result = run.Finish(10000);
    EXPECT_EQ(result.status, 130) << result.err;
    const std::regex expected(
        "activate 1 Door open\nactivate 2 Panic\ntrouble link-lost\n"
        "trouble link-restored [0-9]+\ndeactivate 1 Door open\nactivate 1 Door open\n"
        "deactivate 1 Door open\ndeactivate 2 Panic\n");
    EXPECT_TRUE(std::regex_match(result.out, expected)) << result.out;

    std::vector<TAlarmEntry> log;
    ASSERT_EQ(TAlarmLog(home + "/" + kAlarmLogName).ReadAll(log), 0);
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(log[2].Action, TAlarmAction::Trouble);
    EXPECT_EQ(log[2].Cause, TAlarmCause::LinkLost);
    EXPECT_EQ(log[3].Cause, TAlarmCause::LinkRestored);
    EXPECT_GE(log[3].Number, 1);  // the outage's seconds
    ExpectEveryAlarmEnded(log);
}

TEST_F(MonitorCli, ASilentReceiverIsATroubleWithinTenSeconds) {
    test::WriteAll(home + "/RavlinProj.ini", "[Setup]\r\nReconnectFirst=1\r\nReconnectMax=2\r\n");
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", setup, "--reconnect"})));
    ASSERT_TRUE(WaitFrames(5));
    SendReceptions({"reception 0033333 3 00 0000"});
    ASSERT_TRUE(run.WaitOut("activate 2 Panic\n"));
    ASSERT_EQ(sim.Control("silent on"), "ok");
    const auto silent = std::chrono::steady_clock::now();
    ASSERT_TRUE(run.WaitOut("trouble link-lost\n", 15000));
    EXPECT_LT(std::chrono::steady_clock::now() - silent, std::chrono::seconds(10));
    ASSERT_EQ(sim.Control("silent off"), "ok");
    ASSERT_TRUE(run.WaitOut("trouble link-restored", 15000));
    run.Signal(SIGINT);
    const TCliResult result = run.Finish(10000);
    EXPECT_EQ(result.status, 130) << result.err;
    std::vector<TAlarmEntry> log;
    ASSERT_EQ(TAlarmLog(home + "/" + kAlarmLogName).ReadAll(log), 0);
    ExpectEveryAlarmEnded(log);
}

TEST_F(MonitorCli, ALostLinkEndsTheRunWithoutReconnect) {
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", setup})));
    ASSERT_TRUE(WaitFrames(5));
    SendReceptions({"reception 0033333 3 00 0000"});
    ASSERT_TRUE(run.WaitOut("activate 2 Panic\n"));
    ASSERT_EQ(sim.Control("disconnect"), "ok");
    const TCliResult result = run.Finish(10000);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "activate 2 Panic\ndeactivate 2 Panic\n");
    EXPECT_EQ(result.err, "The connection to the receiver was lost.\n");
    std::vector<TAlarmEntry> log;
    ASSERT_EQ(TAlarmLog(home + "/" + kAlarmLogName).ReadAll(log), 0);
    ExpectEveryAlarmEnded(log);
}

TEST_F(MonitorCli, RefusesBadSetupFilesAndArguments) {
    // Not a set-up file: its message, exit 1, the receiver never asked.
    const std::string bad = dir.File("bad.mon");
    test::WriteAll(bad, "something else\r\n");
    const long before = Frames();
    TCliResult r = TCliRun::Run(Args({"monitor", bad, "--count", "1"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err, "");
    r = TCliRun::Run(Args({"monitor", dir.File("missing.mon")}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Frames(), before);
    EXPECT_FALSE(std::filesystem::exists(home + "/" + kAlarmLogName));

    EXPECT_EQ(TCliRun::Run(Args({"monitor"})).status, 2);
    EXPECT_EQ(TCliRun::Run(Args({"monitor", setup, "--count", "0"})).status, 2);
    EXPECT_EQ(TCliRun::Run(Args({"monitor", setup, setup})).status, 2);
}

TEST_F(MonitorCli, SoundPlaysTheActivatedMessagesSoundAndOnlyWithSound) {
    SoundSettings(true);
    const std::string sounds = SoundSetup();
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", sounds, "--count", "3", "--sound"})));
    ASSERT_TRUE(WaitFrames(5));
    SendReceptions({"reception 0012345 1 00 0000", "reception 0022222 2 00 FFFF",
                    "reception 0033333 3 00 FFFF"});
    TCliResult result = run.Finish(20000);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "activate 1 Door open\ndeactivate 1 Door open\nactivate 2 Panic\n"
              "deactivate 2 Panic\n");
    EXPECT_EQ(result.err.find("sound"), std::string::npos) << result.err;
    const auto played = Lines("played");
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0], ownSound);
    EXPECT_EQ(played[1], std::string(RAVLIN_TEST_DATA_DIR) + "/Sounds/LBeep.wav");

    // Without --sound the same activation plays nothing.
    const long before = Frames();
    ASSERT_TRUE(run.Start(Args({"monitor", sounds, "--count", "1"})));
    ASSERT_TRUE(WaitFrames(before + 5));
    SendReceptions({"reception 0012345 1 00 0000"});
    result = run.Finish(20000);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "activate 1 Door open\ndeactivate 1 Door open\n");
    EXPECT_EQ(Lines("played").size(), 2u);
}

TEST_F(MonitorCli, SoundWithoutOutputSaysSoOnceAndGoesOn) {
    SoundSettings(false);
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", SoundSetup(), "--count", "2", "--sound"})));
    ASSERT_TRUE(WaitFrames(5));
    SendReceptions({"reception 0012345 1 00 0000", "reception 0033333 3 00 FFFF"});
    const TCliResult result = run.Finish(20000);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "activate 1 Door open\nactivate 2 Panic\ndeactivate 1 Door open\n"
              "deactivate 2 Panic\n");
    const std::string said = "ravlin-cli monitor: no sound output: ";
    ASSERT_NE(result.err.find(said), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(said, result.err.find(said) + 1), std::string::npos) << result.err;
    EXPECT_TRUE(Lines("played").empty());
}

TEST_F(MonitorCli, InterruptEndsTheSoundStillPlaying) {
    SoundSettings(true, "30");
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", SoundSetup(), "--sound"})));
    ASSERT_TRUE(WaitFrames(5));
    SendReceptions({"reception 0033333 3 00 FFFF"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Lines("played").empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(Lines("played"),
              std::vector<std::string>{std::string(RAVLIN_TEST_DATA_DIR) + "/Sounds/LBeep.wav"});
    // A sound still playing is heard out at the end, but not after Ctrl+C.
    run.Signal(SIGINT);
    // The player still playing would hold the output pipes open past the timeout.
    const TCliResult result = run.Finish(5000);
    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_LT(result.seconds, 5.0);
    EXPECT_EQ(result.out, "activate 2 Panic\ndeactivate 2 Panic\n");
    const auto pids = Lines("pids");
    ASSERT_EQ(pids.size(), 1u);
    EXPECT_NE(::kill(std::stoi(pids[0]), 0), 0) << "the player is still running";
}

TEST_F(MonitorCli, SoundAnAlarmLeftStandingSoundsAgain) {
    SoundSettings(true);
    TCliRun run;
    ASSERT_TRUE(run.Start(Args({"monitor", SoundSetup("1"), "--sound"})));
    ASSERT_TRUE(WaitFrames(5));
    SendReceptions({"reception 0033333 3 00 FFFF"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Lines("played").size() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    run.Signal(SIGINT);
    const TCliResult result = run.Finish(5000);
    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_EQ(result.out, "activate 2 Panic\ndeactivate 2 Panic\n");  // a repeat is no change
    const auto played = Lines("played");
    ASSERT_GE(played.size(), 3u);
    for (const std::string& p : played)
        EXPECT_EQ(p, std::string(RAVLIN_TEST_DATA_DIR) + "/Sounds/LBeep.wav");
}

}  // namespace
}  // namespace ravlin
