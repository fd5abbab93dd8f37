#pragma once
// Byte-level access to one serial port (Linux tty device).
//
// Port numbers: the rest of the program names a port by its number n ("COM n").
// On Linux the number maps to a device node:
//   COM1  - COM8   -> /dev/ttyS0   - /dev/ttyS7    (on-board UARTs)
//   COM9  - COM24  -> /dev/ttyUSB0 - /dev/ttyUSB15 (USB serial adapters)
//   COM25 - COM32  -> /dev/ttyACM0 - /dev/ttyACM7  (USB CDC devices)
// Any number can be pointed elsewhere with SetSerialPortOverrides(), which the
// application fills from the settings file, section [Ports], keys COMn=/dev/...
// A device path (TConnectionSettings::Device) can also be opened directly.
//
// Opening is exclusive: TIOCEXCL (ignored for root) plus an flock() on the device,
// so two programs (or two instances of this one) never share a port.
// Line: 8N1, raw, no flow control; DTR and RTS are driven by explicit calls only.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace ravlin {

class TIniFile;

class TSerialException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Per-number device overrides (number -> device path). Set at start-up, before any port
// is opened; not synchronised.
void SetSerialPortOverrides(const std::map<int, std::string>& overrides);
const std::map<int, std::string>& SerialPortOverrides();
// Section [Ports] of the settings file: keys COMn (any case, n decimal) whose value is a
// device path. Other keys and empty values are ignored. The application passes the result
// to SetSerialPortOverrides() after reading the settings file.
std::map<int, std::string> ReadSerialPortOverrides(const TIniFile& ini);
// Port numbers 1..32 that PortAvailable() opens, ascending (the setup dialog's list).
std::vector<int> AvailablePorts();
// Device node for port number n (override first, then the default table above);
// empty for a number outside 1..32 without override.
std::string SerialDevicePath(int n);
// Opens port n exclusively and closes it at once; true if the open succeeded.
bool PortAvailable(int n);
// Same for a device path.
bool DeviceAvailable(const std::string& path);

class TSerial {
  public:
    // Opens "COM"+port (through the mapping above). Throws TSerialException
    // "Port COMn n\xEDn\xED k dispozici" (Windows-1252) when the port cannot be opened.
    TSerial(int port, int baud);
    // Opens a device path directly; the exception names the path.
    TSerial(const std::string& device, int baud);
    ~TSerial();
    TSerial(const TSerial&) = delete;
    TSerial& operator=(const TSerial&) = delete;

    // Reads at most one byte; waits up to 1100 ms when nothing is waiting.
    bool ReadByte(uint8_t& b);
    // Reads up to max bytes that are waiting, never waits; the count, 0 when none.
    int Read(char* buf, int max);
    // Writes one byte; waits up to 102 ms for room in the output queue.
    bool WriteByte(uint8_t b);
    // Writes a string byte for byte (same time-out per byte); false at the first failure.
    bool WriteBytes(const std::string& bytes);
    // Bytes waiting in the driver's input queue.
    unsigned InputCount();
    void PurgeInput();
    void PurgeOutput();
    void SetDtr(bool on);
    void SetRts(bool on);

    // Waits up to timeoutMs (poll) for a byte to read. True when one is waiting; false on
    // time-out or when the device went away (then Broken() is true).
    bool WaitReadable(int timeoutMs);
    // The device reported hang-up or an I/O error (USB adapter unplugged, pty master closed).
    bool Broken() const { return broken_; }
    const std::string& Name() const { return name_; }
    int Handle() const { return fd_; }

  private:
    void Open(const std::string& device, int baud);
    int fd_ = -1;
    bool broken_ = false;
    std::string name_;
};

}  // namespace ravlin
