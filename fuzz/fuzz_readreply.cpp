// A block read's reply lines from the fuzzer: the first byte gives the number of data
// bytes asked for (1 to 16, as the reads of the descriptor, name, password and record
// blocks ask), the rest is the line. A line that is taken gives exactly that many
// upper-case hexadecimal digit pairs, and a digit of the line taken back in either case
// gives the same data; anything else is refused without reading outside the line.
// max_len: 4096
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "receiver/Rx.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t digits = 2 * (1 + data[0] % 16);
    const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string block = "unchanged";
    if (!ParseReadReply(line, digits, block)) {
        if (block != "unchanged") std::abort();  // a refused line leaves the data alone
        return 0;
    }
    if (block.size() != digits) std::abort();
    for (char c : block)
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) std::abort();
    std::string lower = line;
    for (size_t i = 5; i < 5 + digits; ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
    std::string again;
    if (!ParseReadReply(lower, digits, again) || again != block) std::abort();
    return 0;
}
