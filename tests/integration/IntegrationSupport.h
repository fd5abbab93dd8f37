#pragma once
// Shared pieces of the integration tests: a scratch folder with a small receiver
// catalogue, a raw TCP line to the simulator, and running ravlin-cli.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/UserInterface.h"

namespace ravlin::test {

// mkdtemp folder, removed with everything in it.
class TScratchDir {
  public:
    TScratchDir() {
        char tmpl[] = "/tmp/ravlin-integrationXXXXXX";
        const char* p = ::mkdtemp(tmpl);
        path_ = p ? p : "";
    }
    ~TScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
    }

  private:
    std::string path_;
};

// A catalogue with one receiver type of 8-byte records and 64-byte erase blocks, so that
// the tests do not depend on the delivered catalogue's contents.
inline void WriteTestCatalogue(const TScratchDir& dir) {
    const std::string map = "S001S002S003S004S005B001O001O002K001K002T001T002E001E002E003E004";
    dir.Write("Rx.def", "KV8M\r\nTest receiver eight\r\n8\r\n0000000000000000\r\n" + map + "\r\n" +
                            map + "\r\n64\r\n#E\r\n");
}

// Language texts "T0", "T1", ... so that messages can be told apart by number.
inline TTextTable NumberedTexts() {
    TTextTable t;
    for (int i = 0; i < 300; ++i) t.push_back("T" + std::to_string(i));
    return t;
}

// A plain TCP line to the simulator, for checking its bytes on the wire.
class TRawLine {
  public:
    explicit TRawLine(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
        int one = 1;
        if (fd_ >= 0) ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~TRawLine() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Ok() const { return fd_ >= 0; }
    bool Send(const std::string& s) {
        return ::send(fd_, s.data(), s.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(s.size());
    }
    // Reads until `count` bytes came or no byte arrived for gapMs; returns what came.
    std::string Read(size_t count, int gapMs = 1000) {
        std::string out;
        while (out.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, gapMs) <= 0) break;
            char buf[4096];
            ssize_t n = ::recv(fd_, buf, std::min(sizeof buf, count - out.size()), 0);
            if (n <= 0) {
                closed_ = true;
                break;
            }
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }
    bool Closed() const { return closed_; }

  private:
    int fd_ = -1;
    bool closed_ = false;
};

// ":" + pairs + checksum (+ CR LF for the read types), as the link completes a frame.
inline std::string Completed(const std::string& frame) {
    int sum = 0;
    for (size_t i = 1; i + 1 < frame.size(); i += 2)
        sum += std::stoi(frame.substr(i, 2), nullptr, 16);
    char cs[3];
    std::snprintf(cs, sizeof cs, "%02X", (256 - sum % 256) % 256);
    std::string out = frame + cs;
    const char t = frame[8];
    if (t == '1' || t == '7' || t == '9') out += "\r\n";
    return out;
}

struct TRunResult {
    int status = -1;
    std::string out, err;
};

// Runs a program with arguments, stdin from /dev/null; collects stdout and stderr.
inline TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    TRunResult r;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return r;
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(cargv[0], cargv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    pollfd p[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* dest[2] = {&r.out, &r.err};
    int open = 2;
    while (open > 0 && ::poll(p, 2, 60000) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (p[i].fd < 0 || !p[i].revents) continue;
            char buf[4096];
            ssize_t n = ::read(p[i].fd, buf, sizeof buf);
            if (n > 0) {
                dest[i]->append(buf, static_cast<size_t>(n));
            } else {
                ::close(p[i].fd);
                p[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& x : p)
        if (x.fd >= 0) ::close(x.fd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace ravlin::test
