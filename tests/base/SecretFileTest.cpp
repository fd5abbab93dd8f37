#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "base/SecretFile.h"

namespace ravlin {
namespace {

class SecretFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-secret-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_;
};

void Make(const std::string& path, const std::string& content, mode_t mode) {
    std::ofstream(path, std::ios::binary) << content;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

TEST_F(SecretFile, FirstLineOfAFileOnlyItsOwnerMayUse) {
    struct TCase {
        const char* name;
        std::function<void(const std::string& path)> make;
        TSecretFileFault fault;
        std::string secret;
    };
    const std::string longest(kSecretLineLimit, 'x');
    const TCase cases[] = {
        {"line end", [](auto& p) { Make(p, "s3cr one\nsecond\n", 0600); }, TSecretFileFault::None,
         "s3cr one"},
        {"CR LF", [](auto& p) { Make(p, "s3cr\r\nsecond", 0600); }, TSecretFileFault::None, "s3cr"},
        {"no line end, read-only", [](auto& p) { Make(p, " s3cr ", 0400); }, TSecretFileFault::None,
         " s3cr "},
        {"empty", [](auto& p) { Make(p, "", 0600); }, TSecretFileFault::None, ""},
        {"longest line", [&](auto& p) { Make(p, longest + "\n", 0600); }, TSecretFileFault::None,
         longest},
        {"line too long", [&](auto& p) { Make(p, longest + "y", 0600); },
         TSecretFileFault::LineTooLong, ""},
        {"group may read", [](auto& p) { Make(p, "s3cr\n", 0640); }, TSecretFileFault::OpenToOthers,
         ""},
        {"others may read", [](auto& p) { Make(p, "s3cr\n", 0604); },
         TSecretFileFault::OpenToOthers, ""},
        {"group may change", [](auto& p) { Make(p, "s3cr\n", 0620); },
         TSecretFileFault::OpenToOthers, ""},
        {"link to a private file",
         [&](auto& p) {
             Make(dir_ + "/real", "s3cr\n", 0600);
             ASSERT_EQ(::symlink((dir_ + "/real").c_str(), p.c_str()), 0);
         },
         TSecretFileFault::None, "s3cr"},
        {"folder", [](auto& p) { ASSERT_EQ(::mkdir(p.c_str(), 0700), 0); },
         TSecretFileFault::NotRegular, ""},
        // Refused without waiting for a writer.
        {"pipe", [](auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         TSecretFileFault::NotRegular, ""},
        {"missing", [](auto&) {}, TSecretFileFault::CannotOpen, ""},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_ + "/f" + std::to_string(n++);
        c.make(path);
        const TSecretFile read = ReadSecretFile(path);
        EXPECT_EQ(read.fault, c.fault);
        EXPECT_EQ(read.secret, c.secret);
        EXPECT_EQ(SecretFileProblem(path, read).empty(), read.Ok());
        EXPECT_EQ(SecretFileProblem(path, read).find("s3cr"), std::string::npos);
    }
}

TEST_F(SecretFile, AnotherUsersFileIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file away";
    const std::string path = dir_ + "/theirs";
    Make(path, "s3cr\n", 0600);
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    EXPECT_EQ(ReadSecretFile(path).fault, TSecretFileFault::NotOwned);
}

}  // namespace
}  // namespace ravlin
