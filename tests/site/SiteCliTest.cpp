// ravlin-cli site against several simulators at once: a lost transmitter revoked
// everywhere, a dry run, find and add-transmitter, receivers that share a line, and the
// book's own commands.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliRun.h"
#include "SimProcess.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;
using test::TCliResult;
using test::TSimProcess;

// A KV2R record (16 digits: output 01, button, five serial digits, channels 01, time 0000,
// extra 00).
std::string Rec(char button, const std::string& serial) {
    return std::string("01") + button + serial + "01000000";
}
constexpr const char* kEmpty = "0000000000000000";  // KV2R's empty record

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

class SiteCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
        char tmpl[] = "/tmp/ravlin-site-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        book = dir + "/estate.rvs";
    }
    void TearDown() override {
        sims.clear();
        std::error_code ec;
        for (auto& e : fs::recursive_directory_iterator(dir, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }

    // A simulated KV2R whose record area begins with `records`.
    TSimProcess& StartSim(const std::vector<std::string>& records,
                          std::vector<std::string> args = {},
                          TSimProcess::TTransport transport = TSimProcess::Tcp) {
        sims.push_back(std::make_unique<TSimProcess>());
        TSimProcess& sim = *sims.back();
        args.insert(args.end(), {"--type", "KV2R", "--data-dir", RAVLIN_TEST_DATA_DIR});
        EXPECT_TRUE(sim.Start(transport, args));
        std::string data;
        for (const std::string& r : records) data += r;
        if (!data.empty()) {
            EXPECT_EQ(sim.Control("memory 1000 " + data), "ok");
        }
        return sim;
    }
    TCliResult Cli(std::vector<std::string> args) {
        std::vector<std::string> all{"--home", dir + "/home", "--data-dir", RAVLIN_TEST_DATA_DIR,
                                     "--lang", "US",          "site",       book};
        all.insert(all.end(), args.begin(), args.end());
        return test::TCliRun::Run(all, 120000);
    }
    void AddReceiver(const std::string& name, TSimProcess& sim) {
        std::vector<std::string> args{"add", name};
        for (const std::string& o : sim.CliOptions()) args.push_back(o);
        const TCliResult r = Cli(args);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // The first records of a simulator's record area, as hex digits.
    std::string Records(TSimProcess& sim, int count) {
        return Hex(sim.RecordArea()).substr(0, static_cast<size_t>(count) * 16);
    }

    std::string dir, book;
    std::vector<std::unique_ptr<TSimProcess>> sims;
};

// The site: the code in two good receivers (one of them on two buttons), one
// receiver without it, one whose memory cell in the code's record is stuck, and one that
// does not answer.
TEST_F(SiteCli, RevokeRemovesTheCodeEverywhereAndReportsEachReceiver) {
    const std::vector<std::string> a = {Rec('3', "12345"), Rec('1', "11111"), Rec('6', "12345"),
                                        Rec('3', "22222")};
    const std::vector<std::string> b = {Rec('3', "33333"), Rec('3', "12345")};
    const std::vector<std::string> c = {Rec('3', "44444")};
    const std::vector<std::string> s = {Rec('3', "12345"), Rec('3', "55555")};
    TSimProcess& simA = StartSim(a);
    TSimProcess& simB = StartSim(b);
    TSimProcess& simC = StartSim(c);
    TSimProcess& simS = StartSim(s, {"--stuck", "1002"});  // in the code's record
    TSimProcess gone;
    ASSERT_TRUE(gone.Start(TSimProcess::Tcp, {"--data-dir", RAVLIN_TEST_DATA_DIR}));
    const std::vector<std::string> goneOptions = gone.CliOptions();
    gone.Stop();
    AddReceiver("gate-a", simA);
    AddReceiver("gate-b", simB);
    AddReceiver("door-c", simC);
    AddReceiver("stuck", simS);
    ASSERT_EQ(Cli({"add", "gone", goneOptions[0], goneOptions[1]}).status, 0);

    // A dry run tells and changes nothing: no memory, no data file, no log.
    const std::string bookBefore = ReadText(book);
    TCliResult r = Cli({"revoke", "x012345", "--dry-run"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("gate-a would revoke 2\ngate-b would revoke 1\ndoor-c not present\n"
                         "stuck would revoke 1\ngone failed: Can't connect"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(Records(simA, 4), a[0] + a[1] + a[2] + a[3]);
    EXPECT_EQ(ReadText(book), bookBefore);
    EXPECT_FALSE(fs::exists(dir + "/gate-a.rvl"));
    EXPECT_FALSE(fs::exists(dir + "/estate.log"));
    EXPECT_FALSE(fs::exists(dir + "/home/Backup"));

    r = Cli({"revoke", "2412345", "--jobs", "4"});
    std::printf("%s", r.out.c_str());
    EXPECT_EQ(r.status, 1) << r.err;
    const std::vector<std::string> lines = {"gate-a revoked 2", "gate-b revoked 1",
                                            "door-c not present",
                                            "stuck failed: ", "gone failed: Can't connect"};
    std::istringstream out(r.out);
    for (const std::string& want : lines) {
        std::string line;
        ASSERT_TRUE(std::getline(out, line)) << r.out;
        EXPECT_EQ(line.substr(0, want.size()), want);
    }
    EXPECT_NE(r.out.find("stuck failed: the receiver does not hold what was written"),
              std::string::npos);
    // The good ones lost exactly the code's records; every other byte is as it was.
    EXPECT_EQ(Records(simA, 5), kEmpty + a[1] + kEmpty + a[3] + std::string(16, 'F'));
    EXPECT_EQ(Records(simB, 3), b[0] + kEmpty + std::string(16, 'F'));
    EXPECT_EQ(Records(simC, 2), c[0] + std::string(16, 'F'));
    // The stuck receiver's data file holds what its read-back showed: the record is there.
    const std::string stuckFile = ReadText(dir + "/stuck.rvl");
    EXPECT_NE(stuckFile.find(Records(simS, 1)), std::string::npos);
    EXPECT_NE(Records(simS, 1), kEmpty);
    // Data files of the changed receivers hold their memory; the one without is untouched.
    EXPECT_NE(ReadText(dir + "/gate-a.rvl").find(Records(simA, 4)), std::string::npos);
    EXPECT_FALSE(fs::exists(dir + "/door-c.rvl"));
    int backups = 0;
    for (const auto& e : fs::directory_iterator(dir + "/home/Backup/estate")) {
        ++backups;
        EXPECT_EQ(e.status().permissions() & fs::perms::owner_write, fs::perms::none);
        EXPECT_EQ(e.path().filename().string().rfind("door-c", 0), std::string::npos);
    }
    EXPECT_EQ(backups, 3);
    // The report is in the site's log; the book knows the good ones' last download.
    const std::string log = ReadText(dir + "/estate.log");
    EXPECT_NE(log.find("revoke 2412345\ngate-a: revoked 2 records\ngate-b: revoked 1 record\n"
                       "door-c: not present\nstuck: failed: "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("5 receivers, 2 failed"), std::string::npos);
    const std::string bookAfter = ReadText(book);
    EXPECT_NE(bookAfter.find("[gate-b]\ntcp = " + simB.CliOptions()[1] +
                             "\ndata-file = gate-b.rvl\nlast-download = "),
              std::string::npos)
        << bookAfter;
}

TEST_F(SiteCli, FindAndAddTransmitterWorkOnTheChosenReceivers) {
    TSimProcess& simA = StartSim({Rec('3', "12345"), kEmpty, Rec('3', "22222")});
    TSimProcess& simB = StartSim({Rec('3', "33333")});
    TSimProcess& simC = StartSim({});
    AddReceiver("gate-a", simA);
    AddReceiver("gate-b", simB);
    AddReceiver("door-c", simC);
    TCliResult r = Cli({"add-transmitter", "x0ABCDE", "--button", "6", "--function", "Bistable",
                        "--user1", "Flat 4", "--to", "gate-a,gate-b"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "gate-a added 2\ngate-b added 2\n");
    // Into the first free position, the rest unchanged; the receiver not chosen untouched.
    EXPECT_EQ(Records(simA, 3), Rec('3', "12345") + "026ABCDE00000000" + Rec('3', "22222"));
    EXPECT_EQ(Records(simB, 3), Rec('3', "33333") + "026ABCDE00000000" + std::string(16, 'F'));
    EXPECT_EQ(Records(simC, 1), std::string(16, 'F'));
    // Once more: it is there already, nothing is written.
    r = Cli({"add-transmitter", "x0ABCDE", "--button", "6", "--function", "Bistable", "--to",
             "gate-b"});
    EXPECT_EQ(r.out, "gate-b present 2\n");
    // A function the receiver type does not know is refused by the record editor's rules.
    r = Cli({"add-transmitter", "x0ABCDF", "--button", "6", "--function", "Sideways", "--to",
             "gate-a"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("gate-a failed: ", 0), 0u) << r.out;
    EXPECT_EQ(Records(simA, 4).substr(48), std::string(16, 'F'));

    // Find by code (any prefix: the serial decides) and by user text, in the data files.
    r = Cli({"find", "24ABCDE"});
    EXPECT_EQ(r.status, 0);  // door-c has no data file yet: named on stderr
    EXPECT_EQ(r.out, "gate-a\t2\tx0ABCDE\tFlat 4\t\t\t\ngate-b\t2\tx0ABCDE\tFlat 4\t\t\t\n");
    EXPECT_NE(r.err.find("door-c: no data file yet"), std::string::npos);
    ASSERT_EQ(Cli({"download"}).status, 0);
    r = Cli({"find", "flat"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "gate-a\t2\tx0ABCDE\tFlat 4\t\t\t\ngate-b\t2\tx0ABCDE\tFlat 4\t\t\t\n");
    EXPECT_EQ(Cli({"find", "nobody"}).out, "");
}

// Two book entries on one serial line take turns; at the same time their exchanges would
// mix on the line.
TEST_F(SiteCli, ReceiversOnOneSerialLineTakeTurns) {
    TSimProcess& sim = StartSim({Rec('3', "12345")}, {}, TSimProcess::Pty);
    AddReceiver("door-1", sim);
    AddReceiver("door-2", sim);
    const TCliResult r = Cli({"download", "--jobs", "8"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "door-1 downloaded 1\ndoor-2 downloaded 1\n");
}

// Each receiver logs in with the password of its own password file and must be of the
// type the book expects; check tells what a download would find without writing.
TEST_F(SiteCli, PasswordsAndTypesComeFromTheBook) {
    TSimProcess& sim = StartSim({Rec('3', "12345")}, {"--password", "secret"});
    const std::string port = sim.CliOptions()[1];
    struct {
        const char* name;
        const char* secret;  // nullptr: no password file
        const char* type;
    } receivers[] = {{"right", "secret", nullptr},
                     {"wrong", "guess", nullptr},
                     {"none", nullptr, nullptr},
                     {"typed", "secret", "KV8M"}};
    for (const auto& r : receivers) {
        std::vector<std::string> args{"add", r.name, "--tcp", port};
        if (r.secret) {
            const std::string file = dir + "/" + r.name + ".pass";
            std::ofstream(file) << r.secret << "\n";
            ::chmod(file.c_str(), 0600);
            args.insert(args.end(), {"--password-file", file});
        }
        if (r.type) args.insert(args.end(), {"--type", r.type});
        ASSERT_EQ(Cli(args).status, 0);
    }
    TCliResult r = Cli({"check"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "right reached, KV2R, 1 record used, no data file\n"
              "wrong failed: Wrong password.\n"
              "none failed: the receiver has a password and the book names no password file\n"
              "typed failed: the receiver is a KV2R, the book expects a KV8M\n");
    EXPECT_FALSE(fs::exists(dir + "/right.rvl"));
    ASSERT_EQ(Cli({"download"}).out.substr(0, 19), "right downloaded 1\n");
    EXPECT_EQ(Cli({"check"}).out.substr(0, 51),
              "right reached, KV2R, 1 record used, data file same\n");
    EXPECT_EQ(ReadText(book).find("secret"), std::string::npos);
}

TEST_F(SiteCli, TheBookRefusesWhatItCannotKeepAndStaysAsItWas) {
    TSimProcess& sim = StartSim({});
    AddReceiver("gate-a", sim);
    const std::string secret = dir + "/gate.pass";
    std::ofstream(secret) << "abc\n";
    ::chmod(secret.c_str(), 0644);
    const std::string before = ReadText(book);
    struct TCase {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const TCase cases[] = {
        {{"add", "gate-a", "--tcp", "127.0.0.1:9"}, 1, "already has a receiver gate-a"},
        {{"add", "gate b", "--tcp", "127.0.0.1:9"}, 2, "may hold only letters"},
        {{"add", "gate-b"}, 2, "needs either --tcp"},
        {{"add", "gate-b", "--tcp", "127.0.0.1:9", "--password-file", secret}, 1, "gate.pass"},
        {{"add", "gate-b", "--tcp", "127.0.0.1:9", "--password", "abc"}, 2, "keeps no passwords"},
        {{"remove", "gate-z"}, 1, "has no receiver gate-z"},
        {{"revoke", "12-45"}, 2, "not a transmitter code"},
    };
    for (const TCase& c : cases) {
        const TCliResult r = Cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ReadText(book), before) << c.args[1];
    }
    ::chmod(secret.c_str(), 0600);
    ASSERT_EQ(Cli({"add", "gate-b", "--device", "/dev/ttyUSB0", "--baud", "57600", "--type", "KV8M",
                   "--password-file", secret})
                  .status,
              0);
    const TCliResult list = Cli({"list", "--json"});
    EXPECT_NE(list.out.find("{\"name\": \"gate-b\", \"device\": \"/dev/ttyUSB0\", \"baud\": 57600, "
                            "\"type\": \"KV8M\", \"passwordFile\": \"gate.pass\", \"dataFile\": "
                            "\"gate-b.rvl\", \"records\": null, \"lastDownload\": null"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(ReadText(book).find("abc"), std::string::npos);  // never the password
    ASSERT_EQ(Cli({"remove", "gate-a"}).status, 0);
    EXPECT_EQ(Cli({"list"}).out.find("gate-a"), std::string::npos);
}

}  // namespace
}  // namespace ravlin
