// The stream download's reply from the fuzzer: the bytes are cut into 39-byte lines as the
// download receives them, each for the next address of 16 bytes from a start taken from
// the first two bytes. Lines are taken while they are whole, of their address and of
// hexadecimal digits; what is taken is upper-case digits, 32 a line, and nothing of a
// refused line is.
// max_len: 65536
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "receiver/Rx.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    int address = (data[0] << 8 | data[1]) & 0xFFF0;
    const std::string_view reply(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string image;
    for (size_t at = 0; at + 39 <= reply.size() && address <= 0xFFFF; at += 39, address += 16) {
        std::string line_data;
        if (!ParseStreamLine(reply.substr(at, 39), address, line_data)) break;
        if (line_data.size() != 32) std::abort();
        image += line_data;
    }
    for (char c : image)
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) std::abort();
    // A line built for its address from the digits taken is taken again as they are.
    if (image.size() >= 32) {
        const std::string line = TRx::Hex4(0x0100) + ":" + image.substr(0, 32) + "\r\n";
        std::string again;
        if (!ParseStreamLine(line, 0x0100, again) || again != image.substr(0, 32)) std::abort();
    }
    return 0;
}
