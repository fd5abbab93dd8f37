// ravlin-cli download/upload/passwd/listen against the real simulator, over TCP and a
// pseudo-terminal, with and without injected faults.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliRun.h"
#include "SimProcess.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;
using test::TSimProcess;
using Clock = std::chrono::steady_clock;

using TRun = test::TCliResult;
using TCli = test::TCliRun;

std::string HexOf(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

std::vector<std::string> Lines(const std::string& file) {
    std::ifstream f(file, std::ios::binary);
    std::vector<std::string> out;
    for (std::string l; std::getline(f, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

class TransferE2e : public ::testing::TestWithParam<TSimProcess::TTransport> {
  protected:
    void SetUp() override {
        // Short byte time-outs and pauses in the command-line tool (its test hook).
        ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
        char tmpl[] = "/tmp/ravlin-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        home = tmpl;
    }
    void TearDown() override {
        sim.Stop();
        std::error_code ec;
        for (auto& e : fs::recursive_directory_iterator(home, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(home, ec);
    }
    void StartSim(std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--data-dir", RAVLIN_TEST_DATA_DIR});
        ASSERT_TRUE(sim.Start(GetParam(), args));
    }
    std::vector<std::string> Base() {
        std::vector<std::string> a = sim.CliOptions();
        a.insert(a.end(), {"--home", home, "--data-dir", RAVLIN_TEST_DATA_DIR, "--lang", "US"});
        return a;
    }
    TRun Cli(std::vector<std::string> args, int timeoutMs = 60000) {
        std::vector<std::string> all = Base();
        all.insert(all.end(), args.begin(), args.end());
        TCli cli;
        if (!cli.Start(all)) return {};
        return cli.Finish(timeoutMs);
    }
    // Writes distinct data into the first `records` records of the simulator.
    void FillRecords(int records, int recordBytes) {
        const int start = std::stoi(sim.Peek(0x0F00, 2), nullptr, 16);
        std::string data;
        for (int i = 0; i < records * recordBytes; ++i) {
            char b[3];
            std::snprintf(b, sizeof b, "%02X", (i * 29 + 5) & 0x7F);
            data += b;
        }
        char addr[8];
        std::snprintf(addr, sizeof addr, "%04X", start);
        ASSERT_EQ(sim.Control(std::string("memory ") + addr + " " + data), "ok");
    }

    // Waits until the simulator has seen `frames` frames in all.
    bool WaitFrames(long frames, int timeoutMs = 10000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            long n = -1;
            std::sscanf(sim.Control("stats").c_str(), "frames %ld", &n);
            if (n >= frames) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string home;
    TSimProcess sim;
};

TEST_P(TransferE2e, DownloadWritesTheDataFileAndTheBackup) {
    StartSim();
    FillRecords(6, 8);
    const std::string file = home + "/out.rvl";
    TRun r = Cli({"download", "-o", file});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(file);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "KV8M");
    const std::string area = HexOf(sim.RecordArea());
    EXPECT_EQ(lines[2].size(), area.size());
    EXPECT_EQ(lines[2].substr(0, 6 * 16), area.substr(0, 6 * 16));
    int backups = 0;
    for (auto& e : fs::directory_iterator(home + "/Backup")) {
        ++backups;
        EXPECT_EQ(Lines(e.path())[2], lines[2]);
    }
    EXPECT_EQ(backups, 1);
}

TEST_P(TransferE2e, StreamDownloadWithNoBackup) {
    StartSim();
    FillRecords(6, 8);
    const std::string file = home + "/out.rvl";
    TRun r = Cli({"--stream", "download", "-o", file, "--no-backup"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(file)[2].substr(0, 96), HexOf(sim.RecordArea()).substr(0, 96));
    EXPECT_TRUE(!fs::exists(home + "/Backup") || fs::is_empty(home + "/Backup"));
}

TEST_P(TransferE2e, UploadWritesTheFileIntoTheReceiver) {
    StartSim();
    FillRecords(3, 8);
    const std::string file = home + "/out.rvl";
    ASSERT_EQ(Cli({"download", "-o", file, "--no-backup"}).status, 0);
    // Erase the receiver, then put the file back.
    ASSERT_EQ(sim.Control("memory " + sim.Peek(0x0F00, 2) + " " + std::string(48, 'F')), "ok");
    TRun r = Cli({"upload", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(HexOf(sim.RecordArea()), Lines(file)[2]);
}

TEST_P(TransferE2e, PasswordIsCheckedChangedAndRemoved) {
    StartSim({"--password", "secret"});
    const std::string file = home + "/out.rvl";
    TRun wrong = Cli({"--password", "nope", "download", "-o", file});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err,
              "ravlin-cli download: warning: other users of this machine can read the password "
              "given with --password; use --password-file FILE, RAVLIN_PASSWORD or the prompt\n"
              "Wrong password.\n");
    EXPECT_FALSE(fs::exists(file));

    EXPECT_EQ(Cli({"--password", "secret", "passwd", "--new", "next"}).status, 0);
    EXPECT_EQ(sim.Peek(std::stoi(sim.Peek(0x0F08, 2), nullptr, 16), 4), "6E657874");
    EXPECT_EQ(Cli({"--password", "next", "passwd", "--new", ""}).status, 0);
    EXPECT_EQ(Cli({"download", "-o", file, "--no-backup"}).status, 0);
}

TEST_P(TransferE2e, UploadOfAnotherReceiverTypeIsRefused) {
    StartSim({"--type", "KV2R"});
    FillRecords(2, 8);
    const std::string file = home + "/kv2r.rvl";
    ASSERT_EQ(Cli({"download", "-o", file, "--no-backup"}).status, 0);
    sim.Stop();
    StartSim();
    const std::string before = sim.Control("stats");
    TRun r = Cli({"upload", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The file belongs to another receiver type than the connected receiver - " +
                         file + "\n");
    // Only the login reads reached the receiver.
    EXPECT_EQ(sim.Control("stats").substr(0, 9), "frames 3 ");
}

TEST_P(TransferE2e, UnknownReceiverTypeIsRefused) {
    StartSim({"--type", "NOSUCH", "--record-length", "8", "--end", "10FF"});
    const std::string file = home + "/x.rvl";
    TRun r = Cli({"download", "-o", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The receiver type is not in the receiver catalogue.\n");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(Cli({"passwd", "--new", "x"}).status, 1);
    EXPECT_EQ(sim.Peek(std::stoi(sim.Peek(0x0F08, 2), nullptr, 16), 1), "00");
}

TEST_P(TransferE2e, ListenPrintsOneLinePerReception) {
    StartSim({"--type", "KV2R"});  // KV8M has no on-line mode
    std::vector<std::string> args = Base();
    args.insert(args.end(), {"listen", "--count", "2"});
    TCli cli;
    ASSERT_TRUE(cli.Start(args));
    // Login reads descriptor, name and password; listening starts after the check of
    // name and password.
    ASSERT_TRUE(WaitFrames(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(sim.Control("reception 1234567 3 1 4"), "ok");
    ASSERT_TRUE(WaitFrames(6));  // the last-reception block was read
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(sim.Control("reception 00ABCDE 5 0 FFFF"), "ok");
    TRun r = cli.Finish(20000);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1234567 3 low 5\n00ABCDE 5 ok -\n");
}

TEST_P(TransferE2e, ListenStopsOnInterrupt) {
    StartSim({"--type", "KV2R"});
    std::vector<std::string> args = Base();
    args.push_back("listen");
    TCli cli;
    ASSERT_TRUE(cli.Start(args));
    ASSERT_TRUE(WaitFrames(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cli.Signal(SIGINT);
    TRun r = cli.Finish(10000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(r.seconds, 5);
}

INSTANTIATE_TEST_SUITE_P(Transports, TransferE2e,
                         ::testing::Values(TSimProcess::Tcp, TSimProcess::Pty),
                         [](const auto& info) {
                             return info.param == TSimProcess::Tcp ? "Tcp" : "Pty";
                         });

// Faults over TCP: every run either succeeds with the receiver's exact image or fails with
// a message, in bounded time.
class TransferTcp : public TransferE2e {};

TEST_P(TransferTcp, NoisyLinksGiveTheExactImageOrAMessage) {
    // Each fault setting runs in several variants (seeds, or where the fault strikes): some
    // must end with the receiver's exact image, the others with the reading error. A
    // setting whose every run fails tests nothing.
    const std::string kReadError = "Communication error while reading the receiver memory";
    struct TCase {
        std::string name;
        std::vector<std::vector<std::string>> variants;
        bool stream;
        // Noise on every byte also reaches the login's reads, which fail with their own
        // messages.
        bool loginMessages = false;
    };
    auto seeds = [](const std::string& option, const std::string& rate) {
        std::vector<std::vector<std::string>> v;
        for (const char* seed : {"3", "7", "11", "19"}) v.push_back({option, rate, "--seed", seed});
        return v;
    };
    const std::vector<TCase> cases = {
        {"drop", seeds("--drop", "0.002"), false},
        {"corrupt", seeds("--corrupt", "0.00003"), true, true},
        {"corrupt", seeds("--corrupt", "0.001"), false, true},
        {"delay", seeds("--delay", "0.2:30"), false},
        {"answer-r", seeds("--answer-r", "0.3"), false},
        {"reply-digit", seeds("--reply-digit", "0.05"), false},
        {"mute-after", {{"--mute-after", "6"}, {"--mute-after", "400"}}, false},
        {"disconnect-after stream",
         {{"--disconnect-after", "900"}, {"--disconnect-after", "90000"}},
         true},
        {"disconnect-after",
         {{"--disconnect-after", "700"}, {"--disconnect-after", "90000"}},
         false},
    };
    for (const auto& c : cases) {
        int succeeded = 0;
        for (const auto& variant : c.variants) {
            sim.Stop();
            StartSim(variant);
            FillRecords(20, 8);
            const std::string file = home + "/fault.rvl";
            fs::remove(file);
            std::vector<std::string> args = {"download", "-o", file, "--no-backup"};
            if (c.stream) args.insert(args.begin(), "--stream");
            TRun r = Cli(args, 120000);
            SCOPED_TRACE(c.name + " " + variant[1]);
            std::printf("  %s %s %s: exit %d in %.1f s %s", c.name.c_str(), variant[1].c_str(),
                        c.stream ? "stream" : "blocks", r.status, r.seconds, r.err.c_str());
            if (r.err.empty() || r.err.back() != '\n') std::printf("\n");
            ASSERT_NE(r.status, -1) << "hung: " << r.err;
            if (r.status == 0) {
                ++succeeded;
                EXPECT_EQ(Lines(file)[2].substr(0, 20 * 16),
                          HexOf(sim.RecordArea()).substr(0, 20 * 16));
            } else {
                EXPECT_EQ(r.status, 1);
                const bool login =
                    r.err == "Wrong password.\n" ||
                    r.err.rfind("The receiver name or password has changed since login", 0) == 0;
                EXPECT_TRUE(r.err.rfind(kReadError, 0) == 0 || (c.loginMessages && login)) << r.err;
                EXPECT_FALSE(fs::exists(file));
            }
        }
        EXPECT_GE(succeeded, 1) << c.name << ": no run succeeded";
    }
}

TEST_P(TransferTcp, CorruptedBlockRepliesNeverGiveAWrongImage) {
    const std::string kReadError = "Communication error while reading the receiver memory";
    int exact = 0, failed = 0;
    for (const char* rate : {"0.1", "0.3", "0.6"}) {
        for (const char* seed : {"1", "2", "5"}) {
            sim.Stop();
            StartSim({"--reply-digit", rate, "--seed", seed});
            FillRecords(40, 8);
            const std::string file = home + "/digits.rvl";
            fs::remove(file);
            TRun r = Cli({"download", "-o", file, "--no-backup"}, 120000);
            SCOPED_TRACE(std::string(rate) + " seed " + seed);
            ASSERT_NE(r.status, -1) << "hung";
            if (r.status == 0) {
                ++exact;
                EXPECT_EQ(Lines(file)[2], HexOf(sim.RecordArea()));
            } else {
                ++failed;
                EXPECT_EQ(r.status, 1);
                EXPECT_EQ(r.err.substr(0, kReadError.size()), kReadError) << r.err;
                EXPECT_NE(r.err.find("no two reads agree at"), std::string::npos) << r.err;
                EXPECT_FALSE(fs::exists(file));
            }
        }
    }
    std::printf("  changed reply digits: %d exact, %d failed\n", exact, failed);
    EXPECT_GE(exact, 1);
    // Without the second read the changed digits are taken as the receiver's memory.
    sim.Stop();
    StartSim({"--reply-digit", "0.3", "--seed", "4"});
    FillRecords(40, 8);
    const std::string file = home + "/unverified.rvl";
    TRun r = Cli({"download", "-o", file, "--no-backup", "--no-verify"}, 120000);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Lines(file)[2], HexOf(sim.RecordArea()));
}

// KV8M, the simulator's default type: records of 57 bytes.
constexpr int kRecord = 57;

TEST_P(TransferTcp, UploadToACellThatIgnoresWritesNamesTheRecord) {
    StartSim();
    FillRecords(6, kRecord);
    const std::string file = home + "/out.rvl";
    ASSERT_EQ(Cli({"download", "-o", file, "--no-backup"}).status, 0);
    const int start = std::stoi(sim.Peek(0x0F00, 2), nullptr, 16);
    char cell[16];
    std::snprintf(cell, sizeof cell, "%04X", start + 2 * kRecord + 10);  // record 3, past its key
    ASSERT_EQ(sim.Control(std::string("memory ") + cell + " 00"), "ok");
    ASSERT_EQ(sim.Control(std::string("set stuck ") + cell), "ok");
    TRun r = Cli({"upload", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Records the receiver does not hold as written: 1"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("  position 3  "), std::string::npos) << r.err;
    // Without the read-back the same upload says nothing.
    TRun quiet = Cli({"upload", file, "--no-verify"});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
}

TEST_P(TransferTcp, LearntRecordsRefuseTheUploadUnlessForcedOrMerged) {
    StartSim();
    FillRecords(3, kRecord);
    const std::string file = home + "/old.rvl";
    ASSERT_EQ(Cli({"download", "-o", file, "--no-backup"}).status, 0);
    FillRecords(5, kRecord);  // two transmitters learnt at the receiver
    const auto learnt = sim.RecordArea();

    TRun diff = Cli({"diff", file});
    EXPECT_EQ(diff.status, 0) << diff.err;
    EXPECT_NE(diff.out.find("remove or overwrite: 2"), std::string::npos) << diff.out;
    EXPECT_NE(diff.out.find("position 4"), std::string::npos) << diff.out;
    EXPECT_EQ(sim.RecordArea(), learnt);

    TRun refused = Cli({"upload", file});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("position 5"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(sim.RecordArea(), learnt);

    const std::string copy = home + "/merge.rvl";
    fs::copy_file(file, copy);
    TRun merged = Cli({"upload", copy, "--merge"});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(HexOf(sim.RecordArea()).substr(0, 5 * 2 * kRecord),
              HexOf(learnt).substr(0, 5 * 2 * kRecord));
    EXPECT_EQ(Lines(copy)[2].substr(0, 5 * 2 * kRecord), HexOf(learnt).substr(0, 5 * 2 * kRecord));

    TRun forced = Cli({"upload", file, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(HexOf(sim.RecordArea()), Lines(file)[2]);
    EXPECT_EQ(Cli({"upload", file, "--force", "--merge"}).status, 2);
}

TEST_P(TransferTcp, InterruptEndsADownloadOnADeadLineWithin130) {
    ::unsetenv("RAVLIN_LINK_TIMING");  // the real byte time-out
    StartSim({"--mute-after", "3"});   // the login's three reads, then silence
    FillRecords(20, 8);
    std::vector<std::string> args = Base();
    args.insert(args.end(), {"download", "-o", home + "/dead.rvl", "--no-backup"});
    TCli cli;
    ASSERT_TRUE(cli.Start(args));
    ASSERT_TRUE(WaitFrames(4, 20000));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto sent = Clock::now();
    cli.Signal(SIGINT);
    TRun r = cli.Finish(20000);
    const double after = std::chrono::duration<double>(Clock::now() - sent).count();
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_LT(after, 2.0);
    // No failure messages that the interrupt itself caused.
    EXPECT_EQ(r.err, "ravlin-cli download: interrupted\n");
    EXPECT_FALSE(fs::exists(home + "/dead.rvl"));
}

TEST_P(TransferTcp, ListenEndsWithStatusOneWhenTheLinkIsLost) {
    StartSim({"--type", "KV2R"});
    std::vector<std::string> args = Base();
    args.push_back("listen");
    TCli cli;
    ASSERT_TRUE(cli.Start(args));
    ASSERT_TRUE(WaitFrames(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(sim.Control("disconnect"), "ok");
    TRun r = cli.Finish(10000);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "The connection to the receiver was lost.\n");
}

TEST_P(TransferTcp, ListenWithReconnectGoesOnAcrossAnOutage) {
    StartSim({"--type", "KV2R"});
    std::ofstream(home + "/RavlinProj.ini") << "[Setup]\r\nReconnectFirst=1\r\nReconnectMax=1\r\n";
    std::vector<std::string> args = Base();
    args.insert(args.end(), {"listen", "--reconnect", "--count", "2"});
    TCli cli;
    ASSERT_TRUE(cli.Start(args));
    ASSERT_TRUE(WaitFrames(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(sim.Control("reception 0012345 1 00 0000"), "ok");
    ASSERT_TRUE(cli.WaitOut("0012345 1 ok 1\n"));
    ASSERT_EQ(sim.Control("down"), "ok");
    ASSERT_TRUE(cli.WaitOut("trouble link-lost\n"));
    ASSERT_EQ(sim.Control("up"), "ok");
    ASSERT_TRUE(cli.WaitOut("trouble link-restored "));
    ASSERT_TRUE(WaitFrames(3));  // the login again and the look at the last reception
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(sim.Control("reception 0054321 2 01 FFFF"), "ok");
    TRun r = cli.Finish(10000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.out, std::regex("0012345 1 ok 1\ntrouble link-lost\n"
                                                   "trouble link-restored [0-9]+\n"
                                                   "0054321 2 low -\n")))
        << r.out;
}

TEST_P(TransferTcp, PasswordEndingInABlankWorksTypedTheSameWay) {
    StartSim();
    EXPECT_EQ(Cli({"passwd", "--new", "abc "}).status, 0);
    TRun same = Cli({"--password", "abc ", "download", "-o", home + "/a.rvl", "--no-backup"});
    EXPECT_EQ(same.status, 0) << same.err;
    TRun trimmed = Cli({"--password", "abc", "download", "-o", home + "/b.rvl", "--no-backup"});
    EXPECT_EQ(trimmed.status, 0) << trimmed.err;
}

TEST_P(TransferTcp, NoisyUploadsWriteTheExactImageOrFail) {
    StartSim();
    FillRecords(12, 8);
    const std::string file = home + "/out.rvl";
    ASSERT_EQ(Cli({"download", "-o", file, "--no-backup"}).status, 0);
    const std::string image = Lines(file)[2];
    for (const char* fault : {"drop 0.003", "corrupt 0.003", "answer-r 0.2"}) {
        SCOPED_TRACE(fault);
        ASSERT_EQ(sim.Control("memory " + sim.Peek(0x0F00, 2) + " " + std::string(200, '0')), "ok");
        ASSERT_EQ(sim.Control(std::string("set ") + fault), "ok");
        TRun r = Cli({"upload", file, "--force"}, 120000);
        sim.Control("set drop 0");
        sim.Control("set corrupt 0");
        sim.Control("set answer-r 0");
        ASSERT_NE(r.status, -1) << "hung";
        if (r.status == 0) {
            EXPECT_EQ(HexOf(sim.RecordArea()), image);
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_FALSE(r.err.empty());
        }
        std::printf("  upload with %s: exit %d in %.1f s %s\n", fault, r.status, r.seconds,
                    r.err.c_str());
    }
}

TEST_P(TransferTcp, UploadRejectedByTheReceiverFails) {
    StartSim();
    FillRecords(2, 8);
    const std::string file = home + "/out.rvl";
    ASSERT_EQ(Cli({"download", "-o", file, "--no-backup"}).status, 0);
    ASSERT_EQ(sim.Control("set answer-x 1"), "ok");
    TRun r = Cli({"upload", file}, 120000);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
}

// An unpaced pseudo-terminal cannot carry a 150 KB stream answer in one go (the
// simulator models an overrun line there); over a serial line the stream is paced.
TEST_P(TransferTcp, StreamDownloadOfTheLargestAreaNeedsNoRetry) {
    StartSim({"--start", "1000", "--end", "FFFF"});
    FillRecords(7000, 8);
    const std::string file = home + "/big.rvl";
    TRun r = Cli({"--stream", "download", "-o", file, "--no-backup"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(file)[2].substr(0, 7000 * 16), HexOf(sim.RecordArea()).substr(0, 7000 * 16));
    // Login 3 reads, verification 2, one stream frame per pass.
    EXPECT_EQ(sim.Control("stats").substr(0, 9), "frames 7 ");
}

INSTANTIATE_TEST_SUITE_P(Tcp, TransferTcp, ::testing::Values(TSimProcess::Tcp));

TEST(TransferCli, UsageErrors) {
    TCli cli;
    ASSERT_TRUE(cli.Start({"--tcp", "127.0.0.1:1", "download"}));
    EXPECT_EQ(cli.Finish().status, 2);
    TCli cli2;
    ASSERT_TRUE(cli2.Start({"--tcp", "127.0.0.1:1", "passwd"}));
    EXPECT_EQ(cli2.Finish().status, 2);
}

}  // namespace
}  // namespace ravlin
