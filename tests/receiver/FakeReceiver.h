#pragma once
// A receiver on a loopback TCP port, in the test process, for exact checks of the worker's
// frames: it records every frame, answers as the receiver family does, and injects the
// few faults the tests name (a stream line with a wrong address, a memory that changes
// between two stream passes, rejected writes, a receiver that falls silent, an 'R').

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ravlin::test {

class TFakeReceiver {
  public:
    struct TFrame {
        int type;
        int address;       // address field of the frame
        std::string data;  // data digits
    };

    std::vector<uint8_t> memory = std::vector<uint8_t>(65536, 0xFF);
    int blockSize = 64;
    // Faults, set before the worker runs.
    int badStreamLine = -1;  // this stream line (0-based, counted over all streams) gets
                             // a wrong address, once
    bool changeAfterFirstStream = false;  // flips one byte after the first stream read
    int rejectWrites = 0;                 // answer 'X' to this many write frames
    int silentAfterFrames = -1;           // stop answering after this many frames
    int streamLineDelayMs = 0;            // pause before every stream line
    // Block reads at this address have one digit changed (its lowest bit flipped), each time
    // the next one from digit corruptDigit on, for the next corruptReads replies (a noisy
    // line the reply cannot show).
    int corruptAt = -1;
    int corruptReads = 0;
    int corruptDigit = 0;
    int stuckAt = -1;  // this memory cell ignores writes and erases

    TFakeReceiver() {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_, 4);
        socklen_t len = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~TFakeReceiver() {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
        if (client_ >= 0) ::close(client_);
        ::close(listen_);
    }
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    std::string Port() const { return std::to_string(port_); }

    // Sends one byte to the program at the next chance (a reception report 'R').
    void SendByte(char b) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ += b;
    }

    std::vector<TFrame> Frames() {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_;
    }
    int Count(int type) {
        int n = 0;
        for (const auto& f : Frames()) n += f.type == type;
        return n;
    }
    std::vector<uint8_t> Memory() {
        std::lock_guard<std::mutex> lock(mutex_);
        return memory;
    }
    static std::string Hex(const std::vector<uint8_t>& mem, int from, int to) {
        std::string out;
        char buf[3];
        for (int a = from; a <= to; ++a) {
            std::snprintf(buf, sizeof buf, "%02X", mem[a]);
            out += buf;
        }
        return out;
    }

  private:
    static int HexValue(const std::string& s) {
        return static_cast<int>(std::stoul(s, nullptr, 16));
    }

    void Send(const std::string& s) {
        size_t done = 0;
        while (done < s.size()) {
            ssize_t n = ::send(client_, s.data() + done, s.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }

    void Run() {
        std::string in;
        while (!stop_.load()) {
            if (client_ < 0) {
                pollfd p{listen_, POLLIN, 0};
                if (::poll(&p, 1, 20) > 0) client_ = ::accept(listen_, nullptr, nullptr);
                continue;
            }
            {
                std::string out;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    out.swap(pending_);
                }
                if (!out.empty()) Send(out);
            }
            pollfd p{client_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buf[4096];
            ssize_t n = ::recv(client_, buf, sizeof buf, 0);
            if (n <= 0) {
                ::close(client_);
                client_ = -1;
                continue;
            }
            in.append(buf, static_cast<size_t>(n));
            for (;;) {
                size_t colon = in.find(':');
                if (colon == std::string::npos) {
                    in.clear();
                    break;
                }
                in.erase(0, colon);
                if (in.size() < 9) break;
                const int count = HexValue(in.substr(1, 2));
                const bool read = in[8] == '1' || in[8] == '7' || in[8] == '9';
                const size_t len = 11 + 2 * static_cast<size_t>(count) + (read ? 2 : 0);
                if (in.size() < len) break;
                std::string frame = in.substr(0, len);
                in.erase(0, len);
                Handle(frame, count);
            }
        }
    }

    void Handle(const std::string& frame, int count) {
        TFrame f{HexValue(frame.substr(7, 2)), HexValue(frame.substr(3, 4)),
                 frame.substr(9, 2 * static_cast<size_t>(count))};
        std::unique_lock<std::mutex> lock(mutex_);
        frames_.push_back(f);
        if (silentAfterFrames >= 0 && static_cast<int>(frames_.size()) > silentAfterFrames) return;
        std::string out = frame;  // the echo
        if (f.type == 0x01 || f.type == 0x07 || f.type == 0x09) {
            const int start = HexValue(f.data.substr(0, 4));
            const int last = HexValue(f.data.substr(4, 4));
            if (last - start + 1 > 16) {
                // Stream: one 39-character line per 16 bytes.
                lock.unlock();
                Send(out);
                for (int a = start; a <= last && !stop_.load(); a += 16) {
                    if (streamLineDelayMs)
                        std::this_thread::sleep_for(std::chrono::milliseconds(streamLineDelayMs));
                    lock.lock();
                    char addr[8];
                    std::snprintf(addr, sizeof addr, "%04X",
                                  streamLine_ == badStreamLine ? (a + 16) & 0xFFFF : a);
                    ++streamLine_;
                    std::string line = std::string(addr) + " " + Hex(memory, a, a + 15) + "\r\n";
                    lock.unlock();
                    Send(line);
                }
                lock.lock();
                if (changeAfterFirstStream && ++streams_ == 1) memory[start + 5] ^= 0x01;
                return;
            }
            char addr[8];
            std::snprintf(addr, sizeof addr, "%04X", start);
            std::string digits = Hex(memory, start, last);
            if (start == corruptAt && corruptReads > 0) {
                --corruptReads;
                const size_t at = static_cast<size_t>(corruptDigit + corrupted_++) % digits.size();
                static const char* kHex = "0123456789ABCDEF";
                digits[at] = kHex[HexValue(digits.substr(at, 1)) ^ 1];
            }
            out += std::string(addr) + " " + digits + "\r\n ";
        } else {
            char status = '.';
            if (rejectWrites > 0) {
                --rejectWrites;
                status = 'X';
            } else if (f.type == 0x04) {
                const int block = HexValue(f.data.substr(2, 4));
                for (int a = block; a < block + blockSize && a < 65536; ++a)
                    if (a != stuckAt) memory[a] = 0xFF;
            } else if (f.type == 0x00) {
                for (int i = 0; i < count; ++i)
                    if (((f.address + i) & 0xFFFF) != stuckAt)
                        memory[(f.address + i) & 0xFFFF] =
                            static_cast<uint8_t>(HexValue(f.data.substr(2 * i, 2)));
            }
            out += std::string(1, status) + "\r\n";
        }
        lock.unlock();
        Send(out);
    }

    int listen_ = -1;
    int client_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<TFrame> frames_;
    std::string pending_;
    int streamLine_ = 0;
    int streams_ = 0;
    int corrupted_ = 0;
};

}  // namespace ravlin::test
