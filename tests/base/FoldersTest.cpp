#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>

#include "base/Folders.h"

namespace ravlin {
namespace {

TEST(Folders, OptionsWinOverEnvironment) {
    ::setenv("RAVLIN_DATA_DIR", "/env/data", 1);
    ::setenv("RAVLIN_HOME", "/env/home", 1);
    TFolders f = TFolders::Resolve("/opt/data/", "/opt/home");
    EXPECT_EQ(f.dataDir, "/opt/data");
    EXPECT_EQ(f.homeDir, "/opt/home");
    EXPECT_EQ(f.settingsFile, "/opt/home/RavlinProj.ini");
    EXPECT_EQ(f.BackupDir(), "/opt/home/Backup");

    f = TFolders::Resolve("", "");
    EXPECT_EQ(f.dataDir, "/env/data");
    EXPECT_EQ(f.homeDir, "/env/home");
    ::unsetenv("RAVLIN_DATA_DIR");
    ::unsetenv("RAVLIN_HOME");
}

TEST(Folders, XdgFoldersWhenNothingGiven) {
    ::unsetenv("RAVLIN_HOME");
    ::setenv("XDG_DATA_HOME", "/x/data", 1);
    ::setenv("XDG_CONFIG_HOME", "/x/config", 1);
    TFolders f = TFolders::Resolve("", "");
    EXPECT_EQ(f.homeDir, "/x/data/ravlin");
    EXPECT_EQ(f.settingsFile, "/x/config/ravlin/RavlinProj.ini");
    // The build tree's data folder lies beside the test program.
    EXPECT_FALSE(f.dataDir.empty());
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(Folders, MakeWritableCreatesBackupAndSettingsFolders) {
    char tmpl[] = "/tmp/ravlin-folders-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    TFolders f = TFolders::Resolve("/nonexistent", std::string(tmpl) + "/a/b");
    ASSERT_TRUE(f.MakeWritable());
    struct stat st {};
    EXPECT_EQ(::stat((std::string(tmpl) + "/a/b/Backup").c_str(), &st), 0);
    EXPECT_FALSE(MakeDirs("/proc/ravlin-cannot-make"));
    std::system((std::string("rm -rf ") + tmpl).c_str());
}

}  // namespace
}  // namespace ravlin
