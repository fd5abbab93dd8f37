#pragma once
// The checks of the communication set-up, shared by its window and ravlin-cli: what the
// user typed as port, speed, address and TCP port becomes connection settings, or the
// first field that is wrong is named with its message.

#include <string>

#include "base/Texts.h"
#include "link/ConnectionSettings.h"

namespace ravlin {

// What the window holds when OK is pressed (texts as typed).
struct TCommSetupEntry {
    int connectionType = TConnectionSettings::Com;
    std::string portText;   // "COM 3" (the list's text)
    std::string speedText;  // "9600"
    std::string address;    // "192.168.1.1"
    std::string ipPort;     // "10001"
};

enum class TCommField { None, Port, Speed, Address, IpPort };

struct TCommCheck {
    TCommField field = TCommField::None;  // None: all valid
    Text textId = Text::None;             // language text of the refusal
    bool Ok() const { return field == TCommField::None; }
};

// Lowest and highest speed the set-up takes, bit/s.
inline constexpr int kMinComSpeed = 50;
inline constexpr int kMaxComSpeed = 4000000;

// "COM n" (blanks around and between allowed, any case) -> n >= 1; 0 when not a port.
int ParseComPort(const std::string& text);

// Checks in this order, whatever the connection type: port (Text::BadPortNumber), speed
// (BadSpeed), address (BadIpAddress: four non-empty parts separated by dots), TCP port
// (BadIpPort: two to five digits, 1..65535). On success `out` takes every value (the other fields
// of `out` are kept) and DumpRead is switched off.
TCommCheck CheckCommSetup(const TCommSetupEntry& entry, TConnectionSettings& out);

}  // namespace ravlin
