// ravlin-sim: a stand-in receiver on a local TCP port or a pseudo-terminal.
// The first line on stdout tells where it listens ("tcp <port>" or "pty <path>");
// every control line (stdin or --control-port) gets exactly one reply line.
// See sim/README.md for the wire protocol and the options.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "DemoReceptions.h"
#include "Device.h"
#include "RxType.h"

using namespace ravlin::sim;
using Clock = std::chrono::steady_clock;

namespace {

volatile std::sig_atomic_t g_stop = 0;

struct TOptions {
    TSimConfig config;
    bool tcp = false, pty = false;
    int tcpPort = 0;
    int controlPort = -1;
    long baud = 0;
    long records = -1, recordLength = -1;
    bool haveEnd = false, haveBlockSize = false, haveType = false;
    std::vector<uint8_t> image;  // --load: the record area's bytes
    bool imageFromDataFile = false;
    std::string load, save, dataDir;
    double demoSeconds = 0;  // --demo-receptions: mean pause between receptions, 0 none
};

void Usage(FILE* out) {
    std::fputs(
        "usage: ravlin-sim (--tcp PORT | --pty) [options]\n"
        "  --tcp PORT            listen on 127.0.0.1:PORT (0 picks a free port)\n"
        "  --pty                 serve a pseudo-terminal\n"
        "  --type NAME           model code in the name area (default KV8M)\n"
        "  --password TEXT       stored password (default none)\n"
        "  --start/--end/--online/--name-addr/--pass-addr HEX   memory layout\n"
        "  --records N           record area size in records of the type (Rx.def)\n"
        "  --record-length B     record length in bytes when the type is not in Rx.def\n"
        "  --block-size N        bytes erased by one block preparation\n"
        "  --data-dir DIR        folder holding Rx.def\n"
        "  --load FILE           raw image of the record area\n"
        "  --save FILE           record area written at exit (raw)\n"
        "  --baud B              pace the bytes sent at 10 bits per byte (0 = unpaced)\n"
        "  --seed N --drop P --corrupt P --delay P:MS --answer-x P --answer-r P\n"
        "  --mute-after N --disconnect-after N     fault injection\n"
        "  --reply-digit P       a read reply line has one data digit changed (rate)\n"
        "  --stuck ADDR          the memory cell at ADDR (hex) ignores writes\n"
        "  --control-port P      control lines also on 127.0.0.1:P\n"
        "  --demo-receptions S   report receptions of the learnt transmitters by itself,\n"
        "                        every S seconds on average (chosen by --seed)\n",
        out);
}

bool ParseLong(const char* s, long& v, long min, long max) {
    char* end = nullptr;
    errno = 0;
    long x = std::strtol(s, &end, 10);
    if (!*s || *end || errno || x < min || x > max) return false;
    v = x;
    return true;
}

// 0 on success, else the exit status (2 for a usage error).
int ParseArgs(int argc, char** argv, TOptions& o) {
    TSimConfig& c = o.config;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            std::exit(0);
        }
        if (a == "--pty") {
            o.pty = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "ravlin-sim: unknown or incomplete option %s\n", a.c_str());
            return 2;
        }
        const char* v = argv[++i];
        long n = 0;
        uint32_t h = 0;
        bool ok = true;
        auto hex = [&](int& out) {
            ok = ParseHex(v, h) && h <= 0xFFFF;
            if (ok) out = static_cast<int>(h);
        };
        if (a == "--tcp") {
            ok = ParseLong(v, n, 0, 65535);
            o.tcp = true;
            o.tcpPort = static_cast<int>(n);
        } else if (a == "--control-port") {
            ok = ParseLong(v, n, 0, 65535);
            o.controlPort = static_cast<int>(n);
        } else if (a == "--type") {
            c.type = v;
            o.haveType = true;
        } else if (a == "--password") {
            c.password = v;
        } else if (a == "--start") {
            hex(c.start);
        } else if (a == "--end") {
            hex(c.end);
            o.haveEnd = true;
        } else if (a == "--online") {
            hex(c.online);
        } else if (a == "--name-addr") {
            hex(c.nameAddr);
        } else if (a == "--pass-addr") {
            hex(c.passwordAddress);
        } else if (a == "--records") {
            ok = ParseLong(v, o.records, 1, 65536);
        } else if (a == "--record-length") {
            ok = ParseLong(v, o.recordLength, 1, 4096);
        } else if (a == "--block-size") {
            ok = ParseLong(v, n, 1, 65536);
            c.blockSize = static_cast<int>(n);
            o.haveBlockSize = true;
        } else if (a == "--data-dir") {
            o.dataDir = v;
        } else if (a == "--load") {
            o.load = v;
        } else if (a == "--save") {
            o.save = v;
        } else if (a == "--baud") {
            ok = ParseLong(v, o.baud, 0, 10000000);
        } else if (a == "--demo-receptions") {
            char* end = nullptr;
            o.demoSeconds = std::strtod(v, &end);
            ok = *v && !*end && o.demoSeconds > 0 && o.demoSeconds <= 3600;
        } else if (a == "--seed") {
            ok = ParseLong(v, n, 0, LONG_MAX);
            c.seed = static_cast<uint64_t>(n);
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0 && SetFault(c, a.substr(2), v)) {
            // --drop, --corrupt, --delay, --answer-x, --answer-r, --mute-after,
            // --disconnect-after, --reply-digit, --stuck
        } else {
            std::fprintf(stderr, "ravlin-sim: unknown option or bad value: %s %s\n", a.c_str(), v);
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "ravlin-sim: bad value for %s: %s\n", a.c_str(), v);
            return 2;
        }
    }
    if (o.tcp == o.pty) {
        std::fprintf(stderr, "ravlin-sim: give either --tcp PORT or --pty\n");
        Usage(stderr);
        return 2;
    }
    return 0;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& data);

