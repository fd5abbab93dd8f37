#pragma once
// Decimal numbers as the program's files hold them.

#include <cstdint>
#include <string_view>

namespace ravlin {

// A whole text of decimal digits with an optional "+" or "-" in front, within 32 bits.
// False for anything else (`value` unchanged).
bool ParseDecimal(std::string_view text, int32_t& value);

}  // namespace ravlin
