#include "base/Wave.h"

#include <cstdint>

namespace ravlin {

namespace {

uint32_t U16(std::string_view s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1]))
                                             << 8;
}

uint32_t U32(std::string_view s, size_t at) {
    return U16(s, at) | U16(s, at + 2) << 16;
}

constexpr uint32_t kPcm = 1, kFloat = 3, kExtensible = 0xFFFE;

}  // namespace

int TWave::BytesPerFrame() const {
    const int bytes = sample == UInt8 ? 1 : sample == Int16 ? 2 : 4;
    return bytes * channels;
}

long long TWave::Milliseconds() const {
    if (sampleRate <= 0 || BytesPerFrame() <= 0) return 0;
    return static_cast<long long>(data.size() / BytesPerFrame()) * 1000 / sampleRate;
}

std::optional<TWave> ParseWave(std::string_view s) {
    if (s.size() < 12 || s.substr(0, 4) != "RIFF" || s.substr(8, 4) != "WAVE") return std::nullopt;
    TWave w;
    bool haveFormat = false;
    size_t pos = 12;
    while (pos + 8 <= s.size()) {
        const std::string_view id = s.substr(pos, 4);
        const uint64_t size = U32(s, pos + 4);
        const size_t body = pos + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > s.size()) return std::nullopt;
            uint32_t tag = U16(s, body);
            const uint32_t channels = U16(s, body + 2);
            const uint32_t rate = U32(s, body + 4);
            const uint32_t bits = U16(s, body + 14);
            if (tag == kExtensible) {
                // The sub-format GUID starts with the format tag.
                if (size < 40 || body + 26 > s.size()) return std::nullopt;
                tag = U16(s, body + 24);
            }
            if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000) return std::nullopt;
            if (tag == kPcm && bits == 8)
                w.sample = TWave::UInt8;
            else if (tag == kPcm && bits == 16)
                w.sample = TWave::Int16;
            else if (tag == kPcm && bits == 32)
                w.sample = TWave::Int32;
            else if (tag == kFloat && bits == 32)
                w.sample = TWave::Float32;
            else
                return std::nullopt;
            w.channels = static_cast<int>(channels);
            w.sampleRate = static_cast<int>(rate);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) return std::nullopt;
            const size_t available = s.size() - body;
            size_t n = size < available ? static_cast<size_t>(size) : available;
            n -= n % static_cast<size_t>(w.BytesPerFrame());
            w.data.assign(s.substr(body, n));
            return w;
        }
        // Chunks are padded to an even length.
        const uint64_t next = body + size + (size & 1);
        if (next > s.size()) break;
        pos = static_cast<size_t>(next);
    }
    return std::nullopt;
}

}  // namespace ravlin
