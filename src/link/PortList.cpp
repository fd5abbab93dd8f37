#include "link/PortList.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "base/AtomicFile.h"
#include "link/Serial.h"

namespace ravlin {

namespace {

// A UUCP lock file holds a process id (ten characters, or four binary bytes).
constexpr size_t kMaxLockFileBytes = 4096;
// The kernel's table of file locks; a busy machine has some thousands of lines.
constexpr size_t kMaxProcLocksBytes = 16u << 20;

std::string ReadLine(const std::string& path) {
    std::ifstream f(path);
    std::string line;
    if (!f || !std::getline(f, line)) return {};
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The USB device above a tty's sysfs node: maker, model and serial, as the kernel reads
// them from the adapter.
std::string UsbDescription(const std::string& ttyDevice) {
    std::string dir = RealPath(ttyDevice);
    for (int up = 0; up < 8 && dir.size() > 1; ++up) {
        if (Exists(dir + "/idVendor")) {
            const std::string maker = ReadLine(dir + "/manufacturer");
            const std::string product = ReadLine(dir + "/product");
            const std::string serial = ReadLine(dir + "/serial");
            std::string text;
            if (!maker.empty() && !StartsWith(product, maker)) text = maker;
            if (!product.empty()) text += (text.empty() ? "" : " ") + product;
            if (text.empty())
                text = "USB " + ReadLine(dir + "/idVendor") + ":" + ReadLine(dir + "/idProduct");
            if (!serial.empty()) text += ", serial " + serial;
            return text;
        }
        dir = dir.substr(0, dir.rfind('/'));
    }
    return {};
}

std::string Description(const std::string& path, const TPortScanRoots& roots) {
    if (StartsWith(path, "/dev/pts/")) return "pseudo-terminal";
    const std::string name = BaseName(path);
    const std::string tty = roots.sys + "/class/tty/" + name;
    std::string usb = UsbDescription(tty + "/device");
    if (!usb.empty()) return usb;
    if (StartsWith(name, "ttyS")) return "on-board serial port";
    const std::string driver = BaseName(RealPath(tty + "/device/driver"));
    return driver;
}

std::string ByIdName(const std::string& path, const TPortScanRoots& roots) {
    const std::string real = RealPath(path);
    DIR* d = ::opendir(roots.byIdDir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const std::string link = roots.byIdDir + "/" + e->d_name;
        if (!real.empty() && RealPath(link) == real) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

bool ProcessAlive(int pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// The lock owner of the device node in /proc/locks (0: not locked).
int LockOwner(const std::string& path, const TPortScanRoots& roots) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    std::string text;
    bool cut = false;
    if (ReadFileHead(roots.proc + "/locks", text, kMaxProcLocksBytes, cut) != 0) return 0;
    return ParseLockOwner(text, major(st.st_dev), minor(st.st_dev), st.st_ino);
}

// A UUCP lock file LCK..name naming a running process (0: none, or a stale file). The lock
// folder is writable by every user: a FIFO, a device or a huge file put there under that
// name is not waited on nor read beyond the few bytes a lock file holds.
int LockFileOwner(const std::string& path, const TPortScanRoots& roots) {
    std::string content;
    bool cut = false;
    if (ReadFileHead(roots.lockDir + "/LCK.." + BaseName(path), content, kMaxLockFileBytes, cut) !=
        0)
        return 0;
    const int pid = ParseLockFilePid(content);
    return ProcessAlive(pid) ? pid : 0;
}

}  // namespace

int ParseLockOwner(std::string_view text, unsigned devMajor, unsigned devMinor,
                   unsigned long long inode) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF": major and minor of the file system
    // in hexadecimal, the inode in decimal; "1: -> FLOCK ..." is a waiter, not a holder.
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::istringstream in(line);
        std::string id, kind, mode, access, pidText, where;
        in >> id >> kind;
        if (kind == "->") continue;
        in >> mode >> access >> pidText >> where;
        unsigned maj = 0, min = 0;
        unsigned long long ino = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &maj, &min, &ino) != 3) continue;
        if (maj == devMajor && min == devMinor && ino == inode) {
            char* stop = nullptr;
            const long pid = std::strtol(pidText.c_str(), &stop, 10);
            return pid > 0 && pid <= INT_MAX && stop && *stop == 0 ? static_cast<int>(pid) : -1;
        }
    }
    return 0;
}

int ParseLockFilePid(const std::string& content) {
    int pid = 0;
    if (content.size() == sizeof(int) && content.find_first_of("0123456789") == std::string::npos) {
        std::memcpy(&pid, content.data(), sizeof pid);
    } else {
        char* stop = nullptr;
        const long v = std::strtol(content.c_str(), &stop, 10);
        pid = v > 0 && v <= INT_MAX ? static_cast<int>(v) : 0;
    }
    return pid > 0 ? pid : 0;
}

bool SerialPortPresent(const std::string& path, const TPortScanRoots& roots) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    if (::access(path.c_str(), R_OK | W_OK) != 0) return false;
    const std::string name = BaseName(path);
    if (StartsWith(name, "ttyS")) {
        // The kernel makes ttyS nodes for ports without a UART; their type is 0.
        const std::string type = ReadLine(roots.sys + "/class/tty/" + name + "/type");
        if (type == "0") return false;
    }
    return true;
}

TSerialPortInfo DescribeSerialPort(const std::string& path, const TPortScanRoots& roots) {
    TSerialPortInfo info;
    info.path = path;
    info.description = Description(path, roots);
    info.byId = ByIdName(path, roots);
    int pid = LockOwner(path, roots);
    if (pid == 0) pid = LockFileOwner(path, roots);
    info.held = pid != 0;
    if (pid > 0) {
        info.holderPid = pid;
        info.holderName = ReadLine(roots.proc + "/" + std::to_string(pid) + "/comm");
    }
    return info;
}

std::vector<TSerialPortInfo> ListSerialPorts(const TPortScanRoots& roots) {
    std::set<int> numbers;
    for (int n = 1; n <= 32; ++n) numbers.insert(n);
    for (const auto& entry : SerialPortOverrides()) numbers.insert(entry.first);
    std::vector<TSerialPortInfo> out;
    for (int n : numbers) {
        const std::string path = SerialDevicePath(n);
        if (!SerialPortPresent(path, roots)) continue;
        TSerialPortInfo info = DescribeSerialPort(path, roots);
        info.number = n;
        out.push_back(std::move(info));
    }
    return out;
}

}  // namespace ravlin
