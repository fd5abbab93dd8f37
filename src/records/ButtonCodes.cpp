#include "records/ButtonCodes.h"

#include <cstdint>

namespace ravlin {
namespace {

// Up to 8 hex digits, either case, as the 32-bit signed value the receiver tools have
// always used (FFFFFFFF is -1). The empty text is 0.
bool HexValue(const std::string& text, int32_t& value) {
    if (text.size() > 8) return false;
    uint32_t v = 0;
    for (char c : text) {
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
    value = static_cast<int32_t>(v);
    return true;
}

// Flags of a taken from the top by successive subtraction; b then picks which count.
bool Cascade(int64_t a, int64_t b) {
    bool f8 = false, f4 = false, f2 = false;
    if (a >= 8) {
        f8 = true;
        a -= 8;
    }
    if (a >= 4) {
        f4 = true;
        a -= 4;
    }
    if (a >= 2) {
        f2 = true;
        a -= 2;
    }
    const bool f1 = a > 0;
    bool result = false;
    if (b >= 8) {
        b -= 8;
        result = f8;
    }
    if (b >= 4) {
        b -= 4;
        result = result || f4;
    }
    if (b >= 2) {
        b -= 2;
        result = result || f2;
    }
    if (b > 0) result = result || f1;
    return result;
}

}  // namespace

std::string InputCodeText(const std::string& digit) {
    if (digit == "3") return "A=0,B=0";
    if (digit == "6") return "A=1,B=0";
    if (digit == "9") return "A=0,B=1";
    if (digit == "C") return "A=1,B=1";
    if (digit == "F") return "Ini";
    return digit;
}

bool ButtonsMatch(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    if (a == b) return true;
    return HistoryButtonMatch(a, b);
}

bool HistoryButtonMatch(const std::string& a, const std::string& b) {
    int32_t va = 0, vb = 0;
    if (!HexValue(a, va) || !HexValue(b, vb)) return false;
    return Cascade(va, vb);
}

}  // namespace ravlin
