// Full-memory download and upload against ravlin-sim.
//  - paced at 9600 and 57600 bit/s: wall time / wire time of the bytes the simulator sent
//    (the paced direction; 10 bits per byte), target <= 1.03;
//  - unpaced over TCP: the largest record area (0x1000..0xFFFF, 60 KiB), target < 2 s,
//    also scaled to 64 KiB.
// Bytes are counted by a forwarding proxy between the link and the simulator.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/SimProcess.h"
#include "base/UserInterface.h"
#include "link/Link.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

// Forwards one TCP connection to the simulator and counts the bytes of each direction.
class TProxy {
  public:
    explicit TProxy(int target) : target_(target) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 4);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~TProxy() {
        stop_.store(true);
        thread_.join();
        ::close(listen_);
    }
    int Port() const { return port_; }
    long ToDevice() const { return up_.load(); }
    long FromDevice() const { return down_.load(); }
    void ResetCounts() {
        up_.store(0);
        down_.store(0);
    }

  private:
    static int Connect(int port) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            return -1;
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return fd;
    }
    void Run() {
        int client = -1, server = -1;
        while (!stop_.load()) {
            if (client < 0) {
                pollfd p{listen_, POLLIN, 0};
                if (::poll(&p, 1, 50) <= 0) continue;
                client = ::accept(listen_, nullptr, nullptr);
                int one = 1;
                ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                server = Connect(target_);
                continue;
            }
            pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(p, 2, 50) <= 0) continue;
            char buf[8192];
            bool closed = false;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                ssize_t n = ::recv(p[i].fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    closed = true;
                    break;
                }
                ::send(i == 0 ? server : client, buf, static_cast<size_t>(n), MSG_NOSIGNAL);
                (i == 0 ? up_ : down_).fetch_add(n);
            }
            if (closed) {
                ::close(client);
                ::close(server);
                client = server = -1;
            }
        }
        if (client >= 0) ::close(client);
        if (server >= 0) ::close(server);
    }
    int target_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<long> up_{0}, down_{0};
    std::thread thread_;
};

struct TResult {
    double seconds = 0;
    long up = 0, down = 0;
    bool ok = false;
};

TTextTable Texts() {
    TTextTable t;
    for (int i = 0; i < 200; ++i) t.push_back("text " + std::to_string(i));
    return t;
}

// Logs in by hand (descriptor and catalogue), then runs one worker job through the proxy.
bool Prepare(test::TSimProcess& sim, TProxy& proxy, TLink& link, TRx& rx, bool stream) {
    link.Settings.ConnectionType = TConnectionSettings::Tcp;
    link.Settings.IPAddress = "127.0.0.1";
    link.Settings.IPPort = std::to_string(proxy.Port());
    link.Settings.DumpRead = stream;
    if (!rx.Init()) return false;
    // Fill the whole record area so that the block method reads every block.
    const int start = rx.Device.StartAddress, end = rx.Device.EndAddress;
    return sim.FillPattern(start, end);
}

TResult Job(TProxy& proxy, TTransferWorker& transferWorker, TTransferWorker::TJob job) {
    proxy.ResetCounts();
    const auto t0 = Clock::now();
    TResult r;
    r.ok = transferWorker.Run(job);
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    r.up = proxy.ToDevice();
    r.down = proxy.FromDevice();
    return r;
}

void Print(const char* what, long baud, const TResult& r) {
    if (baud > 0) {
        const double wire = r.down * 10.0 / baud;
        std::printf(
            "%-26s %6ld bit/s  %s  %7.3f s wall  %7.3f s wire (%ld bytes from the "
            "receiver, %ld to it)  ratio %.4f\n",
            what, baud, r.ok ? "ok  " : "FAIL", r.seconds, wire, r.down, r.up, r.seconds / wire);
    } else {
        std::printf(
            "%-26s unpaced       %s  %7.3f s wall  (%ld bytes from the receiver, %ld to "
            "it)\n",
            what, r.ok ? "ok  " : "FAIL", r.seconds, r.down, r.up);
    }
}

}  // namespace

