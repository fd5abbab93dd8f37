#include "records/ButtonCodes.h"

#include <cstdint>

#include "base/Hex.h"

namespace ravlin {
namespace {

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
    // Up to 8 hex digits each, as the 32-bit signed values the receiver tools have always
    // used (FFFFFFFF is -1); the empty text is 0.
    uint32_t va = 0, vb = 0;
    if (!ParseHex(a, va) || !ParseHex(b, vb)) return false;
    return Cascade(static_cast<int32_t>(va), static_cast<int32_t>(vb));
}

}  // namespace ravlin
