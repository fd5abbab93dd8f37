// Wave file contents from the fuzzer: the reader never reads outside the bytes and what
// it accepts is whole frames of a format the sound output can play.
// max_len: 131072
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Wave.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    const auto w = ParseWave(content);
    if (!w) return 0;
    if (w->channels < 1 || w->channels > 8 || w->sampleRate < 1000) std::abort();
    if (w->data.size() % static_cast<size_t>(w->BytesPerFrame()) != 0) std::abort();
    if (w->data.size() > size) std::abort();
    if (w->Milliseconds() < 0) std::abort();
    return 0;
}
