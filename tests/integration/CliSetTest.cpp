// ravlin-cli set and delete on data files: edits through the editor's rules, refusals that
// leave the file byte for byte, and an edited file uploaded to the simulator and downloaded
// again.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "IntegrationSupport.h"
#include "SimProcess.h"
#include "catalog/Language.h"

namespace ravlin::test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliSet : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.File("home"));
        std::filesystem::copy_file(std::string(RAVLIN_TEST_DATA_DIR) + "/Demo.rvl", File());
        TSilentUi silent;
        TLanguage language(RAVLIN_TEST_DATA_DIR, silent);
        ASSERT_TRUE(language.LoadLanguage("US"));
        texts = language.Texts();
    }
    std::string File() const { return dir.File("demo.rvl"); }
    TRunResult Cli(std::vector<std::string> args) {
        std::vector<std::string> all = {
            "--data-dir", RAVLIN_TEST_DATA_DIR, "--home", dir.File("home"), "--lang", "US"};
        all.insert(all.end(), args.begin(), args.end());
        return RunProgram(std::string(RAVLIN_BIN_DIR) + "/ravlin-cli", all);
    }
    // The Memory view lines of the file, as `show --csv` prints them.
    std::vector<std::string> Rows(const std::string& file) {
        const TRunResult r = Cli({"show", file, "--csv"});
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> rows;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);) rows.push_back(line);
        return rows;
    }

    TScratchDir dir;
    TTextTable texts;
};

