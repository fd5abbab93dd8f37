// Serial port on Linux. termios2 (BOTHER) is used so that rates without a B-constant,
// such as 28800, can be set; hence <asm/termbits.h> instead of <termios.h>.
#include "link/Serial.h"

#include <asm/termbits.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstring>

#include "base/IniFile.h"

namespace ravlin {

namespace {

std::map<int, std::string>& Overrides() {
    static std::map<int, std::string> overrides;
    return overrides;
}

std::string PortName(int n) {
    return "COM" + std::to_string(n);
}

std::string NotAvailable(const std::string& name) {
    // Windows-1252 text, as the rest of the program's texts.
    return "Port " + name + " n\xEDn\xED k dispozici";
}

// Exclusive open without applying any settings; -1 on failure.
int OpenExclusive(const std::string& device) {
    if (device.empty()) return -1;
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void CloseExclusive(int fd) {
    // The exclusive flag outlives our descriptor when another one keeps the tty alive.
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

// Waits up to timeoutMs for `events`; returns the revents (0 on time-out).
short PollFor(int fd, short events, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd p{fd, events, 0};
        int left = static_cast<int>(
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (left < 0) left = 0;
        int r = ::poll(&p, 1, left);
        if (r > 0) return p.revents;
        if (r == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}

}  // namespace

void SetSerialPortOverrides(const std::map<int, std::string>& overrides) {
    Overrides() = overrides;
}

const std::map<int, std::string>& SerialPortOverrides() {
    return Overrides();
}

std::string SerialDevicePath(int n) {
    auto it = Overrides().find(n);
    if (it != Overrides().end()) return it->second;
    if (n >= 1 && n <= 8) return "/dev/ttyS" + std::to_string(n - 1);
    if (n >= 9 && n <= 24) return "/dev/ttyUSB" + std::to_string(n - 9);
    if (n >= 25 && n <= 32) return "/dev/ttyACM" + std::to_string(n - 25);
    return {};
}

bool DeviceAvailable(const std::string& path) {
    int fd = OpenExclusive(path);
    if (fd < 0) return false;
    CloseExclusive(fd);
    return true;
}

std::map<int, std::string> ReadSerialPortOverrides(const TIniFile& ini) {
    std::map<int, std::string> out;
    for (const std::string& key : ini.ReadSectionKeys("Ports")) {
        if (key.size() < 4 || key.size() > 6) continue;
        std::string prefix = key.substr(0, 3);
        for (char& c : prefix) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (prefix != "COM") continue;
        int n = 0;
        bool digits = true;
        for (size_t i = 3; i < key.size(); ++i) {
            if (key[i] < '0' || key[i] > '9')
                digits = false;
            else
                n = n * 10 + (key[i] - '0');
        }
        std::string path = ini.ReadString("Ports", key, "");
        if (digits && n > 0 && !path.empty()) out[n] = path;
    }
    return out;
}

std::vector<int> AvailablePorts() {
    std::vector<int> ports;
    for (int n = 1; n <= 32; ++n)
        if (PortAvailable(n)) ports.push_back(n);
    return ports;
}

bool PortAvailable(int n) {
    return DeviceAvailable(SerialDevicePath(n));
}

TSerial::TSerial(int port, int baud) : name_(PortName(port)) {
    Open(SerialDevicePath(port), baud);
}

TSerial::TSerial(const std::string& device, int baud) : name_(device) {
    Open(device, baud);
}

void TSerial::Open(const std::string& device, int baud) {
    fd_ = OpenExclusive(device);
    if (fd_ < 0) throw TSerialException(NotAvailable(name_));

    // Raw 8N1 without any flow control; reads never block (poll decides how long to wait).
    // A setting the driver refuses is not checked: the port keeps its previous one.
    struct termios2 tio {};
    if (::ioctl(fd_, TCGETS2, &tio) == 0) {
        tio.c_iflag = IGNBRK;  // no parity marking, no XON/XOFF, no CR/NL mapping
        tio.c_oflag = 0;
        tio.c_lflag = 0;
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
        tio.c_cflag |= CS8 | CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
        tio.c_ispeed = static_cast<speed_t>(baud);
        tio.c_ospeed = static_cast<speed_t>(baud);
        std::memset(tio.c_cc, 0, sizeof tio.c_cc);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::ioctl(fd_, TCSETS2, &tio);
    }
    ::ioctl(fd_, TCFLSH, TCIOFLUSH);
    // Linux raises DTR and RTS on open; both start low here and move only on request.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIC, &lines);
}

TSerial::~TSerial() {
    if (fd_ >= 0) CloseExclusive(fd_);
}

bool TSerial::WaitReadable(int timeoutMs) {
    if (broken_) return false;
    short r = PollFor(fd_, POLLIN, timeoutMs);
    if (r & POLLIN) return true;
    if (r & (POLLHUP | POLLERR | POLLNVAL)) broken_ = true;
    return false;
}

bool TSerial::ReadByte(uint8_t& b) {
    if (!WaitReadable(1000 + 100)) return false;
    for (;;) {
        ssize_t n = ::read(fd_, &b, 1);
        if (n == 1) return true;
        if (n < 0 && errno == EINTR) continue;
        // Readable but nothing read: end of file or an I/O error (device gone).
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) broken_ = true;
        return false;
    }
}

int TSerial::Read(char* buf, int max) {
    if (broken_ || max <= 0) return 0;
    for (;;) {
        ssize_t n = ::read(fd_, buf, static_cast<size_t>(max));
        if (n > 0) return static_cast<int>(n);
        if (n < 0 && errno == EINTR) continue;
        // End of file or an I/O error: the device went away.
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) broken_ = true;
        return 0;
    }
}

bool TSerial::WriteByte(uint8_t b) {
    if (broken_) return false;
    short r = PollFor(fd_, POLLOUT, 100 + 2);
    if (!(r & POLLOUT)) {
        if (r & (POLLHUP | POLLERR | POLLNVAL)) broken_ = true;
        return false;
    }
    for (;;) {
        ssize_t n = ::write(fd_, &b, 1);
        if (n == 1) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) broken_ = true;
        return false;
    }
}

bool TSerial::WriteBytes(const std::string& bytes) {
    for (char c : bytes)
        if (!WriteByte(static_cast<uint8_t>(c))) return false;
    return true;
}

unsigned TSerial::InputCount() {
    int n = 0;
    if (broken_ || ::ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
    return static_cast<unsigned>(n);
}

void TSerial::PurgeInput() {
    ::ioctl(fd_, TCFLSH, TCIFLUSH);
}

void TSerial::PurgeOutput() {
    ::ioctl(fd_, TCFLSH, TCOFLUSH);
}

void TSerial::SetDtr(bool on) {
    int bit = TIOCM_DTR;
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit);  // refused by pseudo-terminals; harmless
}

void TSerial::SetRts(bool on) {
    int bit = TIOCM_RTS;
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit);
}

}  // namespace ravlin
