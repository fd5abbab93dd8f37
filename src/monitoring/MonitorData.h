#pragma once
// Plain records of the monitor set-up: a message (TMonitorData) with the events that
// activate and deactivate it (TEvent), and the rules that compare receptions with events.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "monitoring/MonitorTime.h"
#include "records/ButtonCodes.h"

namespace ravlin {

struct TEvent {
    TEvent() = default;
    TEvent(std::string serial, std::string buttons)
        : Serial(std::move(serial)), Buttons(std::move(buttons)) {}

    // Two-character code prefix and the five digits of the serial key; the prefix is
    // "x0" while no transmitter type is chosen.
    std::string Serial;
    // One hexadecimal digit; for a serial beginning with "A" its input code text.
    std::string Buttons;
    // User information of the matching document record (not stored in the file).
    int UserNumber = 0;
    std::array<std::string, 4> User;

    bool operator==(const TEvent&) const = default;
};

struct TMonitorData {
    int Number = 0;  // position in the set-up + 1
    std::vector<TEvent> ActiveEvents;
    std::vector<TEvent> DeactiveEvents;
    std::string Text;
    int Color = 0;  // colour index 0..6
    int Size = 8;   // font size in points
    bool Blink = false;
    int Sound = 0;  // sound choice 0..6
    std::string SoundFile;
    std::string Picture;
    bool Activate = false;    // bring the program to the front on activation
    bool ShowWindow = false;  // open a pop-up window on activation
    // Seconds after which an alarm not yet cleared sounds and shows its window again,
    // and again after as many seconds more; 0: never.
    int RepeatTime = 0;

    // Run-time state of monitor mode; never stored.
    int Row = 0;    // 0: inactive, else the row of the message list (1..active count)
    int Slot = -1;  // the window slot of its pop-up window, -1 when none
    TDateTime ActivatedAt;
    std::chrono::steady_clock::time_point ActivatedTick{};
    int Repeats = 0;  // repeats given since the activation
    bool Touched = false;
    bool Marked = false;

    bool IsActive() const { return Row > 0; }
};

// Characters 3 to 7 of a transmitter serial: the digits a receiver record keeps.
std::string SerialKey(const std::string& serial);

// The digit of an input code text (InputCodeText the other way round); a text that is
// no input code text is returned unchanged.
std::string InputCodeDigit(const std::string& text);
// The button code of a reception or an event: the input code text for input transmitters.
std::string ReceptionCode(const std::string& serial, const std::string& digit);

// Colours of the colour index 0..6 (others: white background, black text).
struct TRgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const TRgb&) const = default;
};
TRgb SwatchColor(int color);
TRgb BackgroundColor(int color);
TRgb TextColor(int color);
inline constexpr int kMonitorColors = 7;

}  // namespace ravlin