TEST_F(CliSet, FillsAnEmptyRecordEditsAnotherAndDeletes) {
    const auto before = Rows(File());
    ASSERT_EQ(before.size(), 7u);  // header and six records
    TRunResult r = Cli({"set", File(), "10", "--code", "1a2b3", "--type", "TX4 Classic", "--button",
                        "6", "--function", "timer", "--time", "1:30,250", "--channels", "1,2",
                        "--user-id", "5", "--user1", "Gate \xC3\xBC"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = Cli({"set", File(), "3", "--time", "0:10"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto rows = Rows(File());
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[3], "3,250F00D,8,Timer,\"1, 2\",\"0:10,0\",");
    // Saving packs the records: the new one follows the six others.
    EXPECT_EQ(rows[7], "7,241A2B3,6,Timer,\"1, 2\",\"1:30,200\",");
    const std::string text = ReadFile(File());
    EXPECT_NE(text.find("5#Gate \xFC####\r\n24 TX4 Classic\r\n"), std::string::npos);

    r = Cli({"delete", File(), "1", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    rows = Rows(File());
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[1].substr(0, 10), "1,250F00D,");
}

TEST_F(CliSet, RefusalsGiveTheEditorsMessagesAndLeaveTheFile) {
    const std::string original = ReadFile(File());
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::string f = File();
    const Case cases[] = {
        {{"set", f, "3", "--code", "12345G"}, 1, TextAt(texts, Text::BadTxCode) + "\n"},
        {{"set", f, "3", "--function", "Dance"}, 1, TextAt(texts, Text::UnknownFunction) + "\n"},
        {{"set", f, "1", "--button", "3", "--function", "Direct"},
         1,
         TextAt(texts, Text::UnknownFunction) + "\n"},
        {{"set", f, "6", "--button", "3", "--function", "Direct"},
         1,
         TextAt(texts, Text::RecordBreaksRules) + "\n"},
        {{"set", f, "6", "--button", "5"},
         1,
         "The transmitter type RDI-1 Contact has no button code 5; its codes are 3 (Closed), 6 "
         "(Open), F.\n"},
        {{"set", f, "4", "--button", "3"},
         1,
         "The transmitter type TX1 Key has no button code 3; its codes are 8.\n"},
        {{"set", f, "3", "--user2", "a#b"},
         1,
         "User 2: the character \"#\" cannot be stored, it separates the fields of the data "
         "file.\n"},
        {{"set", f, "3", "--user3", "\xCE\xA9"},
         1,
         "User 3 contains characters that cannot be stored: U+03A9\n"},
        {{"set", f, "1", "--time", "0:05"}, 1, "The function Monostable takes no time.\n"},
        {{"set", f, "3", "--channels", "3"},
         1,
         "Channel 3 does not exist; the channels are 1 to 2.\n"},
        {{"set", f, "9"}, 1, "Position 9 is empty: a transmitter code is needed to fill it.\n"},
        {{"set", f, "251", "--code", "x012345"},
         1,
         "Position 251 does not exist; the memory has positions 1 to 250.\n"},
        {{"delete", f, "9"}, 1, "Position 9 holds no transmitter.\n"},
        {{"delete", f, "1", "300"},
         1,
         "Position 300 does not exist; the memory has positions 1 to 250.\n"},
        {{"set", f, "3", "--time", "later"}, 2, ""},
        {{"set", f, "x"}, 2, ""},
        {{"set", f, "3", "--colour", "red"}, 2, ""},
        {{"delete", f}, 2, ""},
    };
    for (const Case& c : cases) {
        const TRunResult r = Cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[3] << ": " << r.err;
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err);
        }
        EXPECT_EQ(ReadFile(File()), original);
    }
    // An edit that changes nothing does not write the file either.
    EXPECT_EQ(Cli({"set", f, "3", "--function", "Timer"}).status, 0);
    EXPECT_EQ(ReadFile(File()), original);
}

// The record lines of a data file (the memory line and the user lines) that differ.
std::vector<std::string> ChangedLines(const std::string& before, const std::string& after) {
    std::vector<std::string> a, b, changed;
    for (auto [text, lines] : {std::pair{&before, &a}, std::pair{&after, &b}}) {
        std::istringstream in(*text);
        for (std::string line; std::getline(in, line);) lines->push_back(line);
    }
    EXPECT_EQ(a.size(), b.size());
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) changed.push_back(b[i]);
    return changed;
}

// What the user did not touch stays as stored; the typed code is stored as typed; what
// the rules change besides is said on stderr.
TEST_F(CliSet, EditsChangeOnlyWhatWasGiven) {
    const std::string original = ReadFile(File());
    // Record 6, an input transmitter with Monostable and button 3: only its user text.
    TRunResult r = Cli({"set", File(), "6", "--user2", "Garage door"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ChangedLines(original, ReadFile(File())),
              std::vector<std::string>{"6   104#Door contact#Garage door#Building B##\r"});
    EXPECT_EQ(Rows(File())[6], "6,A13C3C3,3,Monostable,2,-,");

    r = Cli({"set", File(), "1", "--code", "3100A1F", "--button", "4"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Rows(File())[1], "1,3100A1F,4,Monostable,1,-,");
    r = Cli({"set", File(), "1", "--code", "A123456"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "The button code becomes F: codes beginning with A take the button code F.\n"
              "The function becomes -: Monostable is not offered for the code A123456.\n");
    EXPECT_EQ(Rows(File())[1], "1,A123456,F,-,1,-,");
    // An input transmitter of either type takes Direct.
    r = Cli({"set", File(), "6", "--function", "Direct", "--button", "F"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Rows(File())[6], "6,A13C3C3,F,Direct,2,-,");
}

class CliSetSim : public CliSet, public ::testing::WithParamInterface<TSimProcess::TTransport> {};

TEST_P(CliSetSim, EditedFileUploadedAndDownloadedAgainIsTheSame) {
    ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
    TSimProcess sim;
    ASSERT_TRUE(sim.Start(
        GetParam(), {"--type", "KV2R", "--records", "250", "--data-dir", RAVLIN_TEST_DATA_DIR}));
    auto link = [&](std::vector<std::string> args) {
        std::vector<std::string> all = sim.CliOptions();
        all.insert(all.end(), args.begin(), args.end());
        return Cli(all);
    };
    const std::string edited = dir.File("edited.rvl");
    ASSERT_EQ(link({"download", "-o", edited, "--no-backup"}).status, 0);
    // Empty receiver: three transmitters added, one deleted.
    ASSERT_EQ(Cli({"set", edited, "1", "--code", "x0A0001", "--function", "Timer", "--time",
                   "0:05,500", "--channels", "2"})
                  .status,
              0);
    ASSERT_EQ(Cli({"set", edited, "2", "--code", "2410002", "--type", "TX4 Classic", "--button",
                   "9", "--function", "Bistable", "--user1", "two"})
                  .status,
              0);
    ASSERT_EQ(Cli({"set", edited, "3", "--code", "A110003", "--function", "Inverse"}).status, 0);
    ASSERT_EQ(Cli({"delete", edited, "2"}).status, 0);
    const auto rows = Rows(edited);
    ASSERT_EQ(rows.size(), 3u);

    const TRunResult up = link({"upload", edited});
    ASSERT_EQ(up.status, 0) << up.err;
    const std::string again = dir.File("again.rvl");
    ASSERT_EQ(link({"download", "-o", again, "--no-backup"}).status, 0);
    // The receiver keeps the serial digits; the code prefix is the data file's own.
    auto withoutPrefix = [](std::vector<std::string> lines) {
        for (size_t i = 1; i < lines.size(); ++i) lines[i].erase(lines[i].find(',') + 1, 2);
        return lines;
    };
    EXPECT_EQ(withoutPrefix(Rows(again)), withoutPrefix(rows));
    EXPECT_EQ(rows[1], "1,x0A0001,0,Timer,2,\"0:05,500\",");
    EXPECT_EQ(rows[2], "2,A110003,F,Inverse,-,-,");
}

// A new user's edit from the command line: a transmitter added to a receiver with two, its
// function and time changed, a name given (a KV8T-N keeps it), another deleted; uploaded and
// downloaded again.
TEST_F(CliSet, ANewUsersEditUploadedAndDownloadedAgain) {
    ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
    // KV8T-N records: O O B S S S S S K K T T T T, then a digit and 16 text bytes.
    auto record = [](const std::string& head, const std::string& name) {
        std::string extra = "0";
        for (unsigned char c : name) {
            static const char kHex[] = "0123456789ABCDEF";
            extra += kHex[c >> 4];
            extra += kHex[c & 15];
        }
        extra.resize(34, '0');
        return head + extra;
    };
    std::string bytes;
    for (const std::string& r : {record("01"
                                        "3"
                                        "23456"
                                        "01"
                                        "0000",
                                        "Door"),
                                 record("02"
                                        "1"
                                        "0ABCD"
                                        "03"
                                        "0000",
                                        "Stairs")})
        for (size_t i = 0; i < r.size(); i += 2)
            bytes += static_cast<char>(std::stoi(r.substr(i, 2), nullptr, 16));
    bytes.append(24 * 8, '\xFF');
    dir.Write("area.bin", bytes);
    TSimProcess sim;
    ASSERT_TRUE(sim.Start(TSimProcess::Tcp, {"--type", "KV8T-N", "--data-dir", RAVLIN_TEST_DATA_DIR,
                                             "--load", dir.File("area.bin")}));
    auto link = [&](std::vector<std::string> args) {
        std::vector<std::string> all = sim.CliOptions();
        all.insert(all.end(), args.begin(), args.end());
        return Cli(all);
    };
    const std::string file = dir.File("mine.rvl");
    ASSERT_EQ(link({"download", "-o", file, "--no-backup"}).status, 0);
    ASSERT_EQ(Rows(file).size(), 3u);
    TRunResult r = Cli({"set", file, "3", "--code", "x0C0FFE", "--function", "Monostable"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli({"set", file, "3", "--function", "Timer", "--time", "0:45"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli({"set", file, "3", "--user1", "Garage"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli({"delete", file, "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto edited = Rows(file);
    ASSERT_EQ(edited.size(), 3u);
    EXPECT_EQ(edited[1], "1,x00ABCD,1,Bistable,\"1, 2\",-,Stairs");
    EXPECT_EQ(edited[2], "2,x0C0FFE,0,Timer,-,\"0:45,0\",Garage");

    // The receiver still holds the deleted "Door": the upload removes it only when told to.
    const TRunResult refused = link({"upload", file});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("x023456"), std::string::npos) << refused.err;
    const TRunResult up = link({"upload", file, "--force"});
    ASSERT_EQ(up.status, 0) << up.err;
    const std::string again = dir.File("again.rvl");
    ASSERT_EQ(link({"download", "-o", again, "--no-backup"}).status, 0);
    // The receiver holds the name; the code prefix is the data file's own ("x0" here too).
    EXPECT_EQ(Rows(again), edited);
}

INSTANTIATE_TEST_SUITE_P(Transports, CliSetSim,
                         ::testing::Values(TSimProcess::Tcp, TSimProcess::Pty),
                         [](const ::testing::TestParamInfo<TSimProcess::TTransport>& i) {
                             return std::string(i.param == TSimProcess::Tcp ? "Tcp" : "Pty");
                         });

}  // namespace
}  // namespace ravlin::test