int main() {
    const TTextTable texts = Texts();
    TSilentUi ui;
    int status = 0;
    std::printf("transfer benchmark (ravlin-sim, default KV8M layout unless noted)\n");
    for (long baud : {9600L, 57600L}) {
        for (bool stream : {false, true}) {
            test::TSimProcess sim;
            if (!sim.Start(test::TSimProcess::Tcp, {"--baud", std::to_string(baud), "--data-dir",
                                                    RAVLIN_SOURCE_DATA_DIR})) {
                std::printf("cannot start ravlin-sim\n");
                return 1;
            }
            TProxy proxy(sim.Port());
            TLink link(texts, ui);
            TRx rx(link, texts, ui, RAVLIN_SOURCE_DATA_DIR);
            TTransferWorker transferWorker(rx, link, ui, texts);
            if (!Prepare(sim, proxy, link, rx, stream)) {
                std::printf("login failed at %ld bit/s\n", baud);
                return 1;
            }
            // Bytes are counted through the proxy; the wall time is taken again on a direct
            // connection, so that the proxy's own hops do not count.
            auto direct = [&](TTransferWorker::TJob job, TResult counted) {
                link.Close();
                link.Settings.IPPort = std::to_string(sim.Port());
                if (!link.Open()) return counted;
                if (job == TTransferWorker::TJob::Upload) {
                    rx.UploadImage = rx.Image;
                    rx.Device.UsedCount = rx.Device.RecordCount;
                }
                const auto t0 = Clock::now();
                counted.ok = counted.ok && transferWorker.Run(job);
                counted.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
                link.Close();
                link.Settings.IPPort = std::to_string(proxy.Port());
                link.Open();
                return counted;
            };
            TResult d = Job(proxy, transferWorker, TTransferWorker::TJob::Download);
            const std::string image = rx.Image;
            d = direct(TTransferWorker::TJob::Download, d);
            d.ok = d.ok && rx.Image == image;
            Print(stream ? "download (stream)" : "download (blocks)", baud, d);
            if (!stream) {
                rx.UploadImage = rx.Image;
                rx.Device.UsedCount = rx.Device.RecordCount;
                TResult u = Job(proxy, transferWorker, TTransferWorker::TJob::Upload);
                u = direct(TTransferWorker::TJob::Upload, u);
                Print("upload (full memory)", baud, u);
                status |= !u.ok;
            }
            status |= !d.ok;
            link.Close();
        }
    }
    {
        test::TSimProcess sim;
        if (!sim.Start(test::TSimProcess::Tcp, {"--start", "1000", "--end", "FFFF", "--data-dir",
                                                RAVLIN_SOURCE_DATA_DIR})) {
            std::printf("cannot start ravlin-sim with a 60 KiB record area\n");
            return 1;
        }
        for (bool stream : {false, true}) {
            TProxy proxy(sim.Port());
            TLink link(texts, ui);
            TRx rx(link, texts, ui, RAVLIN_SOURCE_DATA_DIR);
            TTransferWorker transferWorker(rx, link, ui, texts);
            if (!Prepare(sim, proxy, link, rx, stream)) {
                std::printf("login failed (60 KiB)\n");
                return 1;
            }
            const int bytes = rx.Device.EndAddress - rx.Device.StartAddress + 1;
            TResult d = Job(proxy, transferWorker, TTransferWorker::TJob::Download);
            Print(stream ? "60 KiB download (stream)" : "60 KiB download (blocks)", 0, d);
            std::printf("%-26s %d bytes, %.3f s scaled to 64 KiB (target < 2 s)\n", "", bytes,
                        d.seconds * 65536.0 / bytes);
            status |= !d.ok;
            link.Close();
        }
    }
    return status;
}
