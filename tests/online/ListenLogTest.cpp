// ravlin-cli listen --log against the real simulator, and the commands that print the
// logs afterwards: the same receptions reach History.dat, LowBatt.dat and LastHeard.dat.

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "CliRun.h"
#include "OnlineTestUtil.h"
#include "SimProcess.h"

namespace ravlin {
namespace {

using test::ReadAll;
using test::TCliResult;
using test::TCliRun;
using test::TSimProcess;

// Three KV2R records (output, button, serial, channels, time, extra), three erased.
const std::string kImage =
    "0111234501000000"
    "0222222201000000"
    "0433333301000000" +
    std::string(48, 'F');

class ListenLog : public ::testing::TestWithParam<TSimProcess::TTransport> {
  protected:
    void SetUp() override {
        ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
        home = dir.File("home");
        std::filesystem::create_directory(home);
        document = dir.File("site.rvl");
        test::WriteAll(document,
                       "KV2R\r\n6\r\n" + kImage +
                           "\r\n"
                           "1   7#Alice#Flat 1###\r\nx0 -\r\n"
                           "2   8#Bob####\r\nx0 -\r\n"
                           "3   0#####\r\nx0 -\r\n"
                           "4   0#####\r\nx0 -\r\n5   0#####\r\nx0 -\r\n6   0#####\r\nx0 -\r\n");
        ASSERT_TRUE(
            sim.Start(GetParam(), {"--data-dir", RAVLIN_TEST_DATA_DIR, "--load", document}));
    }
    std::vector<std::string> Args(std::vector<std::string> command, bool receiver = true) {
        std::vector<std::string> a;
        if (receiver) a = sim.CliOptions();
        a.insert(a.end(), {"--home", home, "--data-dir", RAVLIN_TEST_DATA_DIR, "--lang", "US"});
        a.insert(a.end(), command.begin(), command.end());
        return a;
    }
    TCliResult Cli(std::vector<std::string> command) {
        return TCliRun::Run(Args(std::move(command), false));
    }
    bool WaitFrames(long frames, int timeoutMs = 10000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            long n = -1;
            std::sscanf(sim.Control("stats").c_str(), "frames %ld", &n);
            if (n >= frames) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Times vary from run to run: "<time>" in their place.
    static std::string NoTimes(const std::string& text) {
        static const std::regex time(R"(\d\d\.\d\d\.\d{4}( \d\d:\d\d:\d\d)?)");
        return std::regex_replace(text, time, "<time>");
    }

    test::TTempDir dir;
    std::string home, document;
    TSimProcess sim;
};

TEST_P(ListenLog, LogsEveryReceptionByTheLevelsAndPrintsTheLogs) {
    TCliRun listen;
    ASSERT_TRUE(listen.Start(Args({"listen", "--log", "--count", "4", "--history-level", "3",
                                   "--battery-level", "4", "--data", document})));
    // Login reads descriptor, name and password; entering checks name and password.
    ASSERT_TRUE(WaitFrames(5));
    const char* receptions[] = {
        "reception 0012345 1 01 0000",  // in the receiver and the document, low
        "reception 0054321 2 00 FFFF",  // in neither: battery level 4 only, good
        "reception A012345 C 01 FFFF",  // an input transmitter of a document record
        "reception 0012345 1 00 0000",  // the battery changed
    };
    long frames = 5;
    for (const char* r : receptions) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(sim.Control(r), "ok");
        ASSERT_TRUE(WaitFrames(++frames)) << r;
    }
    const TCliResult run = listen.Finish(20000);
    ASSERT_EQ(run.status, 0) << run.err;
    // An input transmitter's battery state is not shown.
    EXPECT_EQ(run.out, "0012345 1 low 1\n0054321 2 ok -\nA012345 C - -\n0012345 1 ok 1\n");
    EXPECT_EQ(run.err, "");

    EXPECT_EQ(NoTimes(ReadAll(home + "/History.dat")),
              "0012345#1#<time>#0#7#Alice#Flat 1###\r\n"
              "A012345#A=1,B=1#<time>#1#0#####\r\n"
              "0012345#1#<time>#1#7#Alice#Flat 1###\r\n");
    EXPECT_EQ(NoTimes(ReadAll(home + "/LowBatt.dat")), "0012345#1#<time>#7#Alice#Flat 1###\r\n");
    EXPECT_EQ(NoTimes(ReadAll(home + "/LastHeard.dat")),
              "Ravlin last heard 1\r\n0012345#1#<time>#\r\nA012345#C#<time>#\r\n");

    TCliResult history = Cli({"history", "--csv"});
    ASSERT_EQ(history.status, 0) << history.err;
    EXPECT_EQ(NoTimes(history.out),
              "Serial No.,Button,Time,Battery,User ID,User 1,User 2,User 3,User 4\n"
              "0012345,1,<time>,OK,7,Alice,Flat 1,,\n"
              "A012345,\"A=1,B=1\",<time>,Low,0,,,,\n"
              "0012345,1,<time>,Low,7,Alice,Flat 1,,\n");
    history = Cli({"history", "--sort", "serial", "--desc", "--csv"});
    ASSERT_EQ(history.status, 0) << history.err;
    EXPECT_EQ(NoTimes(history.out),
              "Serial No.,Button,Time,Battery,User ID,User 1,User 2,User 3,User 4\n"
              "A012345,\"A=1,B=1\",<time>,Low,0,,,,\n"
              "0012345,1,<time>,OK,7,Alice,Flat 1,,\n"
              "0012345,1,<time>,Low,7,Alice,Flat 1,,\n");
    history = Cli({"history", "--sort", "Battery"});
    ASSERT_EQ(history.status, 0) << history.err;
    const std::string aligned =
        "Serial No.  Button   Time                 Battery  User ID  User 1  User 2  User 3  "
        "User 4\n0012345     1        <time>  OK       7        Alice   Flat 1\n";
    EXPECT_EQ(NoTimes(history.out).substr(0, aligned.size()), aligned);

