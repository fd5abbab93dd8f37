#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/AtomicFile.h"

namespace ravlin {
namespace {

class AtomicFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-atomic-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { ASSERT_EQ(std::system(("rm -rf " + dir_).c_str()), 0); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        DIR* d = ::opendir(dir_.c_str());
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        ::closedir(d);
        return names;
    }
    std::string dir_;
};

TEST_F(AtomicFile, ReplacesContentKeepsModeAndLeavesNoTemporaryFile) {
    const std::string path = dir_ + "/a.txt";
    ASSERT_EQ(WriteFileAtomically(path, "first\r\n"), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(WriteFileAtomically(path, std::string("se\0cond", 7)), 0);
    std::string read;
    ASSERT_EQ(ReadWholeFile(path, read), 0);
    EXPECT_EQ(read, std::string("se\0cond", 7));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.txt"});
}

TEST_F(AtomicFile, FollowsALinkAndKeepsIt) {
    const std::string real = dir_ + "/real.txt";
    const std::string link = dir_ + "/link.txt";
    ASSERT_EQ(WriteFileAtomically(real, "old"), 0);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_EQ(WriteFileAtomically(link, "new"), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::string read;
    ASSERT_EQ(ReadWholeFile(real, read), 0);
    EXPECT_EQ(read, "new");
}

TEST_F(AtomicFile, RefusalsLeaveEverythingAsItWas) {
    // A missing folder is an error unless asked to make it.
    EXPECT_EQ(WriteFileAtomically(dir_ + "/no/such/f.txt", "x"), ENOENT);
    EXPECT_EQ(WriteFileAtomically(dir_ + "/made/f.txt", "x", {.makeFolder = true}), 0);
    // A folder is never replaced.
    EXPECT_EQ(WriteFileAtomically(dir_ + "/made", "x"), EISDIR);
    // A read-only file is refused when asked, and keeps its content.
    const std::string ro = dir_ + "/ro.txt";
    ASSERT_EQ(WriteFileAtomically(ro, "keep"), 0);
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    EXPECT_EQ(WriteFileAtomically(ro, "lost", {.refuseReadOnly = true}), EACCES);
    std::string read;
    ASSERT_EQ(ReadWholeFile(ro, read), 0);
    EXPECT_EQ(read, "keep");
    EXPECT_EQ(ReadWholeFile(dir_ + "/missing", read), ENOENT);
    EXPECT_EQ(Entries().size(), 2u);  // made/ and ro.txt, no temporary file
}

}  // namespace
}  // namespace ravlin
