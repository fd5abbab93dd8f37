// The communication set-up's checks and the port list: what exists, what is behind a
// port (sysfs, /dev/serial/by-id) and who holds it.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "link/CommSetup.h"
#include "link/PortList.h"
#include "link/Serial.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;

TCommSetupEntry Entry(std::string port, std::string speed, std::string address = "10.0.0.1",
                      std::string ipPort = "10001") {
    TCommSetupEntry e;
    e.portText = std::move(port);
    e.speedText = std::move(speed);
    e.address = std::move(address);
    e.ipPort = std::move(ipPort);
    return e;
}

TEST(CommSetup, ValidEntriesBecomeTheSettingsAndDumpReadGoesOff) {
    TConnectionSettings s;
    s.DumpRead = true;
    s.Device = "/dev/keep";
    TCommSetupEntry e = Entry(" com 12 ", "115200", " 192.168.7.9 ", "4001");
    e.connectionType = TConnectionSettings::Tcp;
    const TCommCheck c = CheckCommSetup(e, s);
    ASSERT_TRUE(c.Ok());
    EXPECT_EQ(s.ComNumber, 12);
    EXPECT_EQ(s.ComSpeed, 115200);
    EXPECT_EQ(s.IPAddress, "192.168.7.9");
    EXPECT_EQ(s.IPPort, "4001");
    EXPECT_EQ(s.ConnectionType, TConnectionSettings::Tcp);
    EXPECT_FALSE(s.DumpRead);
    EXPECT_EQ(s.Device, "/dev/keep");
    EXPECT_EQ(ParseComPort("COM 3"), 3);
    EXPECT_EQ(ParseComPort("COM3"), 3);
    EXPECT_EQ(ParseComPort("COM 0"), 0);
    EXPECT_EQ(ParseComPort("COM x"), 0);
    EXPECT_EQ(ParseComPort("TTY 3"), 0);
}

TEST(CommSetup, FieldsAreCheckedInOrderWhateverTheType) {
    struct Case {
        TCommSetupEntry entry;
        TCommField field;
        Text text;
    };
    const Case cases[] = {
        {Entry("", "9600"), TCommField::Port, Text::BadPortNumber},
        {Entry("COM", "9600"), TCommField::Port, Text::BadPortNumber},
        {Entry("COM -1", "9600"), TCommField::Port, Text::BadPortNumber},
        {Entry("COM 1", "96OO"), TCommField::Speed, Text::BadSpeed},
        {Entry("COM 1", ""), TCommField::Speed, Text::BadSpeed},
        {Entry("COM 1", "-9600"), TCommField::Speed, Text::BadSpeed},
        {Entry("COM 1", "9600", "10.0.0"), TCommField::Address, Text::BadIpAddress},
        {Entry("COM 1", "9600", "10..0.1"), TCommField::Address, Text::BadIpAddress},
        {Entry("COM 1", "9600", "10.0.0.1.2"), TCommField::Address, Text::BadIpAddress},
        {Entry("COM 1", "9600", "10.0.0.1", "7"), TCommField::IpPort, Text::BadIpPort},
        {Entry("COM 1", "9600", "10.0.0.1", "70000"), TCommField::IpPort, Text::BadIpPort},
        {Entry("COM 1", "9600", "10.0.0.1", "4a"), TCommField::IpPort, Text::BadIpPort},
        // The first wrong field is named, not a later one.
        {Entry("x", "y", "z", "7"), TCommField::Port, Text::BadPortNumber},
    };
    for (const Case& c : cases) {
        TConnectionSettings s;
        s.ComNumber = 4;
        const TCommCheck r = CheckCommSetup(c.entry, s);
        EXPECT_EQ(r.field, c.field) << c.entry.portText << "|" << c.entry.speedText << "|"
                                    << c.entry.address << "|" << c.entry.ipPort;
        EXPECT_EQ(r.textId, c.text);
        EXPECT_EQ(s.ComNumber, 4) << "nothing is taken over before all checks pass";
    }
}

TEST(CommSetup, TheSpeedListHasEverySpeedOfTheSetUp) {
    const std::vector<int> speeds(kComSpeeds.begin(), kComSpeeds.end());
    EXPECT_EQ(speeds, (std::vector<int>{2400, 4800, 9600, 19200, 28800, 38400, 57600}));
    for (int s : kComSpeeds) {
        TConnectionSettings out;
        EXPECT_TRUE(CheckCommSetup(Entry("COM 1", std::to_string(s)), out).Ok()) << s;
        EXPECT_EQ(out.ComSpeed, s);
    }
}

TEST(PortLocks, TheHolderIsReadFromTheLockTables) {
    const std::string locks =
        "1: -> FLOCK  ADVISORY  WRITE 9 00:05:87 0 EOF\n"
        "2: POSIX  ADVISORY  READ 1200 fd:01:1311 0 EOF\n"
        "3: FLOCK  ADVISORY  WRITE 812 00:05:87 0 EOF\n"
        "4: OFDLCK ADVISORY  WRITE -1 00:1a:3 0 EOF\n";
    EXPECT_EQ(ParseLockOwner(locks, 0, 5, 87), 812) << "a waiter is no holder";
    EXPECT_EQ(ParseLockOwner(locks, 0xfd, 1, 1311), 1200);
    EXPECT_EQ(ParseLockOwner(locks, 0, 0x1a, 3), -1) << "held, by no known process";
    EXPECT_EQ(ParseLockOwner(locks, 0, 5, 88), 0);
    EXPECT_EQ(ParseLockOwner("garbage\n\n1:\n", 0, 5, 87), 0);
    EXPECT_EQ(ParseLockFilePid("      4711\n"), 4711);
    const int binary = 4711;
    EXPECT_EQ(ParseLockFilePid(std::string(reinterpret_cast<const char*>(&binary), 4)), 4711);
    EXPECT_EQ(ParseLockFilePid("-5\n"), 0);
    EXPECT_EQ(ParseLockFilePid(""), 0);
    EXPECT_EQ(ParseLockFilePid("99999999999999\n"), 0);
}