// Fills the parts of the layout the command line left open from the type's catalogue
// entry: a whole number of records, and the erase block size.
int ApplyType(TOptions& o) {
    TSimConfig& c = o.config;
    if (!o.load.empty()) {
        std::string why, typeName;
        o.imageFromDataFile = LoadDataFile(o.load, o.image, typeName, why);
        if (!why.empty()) {
            std::fprintf(stderr, "ravlin-sim: %s\n", why.c_str());
            return 1;
        }
        if (o.imageFromDataFile && !o.haveType) c.type = typeName;
        if (!o.imageFromDataFile && !ReadFile(o.load, o.image)) {
            std::fprintf(stderr, "ravlin-sim: cannot read %s\n", o.load.c_str());
            return 1;
        }
    }
    TRxTypeInfo info;
    std::string why;
    const bool found = FindRxType(o.dataDir, c.type, info, why);
    long length = o.recordLength;
    if (found) {
        if (length < 0) length = info.recordBytes;
        if (!o.haveBlockSize && info.blockSize > 0) c.blockSize = info.blockSize;
    } else if (length < 0 && (o.records > 0 || !o.haveEnd)) {
        std::fprintf(stderr, "ravlin-sim: %s; record length 8 assumed\n", why.c_str());
        length = 8;
    }
    if (o.records > 0) {
        if (o.haveEnd) {
            std::fprintf(stderr, "ravlin-sim: give --records or --end, not both\n");
            return 2;
        }
        long end = c.start + o.records * length - 1;
        if (end > 0xFFFF) {
            std::fprintf(stderr, "ravlin-sim: %ld records do not fit below FFFF\n", o.records);
            return 2;
        }
        c.end = static_cast<int>(end);
    } else if (!o.haveEnd && o.imageFromDataFile && !o.image.empty()) {
        // A data file's image is the whole record area of its receiver.
        if (c.start + static_cast<long>(o.image.size()) - 1 > 0xFFFF) {
            std::fprintf(stderr, "ravlin-sim: the data file's image does not fit below FFFF\n");
            return 2;
        }
        c.end = static_cast<int>(c.start + o.image.size() - 1);
    } else if (!o.haveEnd) {
        // 2 KiB of records, cut to whole records.
        c.end = static_cast<int>(c.start + (2048 / length) * length - 1);
    }
    return 0;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& data) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    data.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

