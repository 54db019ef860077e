// Where the scrambler gets its filler positions from.
#pragma once
#include <cstddef>
#include <random>

namespace ostrand {

// Draws positions in the filler table. Any value is accepted; the scrambler reduces
// it modulo the table size.
class FillerSource {
public:
    virtual ~FillerSource() = default;
    virtual std::size_t Draw() = 0;
};

// Uniform draws from a Mersenne Twister seeded once from the system's entropy source.
// Fillers carry no information and the digits they surround are in plain sight, so
// the draw needs no cryptographic strength: it only has to vary between saves.
class RandomFillerSource : public FillerSource {
public:
    RandomFillerSource();
    std::size_t Draw() override;

private:
    std::mt19937 engine_;
    std::uniform_int_distribution<std::size_t> position_;
};

// The tool's one filler source. Used from the user-interface thread only.
FillerSource& DefaultFillerSource();

}  // namespace ostrand
