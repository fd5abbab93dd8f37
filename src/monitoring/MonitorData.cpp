#include "monitoring/MonitorData.h"

namespace ravlin {

namespace {

struct TInputCode {
    const char* digit;
    const char* text;
};
constexpr TInputCode kInputCodes[] = {
    {"3", "A=0,B=0"}, {"6", "A=1,B=0"}, {"9", "A=0,B=1"}, {"C", "A=1,B=1"}, {"F", "Ini"},
};

// A hexadecimal number of 1 to 8 digits (either case).

struct TColorRow {
    TRgb swatch, background, text;
};
constexpr TColorRow kColors[kMonitorColors] = {
    {{255, 255, 255}, {255, 255, 255}, {0, 0, 0}}, {{255, 0, 0}, {255, 0, 0}, {0, 0, 0}},
    {{0, 0, 255}, {0, 0, 255}, {255, 255, 0}},     {{0, 128, 0}, {0, 255, 0}, {0, 0, 0}},
    {{255, 255, 0}, {255, 255, 0}, {0, 0, 0}},     {{255, 0, 255}, {255, 0, 255}, {0, 0, 0}},
    {{0, 0, 0}, {0, 0, 0}, {255, 255, 255}},
};

}  // namespace

std::string SerialKey(const std::string& serial) {
    return serial.size() > 2 ? serial.substr(2, 5) : std::string();
}

std::string InputCodeDigit(const std::string& text) {
    for (const auto& c : kInputCodes)
        if (text == c.text) return c.digit;
    return text;
}

std::string ReceptionCode(const std::string& serial, const std::string& digit) {
    return !serial.empty() && serial[0] == 'A' ? InputCodeText(digit) : digit;
}

TRgb SwatchColor(int color) {
    return color >= 0 && color < kMonitorColors ? kColors[color].swatch : TRgb{255, 255, 255};
}

TRgb BackgroundColor(int color) {
    return color >= 0 && color < kMonitorColors ? kColors[color].background : TRgb{255, 255, 255};
}

TRgb TextColor(int color) {
    return color >= 0 && color < kMonitorColors ? kColors[color].text : TRgb{0, 0, 0};
}

}  // namespace ravlin