// Written to a temporary file beside it and renamed over the old one when complete.
bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& data) {
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) return false;
        f.write(reinterpret_cast<const char*>(data.data()), static_cast<long>(data.size()));
        f.flush();
        if (!f) {
            f.close();
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

int ListenLocal(int port, int& boundPort) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return -1;
    }
    boundPort = ntohs(addr.sin_port);
    return fd;
}

int AcceptOne(int listenFd) {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return fd;
}

// A line-oriented control peer (stdin or a control connection).
struct TControlPeer {
    int in = -1, out = -1;
    std::string buffer;
};

class TServer {
  public:
    TServer(TOptions& o, TSimDevice& d, TDemoReceptions* demo) : opt_(o), dev_(d), demo_(demo) {}
    int Run();

  private:
    void SetBaud(long baud) {
        opt_.baud = baud;
        interval_ = baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud)
                             : std::chrono::nanoseconds(0);
    }
    void CloseConnection();
    void ReadConnection();
    void Schedule(Clock::time_point now);
    void WriteReady();
    // Answers every complete line in peer.buffer, one reply line each.
    void HandleLines(TControlPeer& peer);
    std::string Control(const std::string& line);

    TOptions& opt_;
    TSimDevice& dev_;
    TDemoReceptions* demo_;  // --demo-receptions, else null
    int listenFd_ = -1, conn_ = -1, ptySlave_ = -1;
    int boundPort_ = 0;  // the TCP port, kept while down
    bool cut_ = false;   // pty: the injected disconnect silenced the line
    // "silent on": a peer without power that keeps its connection: nothing is answered,
    // nothing is sent, what arrives is dropped.
    bool silent_ = false;
    int ctlListen_ = -1;
    TControlPeer stdin_{0, 1, {}}, ctl_{};
    bool stdinOpen_ = true, quit_ = false;
    std::chrono::nanoseconds interval_{0};
    Clock::time_point slotEnd_{};
    bool headScheduled_ = false;
    bool lineBusy_ = false;  // the byte at the head follows the previous one directly
    unsigned long aborts_ = 0;
    Clock::time_point headDue_{};
    std::string ready_;  // due bytes the connection has not taken yet
    long bytesOut_ = 0, bytesIn_ = 0, connections_ = 0;
};

void TServer::CloseConnection() {
    if (conn_ >= 0 && !opt_.pty) ::close(conn_);
    if (!opt_.pty) conn_ = -1;
    dev_.Reset();
    ready_.clear();
    headScheduled_ = false;
    lineBusy_ = false;
    bytesOut_ = 0;
}

void TServer::ReadConnection() {
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(conn_, buf, sizeof buf);
        if (n > 0) {
            bytesIn_ += n;
            if (!cut_ && !silent_)
                for (ssize_t i = 0; i < n; ++i) dev_.Receive(static_cast<uint8_t>(buf[i]));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n < 0 && opt_.pty && errno == EIO) return;  // no peer on the pty right now
        CloseConnection();                              // orderly close or a reset by the peer
        return;
    }
}

// Moves every byte whose time on the line has come into ready_.
void TServer::Schedule(Clock::time_point now) {
    auto& out = dev_.Output();
    if (dev_.Aborts() != aborts_) {
        aborts_ = dev_.Aborts();
        headScheduled_ = false;
        lineBusy_ = false;
    }
    while (!out.empty()) {
        if (!headScheduled_) {
            // A byte queued behind another follows it without a gap, however late the
            // loop woke up; after an idle line it starts now.
            const auto start = lineBusy_ ? slotEnd_ : std::max(now, slotEnd_);
            headDue_ = start + std::chrono::milliseconds(out.front().delayMs) + interval_;
            headScheduled_ = true;
        }
        if (headDue_ > now) return;
        ready_.push_back(static_cast<char>(out.front().byte));
        slotEnd_ = headDue_;
        out.pop_front();
        headScheduled_ = false;
        lineBusy_ = !out.empty();
    }
    lineBusy_ = false;
}

