// The bridge on a Mosquitto of its own on loopback: how long a reception takes from the
// listener's call to a subscriber (median and 99th percentile; the goal is a median under
// 5 ms), and 200 receptions a second for a minute (--seconds N) with none lost or out of
// order.
//
//   bench_bridge_bench [--seconds N] [--latency N]

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/BrokerProcess.h"
#include "bridge/Bridge.h"
#include "bridge/MqttClient.h"

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

// Counts the receptions that arrive and notes when the last one did.
class TWatcher : public TMqttHandler {
  public:
    void Message(const std::string&, const std::string& payload, bool) override {
        std::lock_guard lock(mutex);
        const size_t at = payload.find("\"serial\": \"");
        const long n = at == std::string::npos ? -1 : std::atol(payload.c_str() + at + 11);
        if (n != last + 1) ++outOfOrder;
        last = n;
        ++received;
        arrived = Clock::now();
        wake.notify_all();
    }
    void Subscribed() override {
        std::lock_guard lock(mutex);
        subscribed = true;
        wake.notify_all();
    }
    std::mutex mutex;
    std::condition_variable wake;
    long received = 0, last = 0, outOfOrder = 0;
    bool subscribed = false;
    Clock::time_point arrived;
};

TReception Numbered(long n) {
    std::string serial = std::to_string(n % 10000000);
    serial.insert(0, 7 - serial.size(), '0');
    return TReception{serial, "1", "00", "FFFF"};
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60, latencyCount = 2000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--seconds") seconds = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--latency") latencyCount = std::atoi(argv[i + 1]);
    }
    test::TBrokerProcess broker;
    if (!broker.Start()) {
        std::fprintf(stderr, "cannot start mosquitto\n");
        return 1;
    }
    char home[] = "/tmp/ravlin-bridge-bench-XXXXXX";
    if (!::mkdtemp(home)) return 1;

    TWatcher watcher;
    TMqttClient subscriber(watcher);
    TBrokerConfig config;
    config.url = broker.Url();
    config.site = "bench";
    config.receiver = "r";
    std::string why;
    TBrokerConfig watch = config;
    if (!subscriber.Start(watch, "bench-watch", nullptr, why)) return 1;
    while (subscriber.Status().state != TBrokerState::Connected)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    subscriber.Subscribe(TTopics("bench", "r").Reception());
    {
        std::unique_lock lock(watcher.mutex);
        watcher.wake.wait(lock, [&] { return watcher.subscribed; });
    }

    TBridge bridge(config, home, [](const std::string&) {});
    if (!bridge.Start(false, why)) return 1;
    while (bridge.Status().state != TBrokerState::Connected)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    // One reception at a time: from the listener's call to the subscriber.
    std::vector<double> ms;
    long n = 0;
    for (int i = 0; i < latencyCount; ++i) {
        const auto start = Clock::now();
        bridge.Reception(Numbered(++n));
        std::unique_lock lock(watcher.mutex);
        watcher.wake.wait(lock, [&] { return watcher.received == n; });
        ms.push_back(std::chrono::duration<double, std::milli>(watcher.arrived - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "latency reception -> broker -> subscriber over %d receptions: median %.3f ms, "
        "99th percentile %.3f ms, max %.3f ms (goal: median under 5 ms)\n",
        latencyCount, ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());

    // 200 a second, evenly spaced.
    const long before = n;
    const auto begin = Clock::now();
    for (long i = 0; i < 200L * seconds; ++i) {
        std::this_thread::sleep_until(begin + std::chrono::microseconds(5000 * i));
        bridge.Reception(Numbered(++n));
    }
    const double sendSeconds = std::chrono::duration<double>(Clock::now() - begin).count();
    bridge.WaitDelivered(30000);
    {
        std::unique_lock lock(watcher.mutex);
        watcher.wake.wait_for(lock, std::chrono::seconds(30),
                              [&] { return watcher.received == n; });
    }
    bridge.Stop();
    subscriber.Stop();
    std::lock_guard lock(watcher.mutex);
    const long sent = n - before, got = watcher.received - before;
    std::printf(
        "%ld receptions in %.1f s (%.0f a second): %ld arrived, %ld lost, %ld out of "
        "order\n",
        sent, sendSeconds, sent / sendSeconds, got, sent - got, watcher.outOfOrder);
    std::filesystem::remove_all(home);
    return sent == got && watcher.outOfOrder == 0 ? 0 : 1;
}
