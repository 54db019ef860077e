// The loudness of a recording over time, for the page's picture of the call: the
// loudest sample of each of `buckets` equal stretches, 0 (silence) to 1 (full scale).
#pragma once
#include <string>
#include <vector>

namespace host::web {

struct Loudness {
    double seconds = 0;
    std::vector<float> peaks;
};

// False when the file is not a PCM WAV of 8 or 16 bits.
bool wav_loudness(const std::string& path, size_t buckets, Loudness* out);

}  // namespace host::web
