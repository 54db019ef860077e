// The 58-byte header of a call recording: RIFF/WAVE, PCM mono 8000 Hz 8-bit with an
// 18-byte format chunk, a fact chunk, then the data chunk.
#pragma once
#include <array>
#include <cstdint>

namespace vornix {

constexpr uint32_t kWavHeaderBytes = 58;
constexpr uint32_t kWavStartRiffSize = 64;  // what a recording says before it is stopped
constexpr uint32_t kWavStartDataSize = 14;

// The stop values for a file of `length` bytes: RIFF size length - 8, data size
// length - 58. Past what the 32-bit fields hold (a file beyond 4 GiB) they say the most
// they can, RIFF size 0xFFFFFFFF, keeping data size + 50 = RIFF size. A length short of
// the header counts as the header alone.
struct WavSizes {
    uint32_t riff;
    uint32_t data;
};
WavSizes finished_wav_sizes(int64_t length);

// Fills the header for a data chunk of `data_size` bytes and a RIFF size of
// `riff_size` (the stop values are data + 50; the start values 64 and 14).
void fill_wav_header(std::array<uint8_t, kWavHeaderBytes>& header, uint32_t riff_size, uint32_t data_size);

}  // namespace vornix