void TServer::WriteReady() {
    if (cut_ || silent_) {
        ready_.clear();
        return;
    }
    while (!ready_.empty()) {
        size_t n = ready_.size();
        const long limit = dev_.Config().disconnectAfter;
        if (limit >= 0)
            n = std::min<size_t>(n, static_cast<size_t>(std::max(0L, limit - bytesOut_)));
        ssize_t w = n ? ::write(conn_, ready_.data(), n) : 0;
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Nobody reads: the line loses what does not fit.
            if (ready_.size() > 65536) ready_.clear();
            return;
        }
        if (w < 0) {
            if (opt_.pty)
                ready_.clear();
            else
                CloseConnection();
            return;
        }
        bytesOut_ += w;
        ready_.erase(0, static_cast<size_t>(w));
        if (limit >= 0 && bytesOut_ >= limit) {
            if (opt_.pty) {
                cut_ = true;
                ready_.clear();
                dev_.Output().clear();
            } else {
                CloseConnection();
            }
            return;
        }
    }
}

std::string TServer::Control(const std::string& rawLine) {
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    char cmd[16] = {};
    std::sscanf(line.c_str(), "%15s", cmd);
    const std::string c = cmd;
    if (c.empty()) return "error: empty command";
    if (c == "stats") {
        return dev_.Control(line, quit_) + " connections " + std::to_string(connections_) +
               " bytes-in " + std::to_string(bytesIn_) + " bytes-out " + std::to_string(bytesOut_);
    }
    if (c == "save") {
        const std::string path = line.size() > 5 ? line.substr(5) : std::string();
        if (path.empty()) return "error: save FILE";
        return WriteFileAtomic(path, dev_.RecordArea()) ? "ok" : "error: cannot write " + path;
    }
    if (c == "disconnect") {
        if (opt_.pty) return "error: a pseudo-terminal cannot be disconnected";
        if (conn_ >= 0) CloseConnection();
        return "ok";
    }
    if (c == "down") {
        // The receiver's side goes away: the connection closes and connections are refused.
        if (opt_.pty) return "error: a pseudo-terminal cannot go down";
        if (conn_ >= 0) CloseConnection();
        if (listenFd_ >= 0) ::close(listenFd_);
        listenFd_ = -1;
        return "ok";
    }
    if (c == "up") {
        if (opt_.pty) return "error: a pseudo-terminal cannot go down";
        if (listenFd_ >= 0) return "ok";
        int port = 0;
        listenFd_ = ListenLocal(boundPort_, port);
        return listenFd_ >= 0 ? "ok" : "error: cannot listen on port " + std::to_string(boundPort_);
    }
    char onOff[8] = {};
    if (std::sscanf(line.c_str(), "silent %7s", onOff) == 1) {
        const std::string v = onOff;
        if (v != "on" && v != "off") return "error: silent on|off";
        silent_ = v == "on";
        if (silent_) {
            ready_.clear();
            dev_.Output().clear();
        } else {
            // Whatever was half received meanwhile is gone; the receiver starts afresh.
            dev_.Reset();
        }
        return "ok";
    }
    long baud = 0;
    char value[32] = {};
    if (std::sscanf(line.c_str(), "set baud %31s", value) == 1) {
        if (!ParseLong(value, baud, 0, 10000000)) return "error: set baud B";
        SetBaud(baud);
        return "ok";
    }
    return dev_.Control(line, quit_);
}

void TServer::HandleLines(TControlPeer& peer) {
    size_t nl;
    while ((nl = peer.buffer.find('\n')) != std::string::npos) {
        std::string line = peer.buffer.substr(0, nl);
        peer.buffer.erase(0, nl + 1);
        std::string reply = Control(line) + "\n";
        // Replies are short; a peer that does not read them loses them.
        size_t off = 0;
        while (off < reply.size()) {
            ssize_t w = ::write(peer.out, reply.data() + off, reply.size() - off);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) break;
            off += static_cast<size_t>(w);
        }
    }
}

