#pragma once
// How the link reaches the receiver: a serial port or a TCP serial-device server.

#include <array>
#include <string>

namespace ravlin {

// The serial speeds the communication set-up offers, bit/s. Any other positive speed may
// be typed; the serial port sets it through termios2.
inline constexpr std::array<int, 7> kComSpeeds = {2400, 4800, 9600, 19200, 28800, 38400, 57600};

struct TConnectionSettings {
    enum Type { Com = 0, Tcp = 1 };
    int ConnectionType = Com;               // settings key ConnectionType
    int ComNumber = 1;                      // ComNumber
    int ComSpeed = 9600;                    // ComSpeed
    std::string IPAddress = "192.168.1.1";  // IPAddress
    std::string IPPort = "10001";           // IPPort
    bool DumpRead = false;                  // DumpRead: stream download, exchange without handshake
    // A serial device path given directly (for example a pseudo-terminal); when set it
    // is opened instead of the device that ComNumber maps to.
    std::string Device;

    // "COM " + number + ":" + speed, or "IP " + address + ":" + port.
    std::string ConnectionText() const {
        if (ConnectionType == Tcp) return "IP " + IPAddress + ":" + IPPort;
        return "COM " + std::to_string(ComNumber) + ":" + std::to_string(ComSpeed);
    }
};

}  // namespace ravlin
