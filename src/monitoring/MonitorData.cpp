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
bool HexValue(const std::string& s, uint32_t& out) {
    if (s.empty() || s.size() > 8) return false;
    uint32_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    out = v;
    return true;
}

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

std::string InputCodeText(const std::string& digit) {
    for (const auto& c : kInputCodes)
        if (digit == c.digit) return c.text;
    return digit;
}

std::string InputCodeDigit(const std::string& text) {
    for (const auto& c : kInputCodes)
        if (text == c.text) return c.digit;
    return text;
}

std::string ReceptionCode(const std::string& serial, const std::string& digit) {
    return !serial.empty() && serial[0] == 'A' ? InputCodeText(digit) : digit;
}

bool TlacitkaSouhlasi(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    if (a == b) return true;
    uint32_t va, vb;
    if (!HexValue(a, va) || !HexValue(b, vb)) return false;
    // The flags are taken by successive subtraction, so any value above 15 keeps its
    // excess in the last flag.
    const bool f8 = va >= 8;
    if (f8) va -= 8;
    const bool f4 = va >= 4;
    if (f4) va -= 4;
    const bool f2 = va >= 2;
    if (f2) va -= 2;
    const bool f1 = va > 0;
    bool result = false;
    if (vb >= 8) {
        vb -= 8;
        result = f8;
    }
    if (vb >= 4) {
        vb -= 4;
        result = result || f4;
    }
    if (vb >= 2) {
        vb -= 2;
        result = result || f2;
    }
    if (vb > 0) result = result || f1;
    return result;
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
