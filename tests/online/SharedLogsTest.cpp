// Many programs, one home folder. Four `ravlin-cli listen --log` and two `ravlin-cli
// monitor`, each against a simulator of its own, get receptions at the same moments while
// a process of the test refreshes the user information and clears the battery log through
// the calls the window makes; every log then holds exactly what was written, entry by
// entry. And writers killed at random moments never leave a log that does not read back
// whole, nor lose an entry whose write had returned.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "CliRun.h"
#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "SimProcess.h"
#include "base/IniFile.h"
#include "monitoring/AlarmLog.h"
#include "online/Battery.h"
#include "online/History.h"
#include "online/LastHeard.h"

namespace ravlin {
namespace {

using test::ReadAll;
using test::TCliResult;
using test::TCliRun;
using test::TSimProcess;

// The serial of listener `l`'s reception `i`: one of its own for every entry.
std::string ListenerSerial(int l, int i) {
    char s[8];
    std::snprintf(s, sizeof s, "0%d%05X", l, i);
    return s;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        out.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "a line without its CR LF";
    return out;
}

// What a line holds once its time (the third field of the logs) is taken out.
std::string WithoutTime(const std::string& line, size_t timeField) {
    size_t start = 0;
    for (size_t i = 0; i < timeField; ++i) start = line.find('#', start) + 1;
    return line.substr(0, start) + line.substr(line.find('#', start));
}

class SharedLogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
        home = dir.File("home");
        std::filesystem::create_directory(home);
    }
    std::vector<std::string> Args(const TSimProcess& sim, std::vector<std::string> command) {
        std::vector<std::string> a = sim.CliOptions();
        a.insert(a.end(), {"--home", home, "--data-dir", RAVLIN_TEST_DATA_DIR, "--lang", "US"});
        a.insert(a.end(), command.begin(), command.end());
        return a;
    }
    static long Frames(TSimProcess& sim) {
        long n = -1;
        std::sscanf(sim.Control("stats").c_str(), "frames %ld", &n);
        return n;
    }

    test::TTempDir dir;
    std::string home;
};