    const TCliResult battery = Cli({"battery", "--csv"});
    ASSERT_EQ(battery.status, 0) << battery.err;
    EXPECT_EQ(NoTimes(battery.out),
              "Serial No.,Battery,Time,User ID,User 1,User 2,User 3,User 4\n"
              "0012345,Changed,<time>,7,Alice,Flat 1,,\n");

    const TCliResult stale = Cli({"stale", document, "--days", "1", "--csv"});
    ASSERT_EQ(stale.status, 0) << stale.err;
    const auto lines = NoTimes(stale.out);
    EXPECT_EQ(lines.substr(lines.find('\n') + 1),
              "2,x022222,2,8,Bob,,,,never\n"
              "3,x033333,3,0,,,,,never\n");
    // Heard long ago.
    test::WriteAll(home + "/LastHeard.dat", "Ravlin last heard 1\r\n0012345#1#01.01.2020#\r\n");
    const TCliResult old = Cli({"stale", document, "--days", "1000000", "--csv"});
    EXPECT_EQ(old.out,
              "Position,Serial No.,Button,User ID,User 1,User 2,User 3,User 4,Last heard\n"
              "2,x022222,2,8,Bob,,,,never\n3,x033333,3,0,,,,,never\n");
    const TCliResult year = Cli({"stale", document, "--days", "365"});
    EXPECT_NE(year.out.find("\n1         x012345     1       7        Alice   Flat 1  "
                            "                01.01.2020\n"),
              std::string::npos)
        << year.out;
}

TEST_P(ListenLog, TheSettingsFileGivesTheLevels) {
    test::WriteAll(
        home + "/RavlinProj.ini",
        "[Setup]\r\nHistoryMonitorLevel=1\r\nBatteryMonitorLevel=0\r\nHistoryLength=1\r\n");
    TCliRun listen;
    ASSERT_TRUE(listen.Start(Args({"listen", "--log", "--count", "3"})));
    ASSERT_TRUE(WaitFrames(5));
    long frames = 5;
    for (const char* r : {"reception 0012345 1 01 0000", "reception 0054321 2 01 FFFF",
                          "reception 0022222 2 01 0001"}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(sim.Control(r), "ok");
        ASSERT_TRUE(WaitFrames(++frames)) << r;
    }
    const TCliResult run = listen.Finish(20000);
    ASSERT_EQ(run.status, 0) << run.err;
    // Level 1: the receiver's transmitters only; length 1: the newest; no document: no
    // user information; battery level 0: no battery log.
    EXPECT_EQ(NoTimes(ReadAll(home + "/History.dat")), "0022222#2#<time>#1#0#####\r\n");
    EXPECT_FALSE(std::filesystem::exists(home + "/LowBatt.dat"));
    EXPECT_EQ(NoTimes(ReadAll(home + "/LastHeard.dat")),
              "Ravlin last heard 1\r\n0012345#1#<time>#\r\n0022222#2#<time>#\r\n");
}

TEST_P(ListenLog, RefusesBadArgumentsAndReceiversWithoutOnlineMode) {
    EXPECT_EQ(TCliRun::Run(Args({"listen", "--history-level", "2"})).status, 2);
    EXPECT_EQ(TCliRun::Run(Args({"listen", "--log", "--battery-level", "5"})).status, 2);
    EXPECT_EQ(Cli({"history", "--sort", "nothing"}).status, 2);
    EXPECT_EQ(Cli({"battery", "extra"}).status, 2);
    EXPECT_EQ(Cli({"stale", document}).status, 2);
    EXPECT_EQ(Cli({"stale", "--days", "3"}).status, 2);
    TCliResult missing = Cli({"stale", dir.File("none.rvl"), "--days", "3"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.rvl"), std::string::npos);
    // Without logs the pages are empty, not an error.
    const TCliResult empty = Cli({"battery"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "Serial No.  Battery  Time  User ID  User 1  User 2  User 3  User 4\n");

    sim.Stop();
    ASSERT_TRUE(sim.Start(GetParam(), {"--data-dir", RAVLIN_TEST_DATA_DIR, "--type", "KV1M"}));
    const TCliResult refused = TCliRun::Run(Args({"listen", "--log", "--count", "1"}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "This receiver type has no on-line mode.\n");
    EXPECT_FALSE(std::filesystem::exists(home + "/History.dat"));
}

INSTANTIATE_TEST_SUITE_P(Transports, ListenLog,
                         ::testing::Values(TSimProcess::Tcp, TSimProcess::Pty),
                         [](const auto& info) {
                             return info.param == TSimProcess::Tcp ? "Tcp" : "Pty";
                         });

}  // namespace
}  // namespace ravlin
