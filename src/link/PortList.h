#pragma once
// The serial ports of this machine as the communication set-up lists them: every port
// number (see Serial.h for the number-to-device mapping and the [Ports] overrides) whose
// device exists and may be opened by this user, with a readable description and whether
// another program holds it.
//
// Listing opens no device: opening a serial port raises its DTR and RTS lines, which
// would disturb a device that another program is talking to (and reset some boards).
// A port counts as held when a lock on the device node shows in /proc/locks (flock or
// fcntl, as this program and most terminal programs take it) or a UUCP lock file
// (/var/lock/LCK..name) names a running process.

#include <string>
#include <string_view>
#include <vector>

namespace ravlin {

struct TSerialPortInfo {
    int number = 0;           // "COM n" in the settings file
    std::string path;         // /dev/ttyUSB0
    std::string description;  // "FTDI FT232R USB UART, serial A50285BI"; "" when unknown
    std::string byId;         // its name in /dev/serial/by-id, when there is one
    bool held = false;
    int holderPid = 0;       // 0 when held but the process is not known
    std::string holderName;  // the holder's command name, when known
};

// Where the listing looks; tests point them at a made-up tree.
struct TPortScanRoots {
    std::string sys = "/sys";
    std::string proc = "/proc";
    std::string byIdDir = "/dev/serial/by-id";
    std::string lockDir = "/var/lock";
};

// Ports 1..32 and every overridden number, ascending.
std::vector<TSerialPortInfo> ListSerialPorts(const TPortScanRoots& roots = {});

// One device: description, by-id name and holder (`number` and the existence checks are
// the caller's).
TSerialPortInfo DescribeSerialPort(const std::string& path, const TPortScanRoots& roots = {});

// The process holding a lock on the file (device numbers, inode) in the text of
// /proc/locks: its id, -1 when the entry names none, 0 when the file is not locked.
int ParseLockOwner(std::string_view text, unsigned devMajor, unsigned devMinor,
                   unsigned long long inode);
// The process id in a UUCP lock file (decimal text or a binary int); 0 when none.
int ParseLockFilePid(const std::string& content);

// True when `path` is a character device this user may read and write, and, for an
// on-board port (ttyS*), one with a UART behind it.
bool SerialPortPresent(const std::string& path, const TPortScanRoots& roots = {});

}  // namespace ravlin
