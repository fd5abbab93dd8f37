#pragma once
// Windows-1252, the single-byte code page of the program's own files, and UTF-8, the
// encoding of terminals and of the desktop toolkit's strings. Bytes 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D, unassigned in Windows-1252, stand for the control characters of the
// same number (as on the platform the files come from), so every byte string survives
// AnsiToUtf8 followed by Utf8ToAnsi unchanged.

#include <string>
#include <string_view>

namespace ravlin {

std::string AnsiToUtf8(std::string_view ansi);
// False when `utf8` is not valid UTF-8 or holds a character Windows-1252 has no byte
// for; `out` then holds the conversion up to that character.
bool Utf8ToAnsi(std::string_view utf8, std::string& out);

}  // namespace ravlin
