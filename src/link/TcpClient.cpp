#include "link/TcpClient.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace ravlin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeepIdleS = 5;
constexpr int kKeepIntervalS = 1;
constexpr int kKeepCount = 3;
constexpr unsigned kUserTimeoutMs = 10000;

int LeftMs(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// poll() that survives signals; returns revents, 0 on time-out.
short PollFor(int fd, short events, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, LeftMs(deadline));
        if (r > 0) return p.revents;
        if (r == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}

bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v == 0 || v > 65535) return false;
    port = static_cast<uint16_t>(v);
    return true;
}

}  // namespace

TTcpClient::~TTcpClient() {
    Close();
}

bool TTcpClient::StartConnect(const std::string& address, const std::string& port, int& error) {
    Close();
    error = 0;
    closedError_ = 0;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    uint16_t portNumber = 0;
    if (!ParsePort(port, portNumber)) {
        error = EINVAL;
        return false;
    }
    sa.sin_port = htons(portNumber);
    if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        // Not dotted IPv4: allow a host name (resolution blocks briefly).
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* res = nullptr;
        if (address.empty() || ::getaddrinfo(address.c_str(), nullptr, &hints, &res) != 0 || !res) {
            error = EINVAL;
            return false;
        }
        sa.sin_addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
        ::freeaddrinfo(res);
    }
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = errno;
        return false;
    }
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // A server that goes away without closing (its power gone) is noticed by the system
    // too: keep-alive probes after kKeepIdleS quiet seconds, one a second, kKeepCount
    // unanswered end the connection; so do bytes unacknowledged for kUserTimeoutMs.
    ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleS, sizeof kKeepIdleS);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalS, sizeof kKeepIntervalS);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUserTimeoutMs, sizeof kUserTimeoutMs);
    linger lg{1, 1};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
        state_ = Connected_;
        return true;
    }
    if (errno == EINPROGRESS || errno == EINTR) {
        state_ = Connecting;
        return true;
    }
    // Refused at once (e.g. a closed local port): the connect started and completed with
    // an error, which WaitConnected reports.
    closedError_ = errno;
    state_ = Closed;
    return true;
}

bool TTcpClient::WaitConnected(int timeoutMs, int& error) {
    error = 0;
    if (state_ == Connected_) return true;
    if (state_ == Closed) {
        error = closedError_;
        return false;
    }
    if (state_ != Connecting) return false;
    short r = PollFor(fd_, POLLOUT, timeoutMs);
    if (r == 0) return false;  // time-out
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
    if (soError == 0 && (r & POLLOUT) && !(r & (POLLERR | POLLHUP))) {
        state_ = Connected_;
        return true;
    }
    error = soError ? soError : ECONNREFUSED;
    MarkClosed(error);
    return false;
}

void TTcpClient::MarkClosed(int error) {
    state_ = Closed;
    closedError_ = error;
}

bool TTcpClient::Send(const std::string& bytes, int timeoutMs) {
    if (state_ != Connected_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            short r = PollFor(fd_, POLLOUT, LeftMs(deadline));
            if (r == 0) {
                MarkClosed(ETIMEDOUT);
                return false;
            }
            continue;
        }
        MarkClosed(n < 0 ? errno : EPIPE);
        return false;
    }
    return true;
}

int TTcpClient::Receive(char* buf, int max, int timeoutMs) {
    if (state_ != Connected_) return -1;
    if (max <= 0) return 0;
    short r = PollFor(fd_, POLLIN, timeoutMs);
    if (r == 0) return 0;
    for (;;) {
        ssize_t n = ::recv(fd_, buf, static_cast<size_t>(max), 0);
        if (n > 0) return static_cast<int>(n);
        if (n == 0) {
            MarkClosed(0);  // orderly close by the peer
            return -1;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        MarkClosed(errno);
        return -1;
    }
}

void TTcpClient::Close() {
    if (fd_ >= 0) {
        // Linger applies to a blocking socket: pending bytes get their second to leave.
        int flags = ::fcntl(fd_, F_GETFL);
        if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
        ::close(fd_);
        fd_ = -1;
    }
    if (state_ != Idle) state_ = Closed;
}

}  // namespace ravlin