TEST_F(SharedLogs, SixProgramsAndTheWindowsCallsKeepEveryEntry) {
    constexpr int kListeners = 4, kMonitors = 2, kSteps = 16;
    test::WriteAll(home + "/RavlinProj.ini",
                   "[Setup]\r\nHistoryLength=99999\r\nBatteryMonitorSortCol=0\r\n");
    // Entries of before: one the refresher gives user information, battery entries that
    // it clears (the changed ones, and the selected ones by serial).
    test::WriteAll(home + "/History.dat", "0F12345#1#01.01.2024 10:00:00#0#0#####\r\n");
    std::string lowBatt = "0F12345#0#01.01.2024 10:00:00#0#####\r\n";
    for (int i = 0; i < 10; ++i) {
        lowBatt += "0E0000" + std::to_string(i) + "#1#01.01.2024 10:00:00#0#####\r\n";
        lowBatt += "0D0000" + std::to_string(i) + "#0#01.01.2024 10:00:00#0#####\r\n";
    }
    test::WriteAll(home + "/LowBatt.dat", lowBatt);
    for (int m = 1; m <= kMonitors; ++m)
        test::WriteAll(dir.File("m" + std::to_string(m) + ".mon"),
                       "Ravlin monitor setup file\r\n1#M" + std::to_string(m) +
                           "#1#12#0###0#0#0#\r\nActive:x012345#1#n#end\r\n"
                           "Deactive:x022222#2#n#end\r\n");

    std::vector<std::unique_ptr<TSimProcess>> sims;
    std::vector<std::unique_ptr<TCliRun>> runs;
    const std::string count = std::to_string(kSteps);
    for (int p = 0; p < kListeners + kMonitors; ++p) {
        sims.push_back(std::make_unique<TSimProcess>());
        ASSERT_TRUE(sims.back()->Start(TSimProcess::Tcp,
                                       {"--type", "KV3S", "--data-dir", RAVLIN_TEST_DATA_DIR}));
        runs.push_back(std::make_unique<TCliRun>());
        const std::vector<std::string> command =
            p < kListeners
                ? std::vector<std::string>{"listen",          "--log", "--count",         count,
                                           "--history-level", "4",     "--battery-level", "4"}
                : std::vector<std::string>{
                      "monitor", dir.File("m" + std::to_string(p - kListeners + 1) + ".mon"),
                      "--count", count};
        ASSERT_TRUE(runs.back()->Start(Args(*sims.back(), command)));
    }

    // The window's calls from another process, all the while: user information afresh
    // from its records, Clear Changed, and Clear Selected of the entries chosen before.
    int stop[2];
    ASSERT_EQ(::pipe(stop), 0);
    const pid_t refresher = ::fork();
    if (refresher == 0) {
        ::close(stop[1]);
        const TTextTable texts = test::LogTexts();
        TSilentUi ui;
        THistory history(home + "/History.dat", texts, ui);
        history.SetLength(THistory::kMaxLength);
        TBatteryLog battery(home + "/LowBatt.dat", texts, ui);
        const TRecordTable table = {test::Record(1, "12345", "1", 9, "Zed")};
        history.Load();
        battery.Load();
        pollfd p{stop[0], POLLIN, 0};
        int rounds = 0;
        while (::poll(&p, 1, 10) == 0 || rounds < 3) {
            bool ok = history.RefreshUserInfo(table) && battery.RefreshUserInfo(table) &&
                      battery.ClearChanged();
            std::vector<int> chosen;
            for (size_t i = 0; i < battery.Items().size(); ++i)
                if (battery.Items()[i].Serial.compare(0, 2, "0D") == 0)
                    chosen.push_back(static_cast<int>(i));
            ok = battery.ClearSelected(chosen) && ok;
            if (!ok) ::_exit(1);
            ++rounds;
        }
        ::_exit(0);
    }
    ::close(stop[0]);

    // Logged in (descriptor, name, password) and on-line (name, password again).
    for (auto& sim : sims) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Frames(*sim) < 5 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_GE(Frames(*sim), 5);
    }
    for (int step = 0; step < kSteps; ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::vector<long> before;
        for (auto& sim : sims) before.push_back(Frames(*sim));
        // The same moment for all six: the monitors' come and go in turn.
        for (int p = 0; p < kListeners + kMonitors; ++p) {
            const std::string reception =
                p < kListeners ? "reception " + ListenerSerial(p + 1, step) + " 1 01 FFFF"
                               : std::string(step % 2 ? "reception 0022222 2 00 FFFF"
                                                      : "reception 0012345 1 00 FFFF");
            ASSERT_EQ(sims[static_cast<size_t>(p)]->Control(reception), "ok");
        }
        for (size_t p = 0; p < sims.size(); ++p) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (Frames(*sims[p]) <= before[p] && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ASSERT_GT(Frames(*sims[p]), before[p]) << "program " << p << " step " << step;
        }
    }
    for (size_t p = 0; p < runs.size(); ++p) {
        const TCliResult r = runs[p]->Finish(60000);
        ASSERT_EQ(r.status, 0) << p << ": " << r.err;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), kSteps) << p;
    }
    ::close(stop[1]);
    int status = -1;
    ::waitpid(refresher, &status, 0);
    ASSERT_EQ(status, 0);  // every one of its writes worked

    // History: every reception once, and the refreshed entry of before.
    std::multiset<std::string> expected, got;
    for (int l = 1; l <= kListeners; ++l)
        for (int i = 0; i < kSteps; ++i) expected.insert(ListenerSerial(l, i) + "#1##1#0#####");
    expected.insert("0F12345#1##0#9#Zed####");
    for (const std::string& line : Lines(ReadAll(home + "/History.dat")))
        got.insert(WithoutTime(line, 2));
    EXPECT_EQ(got, expected);
    // Battery log: every transmitter once, low; the cleared ones gone.
    expected.clear();
    got.clear();
    for (int l = 1; l <= kListeners; ++l)
        for (int i = 0; i < kSteps; ++i) expected.insert(ListenerSerial(l, i) + "#0##0#####");
    expected.insert("0F12345#0##9#Zed####");
    for (const std::string& line : Lines(ReadAll(home + "/LowBatt.dat")))
        got.insert(WithoutTime(line, 2));
    EXPECT_EQ(got, expected);
    // Last heard: every code and button.
    expected.clear();
    got.clear();
    for (int l = 1; l <= kListeners; ++l)
        for (int i = 0; i < kSteps; ++i) expected.insert(ListenerSerial(l, i) + "#1##");
    std::vector<std::string> heard = Lines(ReadAll(home + "/LastHeard.dat"));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard[0], TLastHeard::kHeader);
    for (size_t i = 1; i < heard.size(); ++i) got.insert(WithoutTime(heard[i], 2));
    EXPECT_EQ(got, expected);
    // Alarm log: each monitor's changes, in its order.
    std::vector<TAlarmEntry> alarms;
    ASSERT_EQ(TAlarmLog(home + "/" + kAlarmLogName).ReadAll(alarms), 0);
    std::map<std::string, std::vector<TAlarmAction>> byMonitor;
    for (const TAlarmEntry& e : alarms) byMonitor[e.Text].push_back(e.Action);
    ASSERT_EQ(byMonitor.size(), size_t{kMonitors});
    for (const auto& [text, actions] : byMonitor) {
        ASSERT_EQ(actions.size(), size_t{kSteps}) << text;
        for (int i = 0; i < kSteps; ++i)
            EXPECT_EQ(actions[static_cast<size_t>(i)],
                      i % 2 ? TAlarmAction::Deactivate : TAlarmAction::Activate)
                << text << " " << i;
    }
}

