#include "link/PortList.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "link/Serial.h"

namespace ravlin {

namespace {

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

// A lock on the device node in /proc/locks: "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF"
// (major and minor of the file system in hexadecimal, the inode in decimal). Returns the
// owner's process id (-1 when the entry names none), 0 when not locked.
int LockOwner(const std::string& path, const TPortScanRoots& roots) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    std::ifstream f(roots.proc + "/locks");
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream in(line);
        std::string id, kind, mode, access, pidText, where;
        in >> id >> kind;
        if (kind == "->") continue;  // a waiter, not a holder
        in >> mode >> access >> pidText >> where;
        unsigned maj = 0, min = 0;
        unsigned long long ino = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &maj, &min, &ino) != 3) continue;
        if (maj == major(st.st_dev) && min == minor(st.st_dev) && ino == st.st_ino) {
            const int pid = std::atoi(pidText.c_str());
            return pid > 0 ? pid : -1;
        }
    }
    return 0;
}

// A UUCP lock file LCK..name holding the owner's process id as text or as a binary int.
int LockFileOwner(const std::string& path, const TPortScanRoots& roots) {
    std::ifstream f(roots.lockDir + "/LCK.." + BaseName(path), std::ios::binary);
    if (!f) return 0;
    std::string content((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    int pid = 0;
    if (content.size() == sizeof(int) && content.find_first_of("0123456789") == std::string::npos)
        std::memcpy(&pid, content.data(), sizeof pid);
    else
        pid = std::atoi(content.c_str());
    return ProcessAlive(pid) ? pid : 0;  // a stale lock file holds nothing
}

}  // namespace

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
