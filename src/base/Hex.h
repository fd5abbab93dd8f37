#pragma once
// Hexadecimal digits as the receivers' images, frames and files hold them. What is written
// is upper case; what is read may be either case unless the caller asks for upper case.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ravlin {

// The value of a digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
constexpr bool IsHexDigit(char c) {
    return HexDigitValue(c) >= 0;
}
// 0..9 and A..F only: frames on the line take no lower case.
constexpr bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}
constexpr int UpperHexDigitValue(char c) {
    return IsUpperHexDigit(c) ? HexDigitValue(c) : -1;
}
// The upper-case digit of the low four bits of `value`.
constexpr char HexDigitChar(unsigned value) {
    return "0123456789ABCDEF"[value & 15];
}

// Every character a digit (the empty text too).
bool AllHexDigits(std::string_view text);
// The byte of the two digits at `at` and `at` + 1 (0-based); -1 when the text ends before
// them or either is not a digit.
int HexByteAt(std::string_view text, size_t at);

// Two upper-case digits of the low 8 bits, and four of the low 16 bits.
void AppendHexByte(std::string& out, unsigned value);
std::string HexByte(unsigned value);
std::string HexWord(unsigned value);

// Up to 8 digits of either case as a 32-bit value; the empty text is 0. False for a
// longer text or any other character (`value` unchanged).
bool ParseHex(std::string_view text, uint32_t& value);

// Each byte as two digits, and back: false for an odd length or a character that is not
// a digit.
std::string BytesToHex(std::string_view bytes);
bool HexToBytes(std::string_view hex, std::string& bytes);

}  // namespace ravlin
