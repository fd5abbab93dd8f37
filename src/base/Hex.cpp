#include "base/Hex.h"

namespace ravlin {

bool AllHexDigits(std::string_view text) {
    for (char c : text)
        if (!IsHexDigit(c)) return false;
    return true;
}

int HexByteAt(std::string_view text, size_t at) {
    if (at >= text.size() || text.size() - at < 2) return -1;
    const int hi = HexDigitValue(text[at]);
    const int lo = HexDigitValue(text[at + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

void AppendHexByte(std::string& out, unsigned value) {
    out += HexDigitChar(value >> 4);
    out += HexDigitChar(value);
}

std::string HexByte(unsigned value) {
    std::string out;
    AppendHexByte(out, value);
    return out;
}

std::string HexWord(unsigned value) {
    std::string out;
    AppendHexByte(out, value >> 8);
    AppendHexByte(out, value);
    return out;
}

bool ParseHex(std::string_view text, uint32_t& value) {
    if (text.size() > 8) return false;
    uint32_t v = 0;
    for (char c : text) {
        const int d = HexDigitValue(c);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    value = v;
    return true;
}

std::string BytesToHex(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) AppendHexByte(out, c);
    return out;
}

bool HexToBytes(std::string_view hex, std::string& bytes) {
    if (hex.size() % 2 != 0) return false;
    std::string out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int byte = HexByteAt(hex, i);
        if (byte < 0) return false;
        out += static_cast<char>(byte);
    }
    bytes = std::move(out);
    return true;
}

}  // namespace ravlin
