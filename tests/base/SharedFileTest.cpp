// The locked update of a shared file and the checked reading of outside files: the lock
// keeps writers apart and dies with its holder, changes made at the same time are all
// kept, a writer killed half-way leaves nothing behind that lasts, and a reader never
// waits on a FIFO or reads a file beyond its limit.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "base/SharedFile.h"

namespace ravlin {
namespace {

class SharedFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-shared-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/Log.dat";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    // A child that holds the lock of path_ until it is killed; its pid once it holds it.
    pid_t HoldLockInChild() {
        int ready[2];
        if (::pipe(ready) != 0) return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            TFileLock lock;
            if (lock.Acquire(path_) != 0) ::_exit(1);
            const char c = 'x';
            [[maybe_unused]] const ssize_t n = ::write(ready[1], &c, 1);
            for (;;) ::pause();
        }
        char c = 0;
        ::close(ready[1]);
        const bool held = ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
        return held ? pid : -1;
    }
    std::string dir_, path_;
};

TEST_F(SharedFile, ALockHeldTooLongFailsTheWaitAndDiesWithItsHolder) {
    const pid_t holder = HoldLockInChild();
    ASSERT_GT(holder, 0);
    TFileLock lock;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lock.Acquire(path_, 200), ETIMEDOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    // Killed while holding it: the lock file stays, the lock does not.
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(std::filesystem::exists(LockFileOf(path_)));
    EXPECT_EQ(lock.Acquire(path_, 200), 0);
    // The update counter moves on with every update under the lock.
    const uint64_t before = lock.Generation();
    lock.CountUpdate();
    EXPECT_EQ(lock.Generation(), before + 1);
}

TEST_F(SharedFile, UpdatesAtTheSameTimeAreAllKept) {
    // Two threads and a child process append lines through the update; none is lost.
    constexpr int kEach = 60;
    auto append = [this](char who) {
        for (int i = 0; i < kEach; ++i)
            ASSERT_EQ(UpdateSharedFile(path_,
                                       [&](std::string& content, bool) {
                                           content +=
                                               std::string(1, who) + std::to_string(i) + "\r\n";
                                           return TUpdateStep::Write;
                                       }),
                      0);
    };
    const pid_t child = ::fork();
    if (child == 0) {
        append('c');
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    std::thread a(append, 'a'), b(append, 'b');
    a.join();
    b.join();
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    const std::string text = Read(path_);
    for (char who : {'a', 'b', 'c'})
        for (int i = 0; i < kEach; ++i)
            EXPECT_NE(text.find(std::string(1, who) + std::to_string(i) + "\r\n"),
                      std::string::npos)
                << who << i;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 * kEach);
}

TEST_F(SharedFile, AKilledWritersTemporaryFileIsRemovedByTheNextUpdate) {
    // What a writer killed between its write and its rename leaves.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);  // a process id that is surely gone
    const std::string stale = dir_ + "/.Log.dat." + std::to_string(child) + ".0.tmp";
    std::ofstream(stale) << "half";
    const std::string other = dir_ + "/.Other.dat." + std::to_string(child) + ".0.tmp";
    std::ofstream(other) << "not ours";
    ASSERT_EQ(UpdateSharedFile(path_, [](std::string&, bool) { return TUpdateStep::Keep; }), 0);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(other));
}

TEST_F(SharedFile, ARefusedFileIsNeitherWaitedOnNorReadNorReplaced) {
    const std::string fifo = dir_ + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir_ + "/zero";
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    const std::string big = dir_ + "/big";
    std::ofstream(big) << std::string(5000, 'x');
    struct Case {
        std::string path;
        int error;
    } cases[] = {
        {fifo, EISDIR}, {zero, EISDIR}, {dir_, EISDIR}, {big, EFBIG}, {dir_ + "/missing", ENOENT}};
    for (const Case& c : cases) {
        std::string out = "old";
        EXPECT_EQ(ReadWholeFile(c.path, out, 4096), c.error) << c.path;
        EXPECT_EQ(out, "") << c.path;
        bool changed = false;
        const int error = UpdateSharedFile(
            c.path,
            [&](std::string&, bool) {
                changed = true;
                return TUpdateStep::Write;
            },
            TUpdateOptions{
                .maxBytes = 4096, .write = {}, .waitMs = kLockWaitMs, .refused = nullptr});
        EXPECT_EQ(error, c.error == ENOENT ? 0 : c.error) << c.path;
        EXPECT_EQ(changed, c.error == ENOENT) << c.path;
    }
    EXPECT_EQ(Read(big).size(), 5000u);
    // The head of a long file: its first bytes, and word that it goes on.
    std::string head;
    bool cut = false;
    ASSERT_EQ(ReadFileHead(big, head, 100, cut), 0);
    EXPECT_EQ(head, std::string(100, 'x'));
    EXPECT_TRUE(cut);
    EXPECT_EQ(RefusalText(EFBIG, 16u << 20), ": larger than 16 MiB");
    EXPECT_EQ(RefusalText(EISDIR, 0), ": not a regular file");
}

TEST_F(SharedFile, ANewFileIsNeverPutOverOneOfTheSameName) {
    ASSERT_EQ(WriteFileAtomically(path_, "first", {.mustBeNew = true}), 0);
    EXPECT_EQ(WriteFileAtomically(path_, "second", {.mustBeNew = true}), EEXIST);
    EXPECT_EQ(Read(path_), "first");
    // Nothing but the file is left in the folder.
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir_)) ++entries;
    EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace ravlin
