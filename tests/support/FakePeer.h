#pragma once
// A scripted stand-in for a receiver, on a local TCP listening socket or on a
// pseudo-terminal. A thread records every byte the link sends and answers by script:
// wake-up bytes (0x55) outside a frame get a 'U' when `answerWake` is set; every complete
// frame (up to its checksum, or its CR LF for read types 01/07/09) is passed to `onFrame`,
// whose chunks are sent back in order, each after its delay.

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ravlin::test {

struct TChunk {
    std::string bytes;
    int delayMs = 0;
};

class FakePeer {
  public:
    enum Kind { Tcp, Pty };
    using FrameHandler = std::function<std::vector<TChunk>(const std::string& frame, int index)>;

    explicit FakePeer(Kind kind) : kind_(kind) {
        if (::pipe(wake_) != 0) std::abort();
        if (kind == Tcp) {
            listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            int one = 1;
            ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
                ::listen(listen_, 4) != 0)
                std::abort();
            socklen_t len = sizeof sa;
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &len);
            port_ = ntohs(sa.sin_port);
        } else {
            char name[256] = {};
            if (::openpty(&conn_, &slave_, name, nullptr, nullptr) != 0) std::abort();
            device_ = name;
            termios t{};
            ::tcgetattr(slave_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(slave_, TCSANOW, &t);
        }
        thread_ = std::thread([this] { Run(); });
    }

    ~FakePeer() {
        stop_ = true;
        char c = 0;
        (void)!::write(wake_[1], &c, 1);
        thread_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        if (conn_ >= 0) ::close(conn_);
        if (slave_ >= 0) ::close(slave_);
        if (listen_ >= 0) ::close(listen_);
        ::close(wake_[0]);
        ::close(wake_[1]);
    }

    std::string Port() const { return std::to_string(port_); }
    const std::string& Device() const { return device_; }

    // The frame handler may be replaced while the peer runs.
    class THandlerSlot {
      public:
        THandlerSlot& operator=(FrameHandler handler) {
            std::lock_guard<std::mutex> lock(mutex_);
            handler_ = std::move(handler);
            return *this;
        }
        FrameHandler Get() {
            std::lock_guard<std::mutex> lock(mutex_);
            return handler_;
        }

      private:
        std::mutex mutex_;
        FrameHandler handler_;
    };

    std::atomic<bool> answerWake{true};
    THandlerSlot onFrame;

    std::string Received() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    std::vector<std::string> Frames() {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_;
    }
    int Connections() {
        std::lock_guard<std::mutex> lock(mutex_);
        return connections_;
    }
    void ClearReceived() {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.clear();
        frames_.clear();
    }
    // Waits until pred(Received()) holds or timeoutMs passes.
    bool WaitFor(const std::function<bool(const std::string&)>& pred, int timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return pred(received_); });
    }

    // Sends bytes now (any thread).
    void Send(const std::string& bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        WriteLocked(bytes);
    }
    // TCP: closes the accepted connection (reset = abortive close, the client sees
    // ECONNRESET). Pty: closes the master, the device hangs up.
    void Disconnect(bool reset = false) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (conn_ < 0) return;
        if (reset) {
            linger lg{1, 0};
            ::setsockopt(conn_, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        }
        ::close(conn_);
        conn_ = -1;
        inFrame_ = false;
    }

    // Intel HEX style read reply line for `data` (hex digits) read at `address`:
    // 4 address digits, one separator, the data, CR LF, one trailing character.
    static std::string ReadLine(const std::string& address, const std::string& data) {
        return address + " " + data + "\r\n.";
    }

  private:
    void WriteLocked(const std::string& bytes) {
        size_t off = 0;
        while (conn_ >= 0 && off < bytes.size()) {
            ssize_t n = kind_ == Tcp
                            ? ::send(conn_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL)
                            : ::write(conn_, bytes.data() + off, bytes.size() - off);
            if (n > 0) {
                off += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;
            }
        }
    }

    static int Hex(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    }

    // Feeds one byte; returns the chunks to send.
    std::vector<TChunk> Feed(char c) {
        std::vector<TChunk> out;
        std::string frame;
        int index = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            received_ += c;
            if (!inFrame_) {
                if (c == ':') {
                    inFrame_ = true;
                    frame_ = ":";
                } else if (static_cast<unsigned char>(c) == 0x55 && answerWake) {
                    out.push_back({"U", 0});
                }
            } else {
                frame_ += c;
                bool done = false;
                if (frame_.size() >= 9) {
                    char t = frame_[8];
                    bool read = frame_[7] == '0' && (t == '1' || t == '7' || t == '9');
                    if (read) {
                        done = c == '\n';
                    } else {
                        size_t count = static_cast<size_t>(Hex(frame_[1]) * 16 + Hex(frame_[2]));
                        done = frame_.size() == 1 + 2 + 4 + 2 + 2 * count + 2;
                    }
                }
                if (frame_.size() > 1000) inFrame_ = false;
                if (done) {
                    inFrame_ = false;
                    frames_.push_back(frame_);
                    frame = frame_;
                    index = static_cast<int>(frames_.size()) - 1;
                }
            }
        }
        changed_.notify_all();
        FrameHandler handler = frame.empty() ? nullptr : onFrame.Get();
        if (handler) {
            auto more = handler(frame, index);
            out.insert(out.end(), more.begin(), more.end());
        }
        return out;
    }

    void Run() {
        char buf[512];
        while (!stop_) {
            int fd;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                fd = conn_;
            }
            pollfd p[2] = {{wake_[0], POLLIN, 0}, {fd >= 0 ? fd : listen_, POLLIN, 0}};
            int nfds = (fd >= 0 || listen_ >= 0) ? 2 : 1;
            if (::poll(p, nfds, 50) <= 0) continue;
            if (p[0].revents) break;
            if (fd < 0) {
                if (listen_ >= 0 && (p[1].revents & POLLIN)) {
                    int c = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (c >= 0) {
                        int one = 1;
                        ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                        conn_ = c;
                        ++connections_;
                    }
                }
                continue;
            }
            if (!(p[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) {
                // Client closed (TCP) or nobody has the pty open: drop this connection.
                std::lock_guard<std::mutex> lock(mutex_);
                if (kind_ == Tcp && conn_ == fd) {
                    ::close(conn_);
                    conn_ = -1;
                }
                inFrame_ = false;
                if (kind_ == Pty) {
                    // EIO while no other side is open; try again shortly.
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                continue;
            }
            for (ssize_t i = 0; i < n; ++i) {
                for (const TChunk& chunk : Feed(buf[i])) {
                    if (chunk.delayMs > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(chunk.delayMs));
                    std::lock_guard<std::mutex> lock(mutex_);
                    WriteLocked(chunk.bytes);
                }
            }
        }
    }

    Kind kind_;
    int listen_ = -1;
    int conn_ = -1;
    int slave_ = -1;
    int port_ = 0;
    std::string device_;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string received_;
    std::vector<std::string> frames_;
    std::string frame_;
    bool inFrame_ = false;
    int connections_ = 0;
};

}  // namespace ravlin::test
