// Link exchanges against the simulator: 16-byte block reads (frame, echo, reply line).
//   unpaced: exchanges per second over TCP and over a pseudo-terminal;
//   paced:   the simulator sends at 9600 and 57600 bit/s (10 bits per byte); the figure is
//            wall time / time the simulator's bytes need on the line (target <= 1.03).
// Usage: bench_link_bench [exchanges-unpaced]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tests/support/SimProcess.h"
#include "link/Link.h"

using namespace ravlin;
using ravlin::test::TSimProcess;
using Clock = std::chrono::steady_clock;

namespace {

struct TVariant {
    const char* name;
    TSimProcess::TTransport transport;
    bool dumpRead;
};

const TVariant kVariants[] = {{"tcp", TSimProcess::Tcp, false},
                              {"pty with handshake", TSimProcess::Pty, false},
                              {"pty without handshake", TSimProcess::Pty, true}};

long BytesOut(TSimProcess& sim) {
    const std::string s = sim.Control("stats");
    const auto p = s.find("bytes-out ");
    return p == std::string::npos ? -1 : std::atol(s.c_str() + p + 10);
}

// Runs `count` block reads; returns the seconds they took, or a negative value on failure.
double Run(TSimProcess& sim, const TVariant& v, int count, long& bytesOut) {
    TTextTable texts(300);
    TSilentUi ui;
    TLink link(texts, ui);
    sim.Configure(link.Settings);
    link.Settings.DumpRead = v.dumpRead;
    link.SetTimingForTests(0, 0);  // real byte time-outs; no settle pause after opening
    if (!link.Open()) return -1;
    const long before = BytesOut(sim);
    std::string line;
    const auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
        const int address = 0x1000 + 16 * (i % 64);
        char frame[32];
        std::snprintf(frame, sizeof frame, ":05000009%04X%04X00", address, address + 15);
        if (!link.SendCommand(frame) || !link.ReceiveData(40, line)) return -1;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    bytesOut = BytesOut(sim) - before;
    link.Close();
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int unpaced = argc > 1 ? std::atoi(argv[1]) : 2000;
    // The simulator raises its priority while it paces; the link's side gets the same, so
    // that the figures show the exchanges rather than the other work on the machine.
    const bool raised = ::setpriority(PRIO_PROCESS, 0, -5) == 0;
    const std::vector<std::string> layout = {"--records", "64",     "--record-length",
                                             "16",        "--type", "BENCH"};
    std::printf("block reads of 16 bytes (echo 23 + reply line 40 characters)\n");
    for (const TVariant& v : kVariants) {
        TSimProcess sim;
        if (!sim.Start(v.transport, layout)) {
            std::fprintf(stderr, "cannot start the simulator\n");
            return 1;
        }
        long bytes = 0;
        const double s = Run(sim, v, unpaced, bytes);
        if (s < 0) {
            std::fprintf(stderr, "%s: exchange failed\n", v.name);
            return 1;
        }
        std::printf("unpaced %-22s %6d exchanges in %.3f s: %8.0f exchanges/s\n", v.name, unpaced,
                    s, unpaced / s);
    }
    bool met = true;
    for (long baud : {9600L, 57600L}) {
        for (const TVariant& v : kVariants) {
            TSimProcess sim;
            std::vector<std::string> args = layout;
            args.insert(args.end(), {"--baud", std::to_string(baud)});
            if (!sim.Start(v.transport, args)) return 1;
            const int count = baud == 9600 ? 40 : 200;
            long bytes = 0;
            const double s = Run(sim, v, count, bytes);
            if (s < 0 || bytes <= 0) {
                std::fprintf(stderr, "%s at %ld: exchange failed\n", v.name, baud);
                return 1;
            }
            const double wire = bytes * 10.0 / baud;
            const double ratio = s / wire;
            met = met && ratio <= 1.03;
            std::printf(
                "%6ld bit/s %-22s %4d exchanges, %6ld bytes: wall %.3f s, line %.3f s, "
                "ratio %.4f\n",
                baud, v.name, count, bytes, s, wire, ratio);
        }
    }
    std::printf("paced target (ratio <= 1.03): %s%s\n", met ? "met" : "NOT met",
                raised ? "" : " (priority not raised)");
    return 0;
}
