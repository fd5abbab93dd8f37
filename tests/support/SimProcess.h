#pragma once
// Runs the real ravlin-sim as a child process for integration tests.
//
//   TSimProcess sim;
//   ASSERT_TRUE(sim.Start(TSimProcess::Tcp, {"--password", "abc"}));
//   TLink link(texts, ui);
//   sim.Configure(link.Settings);            // TCP 127.0.0.1:port, or the pty path
//   ... exchanges ...
//   EXPECT_EQ(sim.Control("reception 1234567 3"), "ok");
//   EXPECT_EQ(sim.Peek(0x0F20, 16), "616263...");
//   std::vector<uint8_t> area = sim.RecordArea();   // record area as saved by the sim
//   sim.Stop();                                       // also done by the destructor
//   (CloseStdin() and Signal(SIGTERM) end it the other ways; all three write --save.)
//
// The child gets SIGTERM when the test process dies, so no simulator outlives a crashed
// test. Control lines go to the simulator's stdin; each gets one reply line on its stdout.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "link/ConnectionSettings.h"

namespace ravlin::test {

class TSimProcess {
  public:
    enum TTransport { Tcp, Pty };

    TSimProcess() = default;
    ~TSimProcess() { Stop(); }
    TSimProcess(const TSimProcess&) = delete;
    TSimProcess& operator=(const TSimProcess&) = delete;

    static std::string DefaultBinary() {
#ifdef RAVLIN_BIN_DIR
        return std::string(RAVLIN_BIN_DIR) + "/ravlin-sim";
#else
        return "ravlin-sim";
#endif
    }

    // Starts the simulator with --tcp 0 or --pty and `args`; true once it has told its
    // endpoint (within timeoutMs).
    bool Start(TTransport transport, const std::vector<std::string>& args = {},
               int timeoutMs = 5000, const std::string& binary = DefaultBinary()) {
        Stop();
        // A simulator that died early must not take the test down with SIGPIPE.
        ::signal(SIGPIPE, SIG_IGN);
        transport_ = transport;
        std::vector<std::string> argv{binary};
        if (transport == Tcp)
            argv.insert(argv.end(), {"--tcp", "0"});
        else
            argv.push_back("--pty");
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (auto& a : argv) cargv.push_back(a.data());
        cargv.push_back(nullptr);

        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0) return false;
        if (::pipe2(out, O_CLOEXEC) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return false;
        }
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(127);
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execv(cargv[0], cargv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        if (pid_ < 0) {
            ::close(in[1]);
            ::close(out[0]);
            return false;
        }
        toSim_ = in[1];
        fromSim_ = out[0];
        std::string first;
        if (!ReadLine(first, timeoutMs)) {
            Stop();
            return false;
        }
        const auto space = first.find(' ');
        if (space == std::string::npos) {
            Stop();
            return false;
        }
        endpoint_ = first.substr(space + 1);
        if (transport == Tcp) {
            port_ = std::atoi(endpoint_.c_str());
            const auto ctl = endpoint_.find(" control ");
            if (ctl != std::string::npos) controlPort_ = std::atoi(endpoint_.c_str() + ctl + 9);
        } else {
            const auto ctl = endpoint_.find(" control ");
            if (ctl != std::string::npos) {
                controlPort_ = std::atoi(endpoint_.c_str() + ctl + 9);
                endpoint_.resize(ctl);
            }
        }
        return first.compare(0, space, transport == Tcp ? "tcp" : "pty") == 0;
    }

    bool Running() const {
        return pid_ > 0;
    }
    pid_t Pid() const {
        return pid_;
    }
    TTransport Transport() const {
        return transport_;
    }
    int Port() const {
        return port_;
    }  // TCP
    const std::string& PtyPath() const {
        return endpoint_;
    }  // pty
    int ControlPort() const {
        return controlPort_;
    }  // with --control-port 0

    // Points connection settings at the simulator.
    void Configure(TConnectionSettings& s) const {
        if (transport_ == Tcp) {
            s.ConnectionType = TConnectionSettings::Tcp;
            s.IPAddress = "127.0.0.1";
            s.IPPort = std::to_string(port_);
        } else {
            s.ConnectionType = TConnectionSettings::Com;
            s.Device = endpoint_;
        }
    }
    // The ravlin-cli options that reach the simulator.
    std::vector<std::string> CliOptions() const {
        if (transport_ == Tcp) return {"--tcp", "127.0.0.1:" + std::to_string(port_)};
        return {"--device", endpoint_};
    }

