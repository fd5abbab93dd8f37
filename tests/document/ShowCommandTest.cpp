// ravlin-cli show over the delivered demo file and over refused files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "../records/RecordTestUtil.h"
#include "RecordingUi.h"
#include "document/DataFile.h"

namespace ravlin {
namespace {

struct TRun {
    int status = -1;
    std::string out, err;
};

TRun RunShow(const std::string& args, const test::TTempDir& home) {
    const std::string errFile = home.File("stderr.txt");
    const std::string command = std::string(RAVLIN_BIN_DIR) + "/ravlin-cli --data-dir " +
                                test::DeliveredDataDir() + " --home " + home.path() + " show " +
                                args + " 2>" + errFile;
    TRun run;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) run.out.append(buffer, n);
    const int status = ::pclose(p);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = test::ReadText(errFile);
    return run;
}

TEST(ShowCommand, DemoFileOpensAndListsItsTransmitters) {
    const TTextTable texts = test::NumberedTexts();
    test::TRecordingUi ui;
    TDataFileEnv env{test::DeliveredDataDir(), texts, ui};
    TDevice device;
    TRecordTable table;
    std::string image;
    ASSERT_TRUE(OpenData(test::DeliveredDataDir() + "/Demo.rvl", env, false, device, table, image));
    EXPECT_TRUE(ui.messages.empty());
    int used = 0;
    for (const auto& r : table) used += r.Empty ? 0 : 1;
    EXPECT_GE(used, 3);
    EXPECT_NE(table[0].User1, "");

    test::TTempDir home;
    const TRun csv = RunShow(test::DeliveredDataDir() + "/Demo.rvl --csv", home);
    EXPECT_EQ(csv.status, 0) << csv.err;
    // Header plus one line per used record; the channel list "1, 2" and the time "0:05,0"
    // hold commas and are quoted.
    size_t lines = 0;
    for (char c : csv.out) lines += c == '\n';
    EXPECT_EQ(lines, static_cast<size_t>(used) + 1);
    EXPECT_NE(csv.out.find("3,250F00D,8,Timer,\"1, 2\",\"0:05,0\","), std::string::npos) << csv.out;

    const TRun aligned = RunShow(test::DeliveredDataDir() + "/Demo.rvl", home);
    EXPECT_EQ(aligned.status, 0);
    EXPECT_NE(aligned.out.find("250F00D     8       Timer"), std::string::npos) << aligned.out;
}

TEST(ShowCommand, ARefusedFileExitsWithItsMessage) {
    test::TTempDir home;
    test::WriteText(home.File("bad.rvl"), "KV2R\r\n2\r\n0000\r\n");
    const TRun run = RunShow(home.File("bad.rvl"), home);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(" - " + home.File("bad.rvl")), std::string::npos) << run.err;
    EXPECT_EQ(RunShow("", home).status, 2);
}

}  // namespace
}  // namespace ravlin
