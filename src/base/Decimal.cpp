#include "base/Decimal.h"

namespace ravlin {

bool ParseDecimal(std::string_view text, int32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) return false;  // the magnitude of INT32_MIN at most
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return false;
    value = static_cast<int32_t>(v);
    return true;
}

}  // namespace ravlin
