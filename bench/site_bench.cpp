// A lost transmitter revoked on ten receivers at once: ten simulators paced at 57 600 bit/s,
// each holding the code twice among 40 to 85 records. Every receiver is first revoked on its
// own (a book of one), then all ten with ten jobs. Target: the ten together take at most
// 1.3 times the slowest single one. Each figure is the median of three rounds; the memory
// gets the code back before every revoke.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/SimProcess.h"
#include "app/Bootstrap.h"
#include "app/Core.h"
#include "site/SiteOperations.h"

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kReceivers = 10;
constexpr int kRounds = 3;

std::string Memory(int records) {
    std::string data;
    for (int i = 0; i < records; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "%05X",
                      i == 7 || i == records - 3 ? 0x12345 : 0x40000 + i);
        data += std::string("01") + (i == 7 ? '3' : '1') + serial + "01000000";
    }
    return data;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/ravlin-site-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 2;
    const std::string dir = tmpl;
    TFolders folders;
    folders.dataDir = RAVLIN_DATA_DIR;
    folders.homeDir = dir + "/home";
    folders.settingsFile = folders.homeDir + "/RavlinProj.ini";
    folders.MakeWritable();
    TSilentUi quiet;
    TCore core(folders, quiet);
    if (!Bootstrap(core)) return 2;

    std::vector<std::unique_ptr<test::TSimProcess>> sims;
    std::vector<std::string> memories;
    TSiteBook all;
    all.site = "bench";
    for (int i = 0; i < kReceivers; ++i) {
        sims.push_back(std::make_unique<test::TSimProcess>());
        if (!sims.back()->Start(test::TSimProcess::Tcp, {"--type", "KV2R", "--data-dir",
                                                         RAVLIN_DATA_DIR, "--baud", "57600"}))
            return 2;
        memories.push_back(Memory(40 + 5 * i));
        TSiteReceiver r;
        r.name = "gate-" + std::to_string(i);
        r.host = "127.0.0.1";
        r.port = sims.back()->Port();
        r.dataFile = r.name + ".rvl";
        all.receivers.push_back(r);
    }
    auto reset = [&](int i) {
        sims[static_cast<size_t>(i)]->Control("memory 1000 " + memories[static_cast<size_t>(i)]);
    };
    TSiteRequest request;
    request.operation = TSiteOperation::Revoke;
    request.code = "x012345";
    request.jobs = kReceivers;
    const std::string bookPath = dir + "/bench.rvs";
    auto revoke = [&](const TSiteBook& book, bool& ok) {
        TSiteProgress progress;
        const auto start = Clock::now();
        const TSiteReport report = RunSiteOperation(TSiteEnv{core.language, core.folders, bookPath},
                                                    book, request, progress);
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        for (const TSiteOutcome& o : report.outcomes)
            if (o.result != TSiteResult::Done || o.count != 2) {
                std::printf("%s: %s\n", o.name.c_str(), OutcomeText(report, o).c_str());
                ok = false;
            }
        return s;
    };

    bool ok = true;
    double slowest = 0;
    std::string slowestName;
    for (int i = 0; i < kReceivers; ++i) {
        TSiteBook one = all;
        one.receivers = {all.receivers[static_cast<size_t>(i)]};
        std::vector<double> times;
        for (int round = 0; round < kRounds; ++round) {
            reset(i);
            times.push_back(revoke(one, ok));
        }
        const double t = Median(times);
        std::printf("single %-8s %2d records  %.3f s\n", one.receivers[0].name.c_str(), 40 + 5 * i,
                    t);
        if (t > slowest) {
            slowest = t;
            slowestName = one.receivers[0].name;
        }
    }
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kReceivers; ++i) reset(i);
        times.push_back(revoke(all, ok));
    }
    const double together = Median(times);
    const double ratio = together / slowest;
    std::printf(
        "ten receivers, --jobs %d: %.3f s; slowest single (%s) %.3f s; ratio %.2f "
        "(target <= 1.30) %s\n",
        kReceivers, together, slowestName.c_str(), slowest, ratio,
        ok && ratio <= 1.3 ? "ok" : "FAILED");
    sims.clear();
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir, ec))
        std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir, ec);
    return ok && ratio <= 1.3 ? 0 : 1;
}