int TServer::Run() {
    SetBaud(opt_.baud);
    // Paced bytes are due every few hundred microseconds; the default 50 us timer slack
    // would show in every one of them.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    // A line's timing does not suffer from a busy machine; ask for a little precedence
    // (refused without the privilege, which is fine).
    if (opt_.baud > 0) ::setpriority(PRIO_PROCESS, 0, -5);
    std::string where;
    if (opt_.tcp) {
        int port = 0;
        listenFd_ = ListenLocal(opt_.tcpPort, port);
        if (listenFd_ < 0) {
            std::fprintf(stderr, "ravlin-sim: cannot listen on port %d: %s\n", opt_.tcpPort,
                         std::strerror(errno));
            return 1;
        }
        boundPort_ = port;
        where = "tcp " + std::to_string(port);
    } else {
        conn_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const char* name = nullptr;
        if (conn_ < 0 || ::grantpt(conn_) != 0 || ::unlockpt(conn_) != 0 ||
            !(name = ::ptsname(conn_))) {
            std::fprintf(stderr, "ravlin-sim: cannot open a pseudo-terminal: %s\n",
                         std::strerror(errno));
            return 1;
        }
        where = std::string("pty ") + name;
        // Kept open so that a peer closing its side never leaves the master without a
        // slave (reads would then fail with EIO without end).
        ptySlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        if (ptySlave_ < 0 || ::tcgetattr(ptySlave_, &t) != 0) {
            std::fprintf(stderr, "ravlin-sim: cannot open %s: %s\n", name, std::strerror(errno));
            return 1;
        }
        ::cfmakeraw(&t);
        ::tcsetattr(ptySlave_, TCSANOW, &t);
        ::fcntl(conn_, F_SETFL, ::fcntl(conn_, F_GETFL) | O_NONBLOCK);
        connections_ = 1;
    }
    if (opt_.controlPort >= 0) {
        int port = 0;
        ctlListen_ = ListenLocal(opt_.controlPort, port);
        if (ctlListen_ < 0) {
            std::fprintf(stderr, "ravlin-sim: cannot listen on control port %d: %s\n",
                         opt_.controlPort, std::strerror(errno));
            return 1;
        }
        if (opt_.controlPort == 0) where += " control " + std::to_string(port);
    }
    std::printf("%s\n", where.c_str());
    std::fflush(stdout);

    struct stat st {};
    const bool stdinIsStream =
        ::fstat(0, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || ::isatty(0));

    sigset_t empty;
    sigemptyset(&empty);
    while (!quit_ && !g_stop) {
        const bool connected = conn_ >= 0;
        auto now = Clock::now();
        const auto demoDue = demo_ ? demo_->Tick(dev_, now, connected && !cut_ && !silent_)
                                   : Clock::time_point::max();
        if (connected && !silent_) {
            dev_.Idle();
            Schedule(now);
            if (!ready_.empty()) WriteReady();
        } else if (!connected) {
            dev_.Output().clear();
        }

        std::vector<pollfd> fds;
        auto add = [&](int fd, short ev) {
            fds.push_back({fd, ev, 0});
            return static_cast<int>(fds.size()) - 1;
        };
        int iListen = -1, iConn = -1, iStdin = -1, iCtlListen = -1, iCtl = -1;
        if (listenFd_ >= 0 && conn_ < 0) iListen = add(listenFd_, POLLIN);
        if (conn_ >= 0)
            iConn = add(conn_, static_cast<short>(POLLIN | (ready_.empty() ? 0 : POLLOUT)));
        if (stdinOpen_) iStdin = add(0, POLLIN);
        if (ctlListen_ >= 0 && ctl_.in < 0) iCtlListen = add(ctlListen_, POLLIN);
        if (ctl_.in >= 0) iCtl = add(ctl_.in, POLLIN);

        // Woken by the next byte due on the line or the next demo reception, if any.
        auto wake = demoDue;
        if (conn_ >= 0 && ready_.empty() && headScheduled_) wake = std::min(wake, headDue_);
        timespec ts{}, *timeout = nullptr;
        if (wake != Clock::time_point::max()) {
            auto left =
                std::max(std::chrono::nanoseconds(0),
                         std::chrono::duration_cast<std::chrono::nanoseconds>(wake - Clock::now()));
            ts.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
            ts.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
            timeout = &ts;
        }
        int r = ::ppoll(fds.data(), fds.size(), timeout, &empty);
        if (r < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "ravlin-sim: poll: %s\n", std::strerror(errno));
            break;
        }
        if (iConn >= 0 && fds[iConn].revents) {
            if (fds[iConn].revents & (POLLIN | POLLHUP | POLLERR)) ReadConnection();
            if (conn_ >= 0 && (fds[iConn].revents & POLLOUT)) WriteReady();
        }
        if (iListen >= 0 && (fds[iListen].revents & POLLIN)) {
            conn_ = AcceptOne(listenFd_);
            if (conn_ >= 0) {
                ++connections_;
                dev_.Reset();
                cut_ = false;
                bytesOut_ = 0;
            }
        }
        if (iStdin >= 0 && fds[iStdin].revents) {
            char buf[1024];
            ssize_t n = ::read(0, buf, sizeof buf);
            if (n > 0) {
                stdin_.buffer.append(buf, static_cast<size_t>(n));
                HandleLines(stdin_);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                stdinOpen_ = false;
                // A closed pipe or terminal means the owner is gone; /dev/null or a file
                // of commands just ends the control input.
                if (stdinIsStream) quit_ = true;
            }
        }
        if (iCtlListen >= 0 && (fds[iCtlListen].revents & POLLIN)) {
            int fd = AcceptOne(ctlListen_);
            if (fd >= 0) {
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
                ctl_ = {fd, fd, {}};
            }
        }
        if (iCtl >= 0 && fds[iCtl].revents) {
            char buf[1024];
            ssize_t n = ::read(ctl_.in, buf, sizeof buf);
            if (n > 0) {
                ctl_.buffer.append(buf, static_cast<size_t>(n));
                HandleLines(ctl_);
            } else if (n == 0 || errno != EINTR) {
                ::close(ctl_.in);
                ctl_ = {};
            }
        }
    }
    // Let what is already due leave before the line goes away.
    if (conn_ >= 0) {
        Schedule(Clock::now());
        WriteReady();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    TOptions o;
    if (int rc = ParseArgs(argc, argv, o)) return rc;
    if (int rc = ApplyType(o)) return rc;
    TSimDevice device(o.config);
    const std::string bad = device.Layout();
    if (!bad.empty()) {
        std::fprintf(stderr, "ravlin-sim: %s\n", bad.c_str());
        return 2;
    }
    if (!o.load.empty() && !device.LoadRecordArea(o.image)) {
        std::fprintf(stderr, "ravlin-sim: image larger than the record area: %s\n", o.load.c_str());
        return 1;
    }

    struct sigaction sa {};
    sa.sa_handler = [](int) { g_stop = 1; };
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &block, nullptr);

    std::unique_ptr<TDemoReceptions> demo;
    if (o.demoSeconds > 0) {
        std::string why;
        demo = TDemoReceptions::Make(o.demoSeconds, o.config.seed, o.dataDir, o.config.type,
                                     o.imageFromDataFile ? o.load : std::string(), why);
        if (!demo) {
            std::fprintf(stderr, "ravlin-sim: %s\n", why.c_str());
            return 2;
        }
    }
    TServer server(o, device, demo.get());
    int rc = server.Run();
    if (!o.save.empty() && !WriteFileAtomic(o.save, device.RecordArea())) {
        std::fprintf(stderr, "ravlin-sim: cannot write %s\n", o.save.c_str());
        if (rc == 0) rc = 1;
    }
    return rc;
}
