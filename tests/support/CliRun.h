#pragma once
// Runs ravlin-cli from the build tree: at once (Run) or in the background while the test
// talks to the simulator (Start, then Finish).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace ravlin::test {

struct TCliResult {
    int status = -1;  // exit status; -1 killed or timed out
    std::string out, err;
    double seconds = 0;  // from the start to the end
};

class TCliRun {
  public:
    ~TCliRun() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Start(const std::vector<std::string>& args) {
        std::vector<std::string> argv{std::string(RAVLIN_BIN_DIR) + "/ravlin-cli"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> c;
        for (auto& a : argv) c.push_back(a.data());
        c.push_back(nullptr);
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return false;
        if (::pipe2(err, O_CLOEXEC) != 0) return false;
        start_ = Clock::now();
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, 0);
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            ::execv(c[0], c.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        return pid_ > 0;
    }
    // Waits up to timeoutMs until stdout so far holds `text` (Finish keeps what was read).
    bool WaitOut(const std::string& text, int timeoutMs = 10000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out_ >= 0 && seen_.out.find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) break;
            pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            if (::poll(p, 2, static_cast<int>(left)) <= 0) continue;
            Take(out_, p[0].revents, seen_.out);
            Take(err_, p[1].revents, seen_.err);
        }
        return seen_.out.find(text) != std::string::npos;
    }
    // Collects the output until the program ends; kills it after timeoutMs.
    TCliResult Finish(int timeoutMs = 30000) {
        TCliResult r = std::move(seen_);
        seen_ = {};
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out_ >= 0 || err_ >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) {
                ::kill(pid_, SIGKILL);
                break;
            }
            pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            if (::poll(p, 2, static_cast<int>(left)) <= 0) continue;
            Take(out_, p[0].revents, r.out);
            Take(err_, p[1].revents, r.err);
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
        out_ = err_ = -1;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        return r;
    }
    // Sends `sig` to the running program (an interrupt, as Ctrl+C does).
    void Signal(int sig) {
        if (pid_ > 0) ::kill(pid_, sig);
    }
    static TCliResult Run(const std::vector<std::string>& args, int timeoutMs = 30000) {
        TCliRun run;
        if (!run.Start(args)) return {};
        return run.Finish(timeoutMs);
    }

  private:
    using Clock = std::chrono::steady_clock;
    static void Take(int& fd, short revents, std::string& to) {
        if (fd < 0 || !(revents & (POLLIN | POLLHUP | POLLERR))) return;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            to.append(buf, static_cast<size_t>(n));
        } else {
            ::close(fd);
            fd = -1;
        }
    }
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    TCliResult seen_;  // what WaitOut read
    Clock::time_point start_;
};

}  // namespace ravlin::test
