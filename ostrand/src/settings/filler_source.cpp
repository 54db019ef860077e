#include "filler_source.h"

#include <chrono>
#include <cstdint>

#include "filler_table.h"

namespace ostrand {

namespace {
std::mt19937 SeededEngine() {
    std::random_device entropy;
    // The clock keeps saves varied even where the entropy source is deterministic.
    const auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::seed_seq seed{entropy(), entropy(), entropy(), entropy(),
                       static_cast<unsigned>(now), static_cast<unsigned>(now >> 32)};
    return std::mt19937(seed);
}
}  // namespace

RandomFillerSource::RandomFillerSource()
    : engine_(SeededEngine()), position_(0, kFillerCount - 1) {}

std::size_t RandomFillerSource::Draw() { return position_(engine_); }

FillerSource& DefaultFillerSource() {
    static RandomFillerSource source;
    return source;
}

}  // namespace ostrand
