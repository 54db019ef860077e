#include "line_audio.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vornix::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kToneAmplitude = 64.0;  // half the 8-bit range: loud, never clipped
constexpr uint16_t kFormatPcm = 1;

class Silence : public LineAudio {
public:
    uint8_t sample(uint64_t) const override { return kSilentSample; }
};

class Tone : public LineAudio {
public:
    explicit Tone(double hz) : step_(2 * kPi * hz / kLineSampleRate) {}
    uint8_t sample(uint64_t index) const override {
        const double v = kSilentSample + kToneAmplitude * std::sin(step_ * static_cast<double>(index));
        return static_cast<uint8_t>(std::lround(v));
    }

private:
    double step_;
};

class Samples : public LineAudio {
public:
    explicit Samples(std::vector<uint8_t> data) : data_(std::move(data)) {}
    uint8_t sample(uint64_t index) const override {
        return index < data_.size() ? data_[static_cast<size_t>(index)] : kSilentSample;
    }

private:
    std::vector<uint8_t> data_;
};

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::unique_ptr<LineAudio> silence() { return std::make_unique<Silence>(); }
std::unique_ptr<LineAudio> tone(double hz) { return std::make_unique<Tone>(hz); }
std::unique_ptr<LineAudio> samples(std::vector<uint8_t> data) {
    return std::make_unique<Samples>(std::move(data));
}

std::unique_ptr<LineAudio> wav_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot be read");
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto bad = [&](const char* why) { return std::runtime_error(path + ": " + why); };
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) || std::memcmp(file.data() + 8, "WAVE", 4))
        throw bad("not a WAV file");

    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    const uint8_t* data = nullptr;
    size_t data_size = 0;
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint8_t* chunk = file.data() + at;
        const size_t size = le32(chunk + 4);
        const size_t body = at + 8;
        const size_t avail = std::min(size, file.size() - body);
        if (!std::memcmp(chunk, "fmt ", 4) && avail >= 16) {
            format = le16(chunk + 8);
            channels = le16(chunk + 10);
            rate = le32(chunk + 12);
            bits = le16(chunk + 22);
        } else if (!std::memcmp(chunk, "data", 4)) {
            data = chunk + 8;
            data_size = avail;  // a provisional size may overstate what is there
        }
        at = body + size + (size & 1);
    }
    if (format != kFormatPcm || (bits != 8 && bits != 16) || channels == 0 || rate == 0)
        throw bad("only PCM with 8 or 16 bits per sample can be played");
    if (!data) throw bad("has no data chunk");

    const size_t frame = static_cast<size_t>(channels) * (bits / 8);
    const size_t frames = data_size / frame;
    const uint64_t out_count = static_cast<uint64_t>(frames) * kLineSampleRate / rate;
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(out_count));
    for (uint64_t i = 0; i < out_count; ++i) {
        const size_t src = static_cast<size_t>(i * rate / kLineSampleRate);
        const uint8_t* f = data + src * frame;
        int sum = 0;  // mixed down, as a signed 16-bit value
        for (uint16_t c = 0; c < channels; ++c) {
            sum += bits == 8 ? (f[c] - kSilentSample) * 256
                             : static_cast<int16_t>(le16(f + 2 * c));
        }
        const int mono = sum / channels;
        out.push_back(static_cast<uint8_t>((mono + 32768) >> 8));  // back to unsigned 8-bit
    }
    return samples(std::move(out));
}

}  // namespace vornix::sim
