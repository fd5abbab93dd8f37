#pragma once
// Wave files (RIFF WAVE) with uncompressed samples: what the alarm sounds are played from.

#include <optional>
#include <string>
#include <string_view>

namespace ravlin {

struct TWave {
    enum Sample { UInt8, Int16, Int32, Float32 };
    int sampleRate = 0;
    int channels = 0;
    Sample sample = Int16;
    std::string data;  // the frames, little-endian as in the file

    int BytesPerFrame() const;
    // Length in milliseconds.
    long long Milliseconds() const;
};

// Reads PCM (8, 16 or 32 bits) or 32-bit float samples, 1 to 8 channels. Chunks other than
// "fmt " and "data" are skipped; a data chunk longer than the file is cut to what is there
// (whole frames). nullopt for anything else.
std::optional<TWave> ParseWave(std::string_view bytes);

}  // namespace ravlin
