// The demo: the simulator's own receptions (--demo-receptions) and the command-line demo
// that scripts/demo.sh runs without a display.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "CliRun.h"
#include "IntegrationSupport.h"
#include "SimProcess.h"

namespace ravlin::test {
namespace {

const std::string kData = RAVLIN_TEST_DATA_DIR;
// The battery state is "-" for an input transmitter, which reports none.
const std::regex kReceptionLine("[0-9A-F]{7} [0-9A-F] (ok|low|-) ([0-9]+|-)");

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The receptions of the demo memory come from its transmitters (code with the type prefix
// of the data file, button, memory position), now and then with a low battery or from a
// transmitter it has not learnt; the same seed gives the same receptions.
TEST(SimDemo, ReceptionsComeFromTheMemoryAndRepeatWithTheSeed) {
    TScratchDir dir;
    TSimProcess sims[2];
    TCliRun listens[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(sims[i].Start(TSimProcess::Tcp, {"--load", kData + "/Demo.rvl",
                                                     "--demo-receptions", "0.2", "--seed", "5"}));
        std::vector<std::string> args = sims[i].CliOptions();
        args.insert(args.end(), {"--home", dir.Path(), "listen", "--count", "16"});
        ASSERT_TRUE(listens[i].Start(args));
    }
    const TCliResult first = listens[0].Finish(), second = listens[1].Finish();
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(second.out, first.out);

    // The transmitters of Demo.rvl: code -> memory positions + 1 by button.
    const std::map<std::string, std::map<std::string, std::string>> learnt = {
        {"241A2B3", {{"8", "1"}, {"4", "2"}}},
        {"250F00D", {{"8", "3"}}},
        {"2677777", {{"8", "4"}}},
        {"3100A1F", {{"1", "5"}}},
        {"A13C3C3", {{"3", "6"}, {"6", "6"}}},  // the contact's two input states
    };
    int low = 0, unknown = 0;
    std::set<std::string> heard;
    const std::vector<std::string> lines = Lines(first.out);
    ASSERT_EQ(lines.size(), 16u) << first.out;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        ASSERT_TRUE(std::regex_match(line, kReceptionLine));
        const std::string code = line.substr(0, 7), button = line.substr(8, 1);
        const std::string position = line.substr(line.rfind(' ') + 1);
        low += line.find(" low ") != std::string::npos;
        const auto t = learnt.find(code);
        if (position == "-") {
            ++unknown;
            EXPECT_TRUE(t == learnt.end());
            continue;
        }
        ASSERT_TRUE(t != learnt.end());
        ASSERT_TRUE(t->second.count(button));
        EXPECT_EQ(position, t->second.at(button));
        EXPECT_FALSE(code[0] == 'A' && line.find(" low ") != std::string::npos);
        heard.insert(code + button);
    }
    EXPECT_GT(low, 0);
    EXPECT_GT(unknown, 0);
    EXPECT_GE(heard.size(), 4u);  // not one transmitter again and again
}

// Without a display the demo runs the command-line tool against the simulator: info,
// download, show, then three receptions and the alarms of three more.
TEST(HeadlessDemo, ShowsReceptionsAndAnAlarm) {
    TScratchDir dir;
    const TRunResult r = RunProgram(
        "/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "DEMO_HOME=" + dir.File("home"),
                         "DEMO_EVERY=0.6", "bash", kData + "/../scripts/demo.sh", RAVLIN_BIN_DIR});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    auto after = [&](const std::string& command) {
        auto at = std::find(lines.begin(), lines.end(), "$ ravlin-cli " + command);
        return at == lines.end() ? at : at + 1;
    };
    const auto listen = after("listen --count 3");
    ASSERT_GE(lines.end() - listen, 3) << r.out;
    for (auto l = listen; l != listen + 3; ++l)
        EXPECT_TRUE(std::regex_match(*l, kReceptionLine)) << *l;
    const auto monitor = after("monitor data/Demo.mon --count 3");
    ASSERT_TRUE(monitor != lines.end()) << r.out;
    EXPECT_TRUE(std::any_of(monitor, lines.end(), [](const std::string& l) {
        return std::regex_match(l, std::regex("activate [0-9]+ .+"));
    })) << r.out;
    EXPECT_NE(r.out.find("\nPosition "), std::string::npos) << r.out;  // show's table
}

}  // namespace
}  // namespace ravlin::test
