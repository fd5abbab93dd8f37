#include "link/CommSetup.h"

#include <cctype>

namespace ravlin {

namespace {

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

// A decimal number of at most `maxDigits` digits and nothing else; -1 otherwise.
long Number(const std::string& s, size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return -1;
    long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool ValidAddress(const std::string& a) {
    int dots = 0;
    size_t partLength = 0;
    for (char c : a) {
        if (c == '.') {
            if (partLength == 0) return false;
            ++dots;
            partLength = 0;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            return false;
        } else {
            ++partLength;
        }
    }
    return dots == 3 && partLength > 0;
}

}  // namespace

int ParseComPort(const std::string& text) {
    const std::string t = Trim(text);
    if (t.size() < 4) return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(t[i])) != "COM"[i]) return 0;
    const long n = Number(Trim(t.substr(3)), 6);
    return n >= 1 ? static_cast<int>(n) : 0;
}

TCommCheck CheckCommSetup(const TCommSetupEntry& entry, TConnectionSettings& out) {
    const int port = ParseComPort(entry.portText);
    if (port == 0) return {TCommField::Port, Text::BadPortNumber};
    const long speed = Number(Trim(entry.speedText), 8);
    if (speed < kMinComSpeed || speed > kMaxComSpeed) return {TCommField::Speed, Text::BadSpeed};
    const std::string address = Trim(entry.address);
    if (!ValidAddress(address)) return {TCommField::Address, Text::BadIpAddress};
    const std::string ipPort = Trim(entry.ipPort);
    const long tcpPort = Number(ipPort, 5);
    if (ipPort.size() < 2 || tcpPort < 1 || tcpPort > 65535)
        return {TCommField::IpPort, Text::BadIpPort};

    out.ConnectionType = entry.connectionType == TConnectionSettings::Tcp
                             ? TConnectionSettings::Tcp
                             : TConnectionSettings::Com;
    out.ComNumber = port;
    out.ComSpeed = static_cast<int>(speed);
    out.IPAddress = address;
    out.IPPort = ipPort;
    out.DumpRead = false;
    return {};
}

}  // namespace ravlin
