#include "web/wav_peaks.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace host::web {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
constexpr uint16_t kPcm = 1;
constexpr size_t kBlock = 64 * 1024;

uint32_t le32(const unsigned char* b) { return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24; }
uint16_t le16(const unsigned char* b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }
}  // namespace

bool wav_loudness(const std::string& path, size_t buckets, Loudness* out) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f || buckets == 0) return false;
    unsigned char head[12];
    if (std::fread(head, 1, 12, f.get()) != 12 || std::memcmp(head, "RIFF", 4) || std::memcmp(head + 8, "WAVE", 4))
        return false;
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    // Chunks up to the audio; a header cut short by a crash still counts what follows it.
    for (;;) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, 8, f.get()) != 8) return false;
        const uint32_t size = le32(chunk + 4);
        if (!std::memcmp(chunk, "data", 4)) break;
        if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
            unsigned char fmt[16];
            if (std::fread(fmt, 1, 16, f.get()) != 16) return false;
            format = le16(fmt), channels = le16(fmt + 2), rate = le32(fmt + 4), bits = le16(fmt + 14);
            if (std::fseek(f.get(), static_cast<long>(size - 16 + (size & 1)), SEEK_CUR)) return false;
        } else if (std::fseek(f.get(), static_cast<long>(size + (size & 1)), SEEK_CUR)) {
            return false;
        }
    }
    if (format != kPcm || channels == 0 || rate == 0 || (bits != 8 && bits != 16)) return false;
    const long data_at = std::ftell(f.get());
    std::fseek(f.get(), 0, SEEK_END);
    const long end = std::ftell(f.get());
    std::fseek(f.get(), data_at, SEEK_SET);
    const size_t frame = static_cast<size_t>(channels) * bits / 8;
    const uint64_t frames = static_cast<uint64_t>(end - data_at) / frame;
    out->seconds = static_cast<double>(frames) / rate;
    out->peaks.assign(buckets, 0.0f);
    std::vector<unsigned char> block(kBlock - kBlock % frame);
    uint64_t index = 0;
    for (size_t got; index < frames && (got = std::fread(block.data(), 1, block.size(), f.get())) >= frame;) {
        for (size_t at = 0; at + frame <= got && index < frames; at += frame, ++index) {
            // The first channel is enough to see where there is talk.
            const float level = bits == 8 ? std::abs(block[at] - 128) / 128.0f
                                          : std::abs(static_cast<int16_t>(le16(&block[at]))) / 32768.0f;
            float& peak = out->peaks[static_cast<size_t>(index * buckets / frames)];
            peak = std::max(peak, std::min(level, 1.0f));
        }
    }
    return true;
}

}  // namespace host::web