// A made-up /sys, /proc, /dev/serial/by-id and lock folder.
class PortListTest : public ::testing::Test {
  protected:
    fs::path root;
    TPortScanRoots roots;

    void SetUp() override {
        char pattern[] = "/tmp/ravlin-ports-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        roots.sys = (root / "sys").string();
        roots.proc = "/proc";
        roots.byIdDir = (root / "by-id").string();
        roots.lockDir = (root / "lock").string();
        fs::create_directories(root / "by-id");
        fs::create_directories(root / "lock");
        fs::create_directories(root / "dev");
    }
    void TearDown() override {
        SetSerialPortOverrides({});
        fs::remove_all(root);
    }
    static void Write(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text << "\n";
    }
    // A USB adapter ttyUSB0 with its sysfs entries.
    std::string UsbAdapter(const std::string& maker, const std::string& product,
                           const std::string& serial) {
        const fs::path usb = root / "sys/devices/pci0/usb1/1-1";
        Write(usb / "idVendor", "0403");
        Write(usb / "idProduct", "6001");
        if (!maker.empty()) Write(usb / "manufacturer", maker);
        if (!product.empty()) Write(usb / "product", product);
        if (!serial.empty()) Write(usb / "serial", serial);
        const fs::path tty = usb / "1-1:1.0/ttyUSB0";
        fs::create_directories(tty);
        fs::create_directories(root / "sys/class/tty/ttyUSB0");
        fs::create_symlink(tty, root / "sys/class/tty/ttyUSB0/device");
        const fs::path dev = root / "dev/ttyUSB0";
        Write(dev, "");
        return dev.string();
    }
};

TEST_F(PortListTest, AUsbAdapterIsDescribedByMakerModelAndSerialWithItsByIdName) {
    const std::string dev = UsbAdapter("FTDI", "FT232R USB UART", "A50285BI");
    fs::create_symlink("../dev/ttyUSB0",
                       root / "by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    const TSerialPortInfo p = DescribeSerialPort(dev, roots);
    EXPECT_EQ(p.description, "FTDI FT232R USB UART, serial A50285BI");
    EXPECT_EQ(p.byId, "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_FALSE(p.held);
}

TEST_F(PortListTest, AModelThatNamesItsMakerIsNotSaidTwiceAndNoNamesGiveTheIds) {
    std::string dev = UsbAdapter("Prolific", "Prolific USB-Serial Controller", "");
    EXPECT_EQ(DescribeSerialPort(dev, roots).description, "Prolific USB-Serial Controller");
    fs::remove_all(root / "sys");
    fs::remove(root / "dev/ttyUSB0");
    dev = UsbAdapter("", "", "");
    EXPECT_EQ(DescribeSerialPort(dev, roots).description, "USB 0403:6001");
    EXPECT_EQ(DescribeSerialPort(dev, roots).byId, "");
}

TEST_F(PortListTest, AUucpLockFileOfARunningProcessHoldsThePortAStaleOneDoesNot) {
    const std::string dev = UsbAdapter("FTDI", "FT232R", "1");
    Write(root / "lock/LCK..ttyUSB0", "      " + std::to_string(::getpid()));
    TSerialPortInfo p = DescribeSerialPort(dev, roots);
    EXPECT_TRUE(p.held);
    EXPECT_EQ(p.holderPid, ::getpid());
    EXPECT_FALSE(p.holderName.empty());
    // A binary pid of a process that is gone.
    const int gone = 0x3ffffff0;
    std::ofstream(root / "lock/LCK..ttyUSB0", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(&gone), sizeof gone);
    p = DescribeSerialPort(dev, roots);
    EXPECT_FALSE(p.held);
    EXPECT_EQ(p.holderPid, 0);
}

TEST_F(PortListTest, APseudoTerminalHeldByAnOpenPortIsListedAsHeldWithoutBeingOpened) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    SetSerialPortOverrides({{31, name}});
    auto find = [&](const std::vector<TSerialPortInfo>& list) {
        auto it = std::find_if(list.begin(), list.end(),
                               [](const TSerialPortInfo& p) { return p.number == 31; });
        return it == list.end() ? TSerialPortInfo{} : *it;
    };
    TSerialPortInfo p = find(ListSerialPorts(roots));
    ASSERT_EQ(p.number, 31);
    EXPECT_EQ(p.path, name);
    EXPECT_EQ(p.description, "pseudo-terminal");
    EXPECT_FALSE(p.held);
    {
        TSerial port(31, 9600);
        p = find(ListSerialPorts(roots));
        ASSERT_EQ(p.number, 31);
        EXPECT_TRUE(p.held);
        EXPECT_EQ(p.holderPid, ::getpid());
        // Listing did not open it: it is still ours to use, and a second open is refused.
        EXPECT_FALSE(DeviceAvailable(name));
    }
    EXPECT_FALSE(find(ListSerialPorts(roots)).held);
    // A number whose device does not exist is not listed.
    SetSerialPortOverrides({{31, (root / "dev/none").string()}});
    EXPECT_EQ(find(ListSerialPorts(roots)).number, 0);
    ::close(slave);
    ::close(master);
}

}  // namespace
}  // namespace ravlin