TEST_F(SharedLogs, WritersKilledAtRandomMomentsLoseNothingTheyWrote) {
    constexpr int kRounds = 100;
    const std::string history = home + "/History.dat", battery = home + "/LowBatt.dat",
                      heard = home + "/LastHeard.dat", alarms = home + "/" + kAlarmLogName,
                      ini = home + "/RavlinProj.ini";
    std::set<std::string> written;  // "kind serial" of every write that returned
    std::mt19937 rng(21);
    int serial = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Two writers at once, each through every kind of shared file in turn.
        pid_t writers[2];
        int reports[2];
        for (int w = 0; w < 2; ++w) {
            int pipeFds[2];
            ASSERT_EQ(::pipe(pipeFds), 0);
            const int first = serial;
            serial += 1000;
            writers[w] = ::fork();
            if (writers[w] == 0) {
                ::close(pipeFds[0]);
                const TTextTable texts = test::LogTexts();
                TSilentUi ui;
                THistory h(history, texts, ui);
                h.SetLength(THistory::kMaxLength);
                TBatteryLog b(battery, texts, ui);
                TLastHeard l(heard, texts, ui);
                TAlarmLog a(alarms);
                TIniFile settings(ini);
                const TRecordTable none;
                auto report = [&](const char* kind, const std::string& s) {
                    const std::string line = std::string(kind) + " " + s + "\n";
                    if (::write(pipeFds[1], line.data(), line.size()) < 0) ::_exit(1);
                };
                for (int i = first;; ++i) {
                    const std::string s = ListenerSerial(1, i);
                    if (h.Add(s, "1", true, none)) report("H", s);
                    bool saved = false;
                    b.Update(s, true, none, &saved);
                    if (saved) report("B", s);
                    if (l.Heard(s, "1", NowLocal())) report("L", s);
                    TAlarmEntry e;
                    e.Time = TDateTime{2024, 1, 1, 0, 0, 0};
                    e.Number = 1;
                    e.Serial = s;
                    e.Text = "alarm";
                    if (a.Append({e}) == 0) report("A", s);
                    settings.WriteString("Written", s, "1");
                    if (settings.UpdateFile()) report("S", s);
                }
            }
            ::close(pipeFds[1]);
            reports[w] = pipeFds[0];
        }
        // Killed at random moments, one after the other.
        for (int w = 0; w < 2; ++w) {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(w == 0 ? 5 + rng() % 60 : rng() % 20));
            ::kill(writers[w], SIGKILL);
            ::waitpid(writers[w], nullptr, 0);
            std::string text;
            char buf[4096];
            for (ssize_t n; (n = ::read(reports[w], buf, sizeof buf)) > 0;)
                text.append(buf, static_cast<size_t>(n));
            ::close(reports[w]);
            for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
                written.insert(text.substr(at, end - at));
        }
        // Every file reads back whole and holds every entry that was reported written.
        const std::string files[5] = {ReadAll(history), ReadAll(battery), ReadAll(heard),
                                      ReadAll(alarms), ReadAll(ini)};
        for (int f = 0; f < 4; ++f) Lines(files[f]);
        THistoryList items;
        EXPECT_TRUE(THistory::ParseText(files[0], items));
        TIniFile settings("");
        settings.LoadText(files[4]);
        for (const std::string& w : written) {
            const char kind = w[0];
            const std::string s = w.substr(2);
            const int f = std::string("HBLAS").find(kind);
            if (kind == 'S')
                ASSERT_TRUE(settings.ValueExists("Written", s)) << w << " round " << round;
            else
                ASSERT_NE(files[f].find(s + "#"), std::string::npos) << w << " round " << round;
        }
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GT(written.size(), size_t{kRounds});  // the writers did get on with it
    // What a writer killed half-way left is gone after the next update of each file.
    const TTextTable texts = test::LogTexts();
    TSilentUi ui;
    THistory h(history, texts, ui);
    h.SetLength(THistory::kMaxLength);
    ASSERT_TRUE(h.Load());
    ASSERT_TRUE(h.Add("0999999", "1", false, {}));
    for (const auto& e : std::filesystem::directory_iterator(home)) {
        const std::string name = e.path().filename().string();
        EXPECT_FALSE(name.rfind(".History.dat.", 0) == 0 && name.ends_with(".tmp")) << name;
    }
}

}  // namespace
}  // namespace ravlin
