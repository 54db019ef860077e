#include "wav_header.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vornix {

namespace {
constexpr uint32_t kFmtChunkSize = 18;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kChannels = 1;
constexpr uint32_t kSampleRate = 8000;
constexpr uint16_t kBlockAlign = 1;
constexpr uint16_t kBitsPerSample = 8;
constexpr uint32_t kFactChunkSize = 4;
constexpr uint32_t kRiffOverhead = 8;  // "RIFF" and its size field
constexpr uint32_t kHeaderAfterRiffSize = kWavHeaderBytes - kRiffOverhead;
constexpr int64_t kMostData = std::numeric_limits<uint32_t>::max() - kHeaderAfterRiffSize;

class Writer {
public:
    explicit Writer(uint8_t* at) : at_(at) {}
    void tag(const char (&four)[5]) { put(four, 4); }
    void u32(uint32_t v) { const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; put(b, 4); }
    void u16(uint16_t v) { const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)}; put(b, 2); }

private:
    void put(const void* p, size_t n) { std::memcpy(at_, p, n); at_ += n; }
    uint8_t* at_;
};
}  // namespace

WavSizes finished_wav_sizes(int64_t length) {
    const int64_t data = std::clamp<int64_t>(length - kWavHeaderBytes, 0, kMostData);
    return {static_cast<uint32_t>(data) + kHeaderAfterRiffSize, static_cast<uint32_t>(data)};
}

void fill_wav_header(std::array<uint8_t, kWavHeaderBytes>& header, uint32_t riff_size, uint32_t data_size) {
    Writer w(header.data());
    w.tag("RIFF");
    w.u32(riff_size);
    w.tag("WAVE");
    w.tag("fmt ");
    w.u32(kFmtChunkSize);
    w.u16(kFormatPcm);
    w.u16(kChannels);
    w.u32(kSampleRate);
    w.u32(kSampleRate * kBlockAlign);
    w.u16(kBlockAlign);
    w.u16(kBitsPerSample);
    w.u16(0);  // no format extension
    w.tag("fact");
    w.u32(kFactChunkSize);
    w.u32(data_size);  // sample count: one byte per sample
    w.tag("data");
    w.u32(data_size);
}

}  // namespace vornix
