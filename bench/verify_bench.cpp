// The cost of trusted transfers against ravlin-sim paced at 57600 bit/s (KV8M layout, the
// whole record area used, so that the block method reads every block):
//  - a block download with its second read, against the wire time of a single download
//    (the bytes the receiver sends, 10 bits each), target <= 2.1;
//  - an upload with the read before it and the read-back after it, against the wire time
//    of a plain upload plus two single downloads, target <= 1.05.
// The wire time is counted from the simulator's bytes-out of the connection.

#include <chrono>
#include <cstdio>
#include <string>

#include "../tests/support/SimProcess.h"
#include "base/UserInterface.h"
#include "link/Link.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kBaud = 57600;

long BytesOut(test::TSimProcess& sim) {
    const std::string s = sim.Control("stats");
    const size_t at = s.find("bytes-out ");
    return at == std::string::npos ? -1 : std::stol(s.substr(at + 10));
}

struct TRun {
    bool ok = false;
    double seconds = 0, wire = 0;
};

TRun Job(test::TSimProcess& sim, TTransferWorker& transferWorker, TTransferWorker::TJob job) {
    TRun r;
    const long before = BytesOut(sim);
    const auto t0 = Clock::now();
    r.ok = transferWorker.Run(job);
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    r.wire = (BytesOut(sim) - before) * 10.0 / kBaud;
    return r;
}

TTextTable Texts() {
    TTextTable t;
    for (int i = 0; i < 200; ++i) t.push_back("text " + std::to_string(i));
    return t;
}

}  // namespace

int main() {
    const TTextTable texts = Texts();
    TSilentUi ui;
    test::TSimProcess sim;
    if (!sim.Start(test::TSimProcess::Tcp,
                   {"--baud", std::to_string(kBaud), "--data-dir", RAVLIN_SOURCE_DATA_DIR})) {
        std::printf("cannot start ravlin-sim\n");
        return 1;
    }
    TLink link(texts, ui);
    link.Settings.ConnectionType = TConnectionSettings::Tcp;
    link.Settings.IPAddress = "127.0.0.1";
    link.Settings.IPPort = std::to_string(sim.Port());
    TRx rx(link, texts, ui, RAVLIN_SOURCE_DATA_DIR);
    TTransferWorker transferWorker(rx, link, ui, texts);
    if (!rx.Init()) {
        std::printf("login failed\n");
        return 1;
    }
    const int start = rx.Device.StartAddress, end = rx.Device.EndAddress;
    if (!sim.FillPattern(start, end)) {
        std::printf("cannot fill the simulator's memory\n");
        return 1;
    }
    int status = 0;
    std::printf("verification cost at %ld bit/s (ravlin-sim, KV8M, %d bytes of records)\n", kBaud,
                end - start + 1);

    transferWorker.SetOptions({false, false});
    const TRun single = Job(sim, transferWorker, TTransferWorker::TJob::Download);
    const std::string image = rx.Image;
    transferWorker.SetOptions({true, false});
    const TRun verified = Job(sim, transferWorker, TTransferWorker::TJob::Download);
    const bool same = rx.Image == image;
    const double dRatio = verified.seconds / single.wire;
    std::printf("single download            %s %7.3f s wall  %7.3f s wire\n",
                single.ok ? "ok  " : "FAIL", single.seconds, single.wire);
    std::printf(
        "download + second read     %s %7.3f s wall  ratio to one download's wire %.3f "
        "(target <= 2.1)\n",
        verified.ok && same ? "ok  " : "FAIL", verified.seconds, dRatio);
    status |= !(single.ok && verified.ok && same);

    rx.UploadImage = image;
    rx.Device.UsedCount = rx.Device.RecordCount;
    transferWorker.SetOptions({false, false});
    const TRun plain = Job(sim, transferWorker, TTransferWorker::TJob::Upload);
    transferWorker.SetOptions({true, true});
    const TRun read = Job(sim, transferWorker, TTransferWorker::TJob::ReadReceiver);
    const TRun checked = Job(sim, transferWorker, TTransferWorker::TJob::Upload);
    const double budget = plain.wire + 2 * single.wire;
    const double uRatio = (read.seconds + checked.seconds) / budget;
    std::printf("plain upload               %s %7.3f s wall  %7.3f s wire\n",
                plain.ok ? "ok  " : "FAIL", plain.seconds, plain.wire);
    std::printf(
        "read + upload + read-back  %s %7.3f s wall  (%.3f + %.3f s)  ratio to upload + "
        "2 downloads wire %.3f (target <= 1.05)\n",
        read.ok && checked.ok ? "ok  " : "FAIL", read.seconds + checked.seconds, read.seconds,
        checked.seconds, uRatio);
    status |= !(plain.ok && read.ok && checked.ok);
    std::printf("%s\n", dRatio <= 2.1 && uRatio <= 1.05 ? "within target" : "OVER TARGET");
    link.Close();
    return status;
}
