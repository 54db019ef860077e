// Audio that a simulated line carries during a call: 8000 unsigned 8-bit samples per
// second, the format the line boxes deliver.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vornix::sim {

constexpr int kLineSampleRate = 8000;
constexpr uint8_t kSilentSample = 0x80;

class LineAudio {
public:
    virtual ~LineAudio() = default;
    // Sample `index` of the call (0 = the moment the handset was lifted).
    virtual uint8_t sample(uint64_t index) const = 0;
};

std::unique_ptr<LineAudio> silence();
std::unique_ptr<LineAudio> tone(double hz);
// The samples of a WAV file played once, then silence. Reads PCM with 8 or 16 bits
// per sample, any channel count (mixed down) and any rate (resampled to 8000 Hz).
// Throws std::runtime_error for a file it cannot use.
std::unique_ptr<LineAudio> wav_file(const std::string& path);
// The same from samples already at the line's format.
std::unique_ptr<LineAudio> samples(std::vector<uint8_t> data);

}  // namespace vornix::sim
