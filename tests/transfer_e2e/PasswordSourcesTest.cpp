// Where ravlin-cli takes a receiver password from: typed on a terminal without echo, a
// password file, RAVLIN_PASSWORD, --password. Against the simulator with a password; after
// every run no file in the home folder holds the password.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CliRun.h"
#include "SimProcess.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;
using test::TSimProcess;

const std::string kPassword = "Tr1ck-pw";

struct TTerminalRun {
    int status = -1;
    std::string output;  // all the terminal showed: stdout, stderr and any echo
};

// Runs ravlin-cli with a new pseudo-terminal as stdin, stdout and stderr, and types
// answers[i] and Enter at the i-th password prompt.
TTerminalRun RunOnTerminal(const std::vector<std::string>& args,
                           const std::vector<std::string>& answers) {
    TTerminalRun run;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return run;
    const std::string slave = ::ptsname(master);
    std::vector<std::string> argv{std::string(RAVLIN_BIN_DIR) + "/ravlin-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> c;
    for (auto& a : argv) c.push_back(a.data());
    c.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int fd = ::open(slave.c_str(), O_RDWR);
        for (int i = 0; i < 3; ++i) ::dup2(fd, i);
        ::execv(c[0], c.data());
        ::_exit(127);
    }
    size_t typed = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) continue;
        char buf[4096];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;  // EIO: the program ended and closed the terminal
        run.output.append(buf, static_cast<size_t>(n));
        const std::string prompt = "assword : ";  // Password, Old password, New password
        if (run.output.size() >= prompt.size() &&
            run.output.compare(run.output.size() - prompt.size(), prompt.size(), prompt) == 0 &&
            typed < answers.size()) {
            const std::string line = answers[typed++] + "\n";
            if (::write(master, line.data(), line.size()) < 0) break;
        }
    }
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == 0) ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    ::close(master);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Hex(const std::string& text) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char ch : text) {
        out += digits[ch >> 4];
        out += digits[ch & 15];
    }
    return out;
}