    // Sends one control line; returns the reply line, or "" when none came in time.
    std::string Control(const std::string& line, int timeoutMs = 5000) {
        if (toSim_ < 0) return {};
        const std::string l = line + "\n";
        if (::write(toSim_, l.data(), l.size()) != static_cast<ssize_t>(l.size())) return {};
        std::string reply;
        return ReadLine(reply, timeoutMs) ? reply : std::string();
    }

    // Fills the simulator's memory from `start` to `end` (inclusive) with a fixed pattern of
    // distinct bytes, so that every block of a download carries data.
    bool FillPattern(int start, int end) {
        for (int a = start; a <= end; a += 0x400) {
            const int n = std::min(0x400, end - a + 1);
            std::string data;
            char b[3];
            for (int i = 0; i < n; ++i) {
                std::snprintf(b, sizeof b, "%02X", (a + i) * 13 % 127);
                data += b;
            }
            char addr[8];
            std::snprintf(addr, sizeof addr, "%04X", a);
            if (Control(std::string("memory ") + addr + " " + data) != "ok") return false;
        }
        return true;
    }

    // count bytes of simulator memory from address, as uppercase hex digits.
    std::string Peek(int address, int count) {
        char cmd[64];
        std::snprintf(cmd, sizeof cmd, "peek %04X %X", address, count);
        return Control(cmd);
    }

    // The record area as the simulator holds it now (saved through a temporary file).
    std::vector<uint8_t> RecordArea() {
        char path[] = "/tmp/ravlin-sim-areaXXXXXX";
        int fd = ::mkstemp(path);
        if (fd < 0) return {};
        ::close(fd);
        std::vector<uint8_t> data;
        if (Control(std::string("save ") + path) == "ok") data = ReadFile(path);
        ::unlink(path);
        return data;
    }

    static std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }

    // Asks the simulator to quit (then SIGTERM, then SIGKILL) and reaps it. Returns its
    // exit status, or -1 when it had to be killed or was not running.
    int Stop(int timeoutMs = 5000) {
        if (pid_ <= 0) return -1;
        if (toSim_ >= 0) {
            const char q[] = "quit\n";
            [[maybe_unused]] ssize_t w = ::write(toSim_, q, sizeof q - 1);
        }
        int status = 0;
        bool exited = WaitExit(status, timeoutMs);
        if (!exited) {
            ::kill(pid_, SIGTERM);
            exited = WaitExit(status, 2000);
        }
        if (!exited) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
        ClosePipes();
        return exited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Closes the simulator's stdin (its owner going away) and waits for the exit; returns
    // the exit status or -1.
    int CloseStdin(int timeoutMs = 5000) {
        if (pid_ <= 0) return -1;
        if (toSim_ >= 0) ::close(toSim_);
        toSim_ = -1;
        int status = 0;
        if (!WaitExit(status, timeoutMs)) return -1;
        pid_ = -1;
        ClosePipes();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Sends a signal and waits for the exit; returns the exit status or -1.
    int Signal(int sig, int timeoutMs = 5000) {
        if (pid_ <= 0) return -1;
        ::kill(pid_, sig);
        int status = 0;
        const bool exited = WaitExit(status, timeoutMs);
        if (!exited) return -1;
        pid_ = -1;
        ClosePipes();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    void ClosePipes() {
        if (toSim_ >= 0) ::close(toSim_);
        if (fromSim_ >= 0) ::close(fromSim_);
        toSim_ = fromSim_ = -1;
        buffer_.clear();
    }

    bool ReadLine(std::string& line, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return false;
            pollfd p{fromSim_, POLLIN, 0};
            int r = ::poll(&p, 1, static_cast<int>(left));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            char buf[512];
            ssize_t n = ::read(fromSim_, buf, sizeof buf);
            if (n <= 0) return false;
            buffer_.append(buf, static_cast<size_t>(n));
        }
    }

    bool WaitExit(int& status, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        // A pidfd becomes readable when the child exits.
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        for (;;) {
            pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (r < 0 || left <= 0) {
                if (pidfd >= 0) ::close(pidfd);
                return false;
            }
            pollfd p{pidfd, POLLIN, 0};
            if (pidfd >= 0)
                ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
            else
                ::poll(nullptr, 0, 5);
        }
        if (pidfd >= 0) ::close(pidfd);
        return true;
    }

    TTransport transport_ = Tcp;
    pid_t pid_ = -1;
    int toSim_ = -1, fromSim_ = -1;
    int port_ = 0, controlPort_ = -1;
    std::string endpoint_;
    std::string buffer_;
};

}  // namespace ravlin::test
