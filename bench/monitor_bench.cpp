// A reception in monitor mode with 200 messages of 20 events each (10 that activate, 10
// that deactivate): the core's part of the way from the block read to the message list,
// i.e. the matching, the state changes, the alarm log and the rows of the message list.
// Target for the whole way to the screen: 100 ms.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "monitoring/Monitor.h"
#include "monitoring/MonitorView.h"

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

double Us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

std::string Serial(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%05X", n);
    return std::string("x0") + buf;
}

struct TStats {
    std::vector<double> us;
    void Print(const char* what) {
        std::sort(us.begin(), us.end());
        double sum = 0;
        for (double v : us) sum += v;
        std::printf("%-44s mean %8.1f us  p99 %8.1f us  max %8.1f us  (%zu runs)\n", what,
                    sum / us.size(), us[us.size() * 99 / 100], us.back(), us.size());
    }
};

}  // namespace

int main() {
    const TTextTable texts(400, "text");
    TSilentUi ui;
    TMonitor monitor(texts, ui);
    constexpr int kMessages = 200, kEventsPerList = 10;
    std::mt19937 rng(7);
    for (int i = 0; i < kMessages; ++i) {
        TMonitorData m;
        m.Number = i + 1;
        m.Text = "Message " + std::to_string(i + 1);
        m.Color = i % 7;
        m.Blink = i % 2;
        m.ShowWindow = i % 3 == 0;
        m.Sound = i % 7;
        for (int e = 0; e < kEventsPerList; ++e) {
            m.ActiveEvents.push_back(
                {Serial(rng() % 4000), std::string(1, "123456789ABCDEF"[e % 15])});
            m.DeactiveEvents.push_back({Serial(rng() % 4000), "2"});
        }
        monitor.Messages.push_back(std::move(m));
    }
    monitor.Defined = true;

    std::string dir = (std::filesystem::temp_directory_path() / "ravlin-bench-XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    TAlarmLog log(dir + "/Alarms.dat");
    TAlarmLogWriter writer(dir + "/Alarms2.dat");

    auto run = [&](const char* what, TAlarmRecorder* recorder, int runs) {
        monitor.alarmLog = recorder;
        TStats match, list;
        int changed = 0;
        for (int r = 0; r < runs; ++r) {
            // Half the receptions hit an event of some message.
            const std::string serial = r % 2 ? monitor.Messages[rng() % kMessages]
                                                   .ActiveEvents[rng() % kEventsPerList]
                                                   .Serial
                                             : Serial(5000 + rng() % 1000);
            auto t0 = Clock::now();
            const auto changes = monitor.OnReception("1A" + serial.substr(2), "F");
            auto t1 = Clock::now();
            changed += static_cast<int>(changes.size());
            // The rows the message list paints.
            size_t bytes = 0;
            for (int i : monitor.RowOrder()) {
                const TMonitorData& m = monitor.Messages[i];
                for (int c = 0; c < kListColumns; ++c) bytes += MessageListCell(m, c).size();
                bytes += LookOf(m, monitor.BlinkPhase()).fontSize;
            }
            auto t2 = Clock::now();
            match.us.push_back(Us(t1 - t0));
            list.us.push_back(Us(t2 - t1));
            if (bytes == 0 && monitor.ActiveCount() > 0) std::printf("?");
            if (monitor.ActiveCount() > 150) monitor.DeactivateAll(TMonitorTime::Now());
        }
        std::printf("%s: %d changes\n", what, changed);
        match.Print("  OnReception (matching, state, sound, log)");
        list.Print("  message list rows");
    };
    run("without alarm log", nullptr, 4000);
    run("alarm log written on the window thread", &log, 1000);
    run("alarm log written by its writer thread", &writer, 4000);
    writer.Flush();

    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
