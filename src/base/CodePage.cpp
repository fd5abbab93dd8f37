#include "base/CodePage.h"

#include <cstdint>

namespace ravlin {
namespace {

// Characters of bytes 0x80..0x9F; the unassigned ones keep their own number.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

char32_t ToChar(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
}

bool ToByte(char32_t c, char& out) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        out = static_cast<char>(c);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c) {
            out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one character at `i`; false for a malformed, overlong or surrogate sequence.
bool NextChar(std::string_view s, size_t& i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t min;
    if (b0 < 0x80) {
        c = b0;
        ++i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1, min = 0x80, c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, min = 0x800, c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, min = 0x10000, c = b0 & 0x07;
    } else {
        return false;
    }
    if (s.size() - i <= static_cast<size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += static_cast<size_t>(extra) + 1;
    return true;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 4);
    for (char ch : ansi) AppendUtf8(out, ToChar(static_cast<unsigned char>(ch)));
    return out;
}

bool Utf8ToAnsi(std::string_view utf8, std::string& out) {
    out.clear();
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c;
        char b;
        if (!NextChar(utf8, i, c) || !ToByte(c, b)) return false;
        out += b;
    }
    return true;
}

}  // namespace ravlin