class PasswordSources : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
        ::unsetenv("RAVLIN_PASSWORD");
        char homeName[] = "/tmp/ravlin-pw-home-XXXXXX";
        char secretsName[] = "/tmp/ravlin-pw-files-XXXXXX";
        ASSERT_NE(::mkdtemp(homeName), nullptr);
        ASSERT_NE(::mkdtemp(secretsName), nullptr);
        home = homeName;
        secrets = secretsName;
        ASSERT_TRUE(sim.Start(TSimProcess::Tcp,
                              {"--password", kPassword, "--data-dir", RAVLIN_TEST_DATA_DIR}));
    }
    void TearDown() override {
        sim.Stop();
        ::unsetenv("RAVLIN_PASSWORD");
        std::error_code ec;
        for (auto& e : fs::recursive_directory_iterator(home, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(home, ec);
        fs::remove_all(secrets, ec);
    }
    std::vector<std::string> Args(std::vector<std::string> command) {
        std::vector<std::string> a = sim.CliOptions();
        a.insert(a.end(), {"--home", home, "--data-dir", RAVLIN_TEST_DATA_DIR, "--lang", "US",
                           "--progress"});
        a.insert(a.end(), command.begin(), command.end());
        return a;
    }
    std::string PasswordFile(const std::string& name, const std::string& password, mode_t mode) {
        const std::string path = secrets + "/" + name;
        std::ofstream(path) << password << "\n";
        ::chmod(path.c_str(), mode);
        return path;
    }
    long BytesIn() {
        const std::string stats = sim.Control("stats");
        const size_t at = stats.find("bytes-in ");
        return at == std::string::npos ? -1 : std::stol(stats.substr(at + 9));
    }
    // The home folder's files that hold `secret`, as text or as a frame's hex digits.
    std::vector<std::string> FilesHolding(const std::string& secret) {
        std::vector<std::string> found;
        for (auto& e : fs::recursive_directory_iterator(home)) {
            if (!e.is_regular_file()) continue;
            std::ifstream f(e.path(), std::ios::binary);
            const std::string content{std::istreambuf_iterator<char>(f), {}};
            if (content.find(secret) != std::string::npos ||
                content.find(Hex(secret)) != std::string::npos)
                found.push_back(e.path());
        }
        return found;
    }
    std::string PasswordArea() { return sim.Peek(std::stoi(sim.Peek(0x0F08, 2), nullptr, 16), 16); }

    std::string home, secrets;
    TSimProcess sim;
};

TEST_F(PasswordSources, EachSourceLogsInOrIsRefusedAndNoFileKeepsThePassword) {
    enum TSource { Typed, File, Environment, Option };
    struct TCase {
        const char* name;
        TSource source;
        std::string password;
        mode_t mode;  // of the password file
        int status;
        std::string message;  // part of what the run shows
        bool contacted;       // the receiver saw a byte
    };
    const std::string wrong = "Wrong password.";
    const TCase cases[] = {
        {"typed", Typed, kPassword, 0, 0, "Password : ", true},
        {"typed wrong three times", Typed, "nope", 0, 1, wrong, true},
        {"file 0600", File, kPassword, 0600, 0, "", true},
        {"file 0600 wrong", File, "nope", 0600, 1, wrong, true},
        {"file 0644", File, kPassword, 0644, 1, "other users may read or change it (mode 0644)",
         false},
        {"environment", Environment, kPassword, 0, 0, "", true},
        {"environment wrong", Environment, "nope", 0, 1, wrong, true},
        {"option", Option, kPassword, 0, 0, "", true},
        {"option wrong", Option, "nope", 0, 1, wrong, true},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string data = home + "/out" + std::to_string(++n) + ".rvl";
        const std::vector<std::string> download{"download", "-o", data};
        const long before = BytesIn();
        int status = -1;
        std::string shown;
        if (c.source == Typed) {
            const TTerminalRun run =
                RunOnTerminal(Args(download), {c.password, c.password, c.password, c.password});
            status = run.status;
            shown = run.output;
            // Three prompts for a wrong password, one for the right one.
            size_t prompts = 0;
            for (size_t at = 0; (at = shown.find("Password : ", at)) != std::string::npos; ++at)
                ++prompts;
            EXPECT_EQ(prompts, c.status == 0 ? 1u : 3u);
        } else {
            std::vector<std::string> args = download;
            if (c.source == File)
                args.insert(args.begin(), {"--password-file", PasswordFile("pw" + std::to_string(n),
                                                                           c.password, c.mode)});
            if (c.source == Option) args.insert(args.begin(), {"--password", c.password});
            if (c.source == Environment) ::setenv("RAVLIN_PASSWORD", c.password.c_str(), 1);
            const test::TCliResult run = test::TCliRun::Run(Args(args), 60000);
            ::unsetenv("RAVLIN_PASSWORD");
            status = run.status;
            shown = run.out + run.err;
            EXPECT_EQ(run.err.find("warning: other users of this machine can read the password") !=
                          std::string::npos,
                      c.source == Option);
        }
        EXPECT_EQ(status, c.status) << shown;
        EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
        EXPECT_EQ(fs::exists(data), c.status == 0);
        EXPECT_EQ(BytesIn() > before, c.contacted);
        // Not echoed, not in a message or the progress, not in the data file, backup or
        // settings.
        EXPECT_EQ(shown.find(kPassword), std::string::npos) << shown;
        EXPECT_EQ(FilesHolding(kPassword), std::vector<std::string>{});
    }
}

TEST_F(PasswordSources, PasswdTypesTheNewPasswordTwiceOrTakesItFromAFile) {
    const std::string next = "n3xt-pw";
    TTerminalRun differ = RunOnTerminal(Args({"passwd"}), {kPassword, next, "n3xt-pX"});
    EXPECT_EQ(differ.status, 1) << differ.output;
    EXPECT_NE(differ.output.find("the two new passwords differ"), std::string::npos);
    EXPECT_EQ(PasswordArea(), Hex(kPassword) + std::string(32 - 2 * kPassword.size(), '0'));

    TTerminalRun same = RunOnTerminal(Args({"passwd"}), {kPassword, next, next});
    EXPECT_EQ(same.status, 0) << same.output;
    EXPECT_EQ(same.output.find(next), std::string::npos) << same.output;
    EXPECT_EQ(PasswordArea(), Hex(next) + std::string(32 - 2 * next.size(), '0'));

    const test::TCliResult files =
        test::TCliRun::Run(Args({"--password-file", PasswordFile("old", next, 0600), "passwd",
                                 "--new-password-file", PasswordFile("new", kPassword, 0600)}),
                           60000);
    EXPECT_EQ(files.status, 0) << files.err;
    EXPECT_EQ(PasswordArea(), Hex(kPassword) + std::string(32 - 2 * kPassword.size(), '0'));
    EXPECT_EQ(FilesHolding(kPassword), std::vector<std::string>{});
    EXPECT_EQ(FilesHolding(next), std::vector<std::string>{});
}

}  // namespace
}  // namespace ravlin
