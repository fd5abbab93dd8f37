// ravlin-cli setup and connection: the application and communication set-up without their
// windows (same checks, same settings file), refusals that leave the file byte for byte.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "IntegrationSupport.h"

namespace ravlin::test {
namespace {

class CliSetup : public ::testing::Test {
  protected:
    TScratchDir dir;
    void SetUp() override { std::filesystem::create_directory(dir.File("home")); }
    std::string Ini() const {
        std::ifstream in(dir.File("home/RavlinProj.ini"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    TRunResult Cli(std::vector<std::string> args) {
        std::vector<std::string> all = {"--data-dir", RAVLIN_TEST_DATA_DIR, "--home",
                                        dir.File("home")};
        all.insert(all.end(), args.begin(), args.end());
        return RunProgram(std::string(RAVLIN_BIN_DIR) + "/ravlin-cli", all);
    }
};

TEST_F(CliSetup, ApplicationSettingsAreChangedAndPrinted) {
    TRunResult r = Cli({"setup", "--language", "DE", "--backup", "0", "--title1", "Zimmer",
                        "--history-level", "2", "--sound", "off"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string ini = Ini();
    for (const char* line : {"Language=DE\r\n", "Backup=0\r\n", "User1=Zimmer\r\n",
                             "HistoryMonitorLevel=2\r\n", "SoundCard=0\r\n", "SoundSpeaker=0\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
    r = Cli({"setup"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("language: DE\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("title1: Zimmer\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sound: off\n"), std::string::npos) << r.out;

    // Bad values are usage errors and write nothing.
    const std::string before = Ini();
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"setup", "--history-level", "5"},
          {"setup", "--backup", "maybe"},
          {"setup", "--title7", "x"},
          {"setup", "--colour", "red"},
          {"setup", "--history-length"}}) {
        r = Cli(bad);
        EXPECT_EQ(r.status, 2) << bad[1];
        EXPECT_FALSE(r.err.empty()) << bad[1];
    }
    EXPECT_EQ(Ini(), before);
}

TEST_F(CliSetup, ConnectionIsCheckedAsInTheWindow) {
    TRunResult r = Cli({"connection", "--type", "tcp", "--address", "10.1.2.3", "--ip-port", "4001",
                        "--speed", "28800"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "IP 10.1.2.3:4001\n");
    const std::string ini = Ini();
    for (const char* line : {"ConnectionType=1\r\n", "IPAddress=10.1.2.3\r\n", "IPPort=4001\r\n",
                             "ComSpeed=28800\r\n", "DumpRead=0\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;

    const std::string before = Ini();
    r = Cli({"connection", "--address", "10.0.0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    r = Cli({"connection", "--speed", "fast"});
    EXPECT_EQ(r.status, 1);
    r = Cli({"connection", "--ip-port", "7"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Ini(), before);
    r = Cli({"connection"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "IP 10.1.2.3:4001\n");
}

TEST_F(CliSetup, NothingOfOneRunIsStoredAndARefusalWritesNothing) {
    const std::string start = "[Setup]\r\nConnectionType=0\r\nComNumber=3\r\n[Ports]\r\nX=1\r\n";
    std::ofstream(dir.File("home/RavlinProj.ini"), std::ios::binary) << start;
    // The connection of the command line is for this run only.
    TRunResult r = Cli({"--tcp", "203.0.113.9:7777", "--stream", "setup", "--backup", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Ini().find("203.0.113.9"), std::string::npos) << Ini();
    EXPECT_EQ(Ini().find("DumpRead=1"), std::string::npos) << Ini();
    EXPECT_NE(Ini().find("ConnectionType=0\r\nComNumber=3\r\n"), std::string::npos) << Ini();
    EXPECT_NE(Ini().find("Backup=0\r\n"), std::string::npos) << Ini();
    EXPECT_NE(Ini().find("[Ports]\r\nX=1\r\n"), std::string::npos) << Ini();

    // One bad value refuses the whole command, before anything is written.
    const std::string before = Ini();
    r = Cli({"setup", "--backup", "1", "--language", "FR"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("FR"), std::string::npos) << r.err;
    EXPECT_EQ(Ini(), before);

    // A file that cannot be written (a full disk): the cannot-write message, exit 1.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny = old;
    tiny.rlim_cur = 16;
    ::signal(SIGXFSZ, SIG_IGN);  // inherited: the write fails instead of ending the program
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    const TRunResult setup = Cli({"setup", "--backup", "1"});
    const TRunResult connection = Cli({"connection", "--type", "tcp"});
    ::setrlimit(RLIMIT_FSIZE, &old);
    for (const TRunResult& failed : {setup, connection}) {
        EXPECT_EQ(failed.status, 1);
        EXPECT_NE(failed.err.find("RavlinProj.ini"), std::string::npos) << failed.err;
    }
    EXPECT_EQ(Ini(), before);
}

}  // namespace
}  // namespace ravlin::test
