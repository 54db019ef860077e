// The host's time: milliseconds on a monotonic clock, tied to the wall clock once at
// start so that event lines and file names carry local time. Under the simulated
// boxes the monotonic clock is the bus's virtual clock.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>

namespace host {

class HostClock {
public:
    explicit HostClock(std::function<int64_t()> now_ms)
        : now_ms_(std::move(now_ms)), start_ms_(now_ms_()),
          start_wall_(std::chrono::system_clock::now()) {}

    int64_t now_ms() const { return now_ms_(); }

    // Wall-clock time of a host clock reading.
    std::chrono::system_clock::time_point wall(int64_t ms) const {
        return start_wall_ + std::chrono::milliseconds(ms - start_ms_);
    }

private:
    std::function<int64_t()> now_ms_;
    int64_t start_ms_;
    std::chrono::system_clock::time_point start_wall_;
};

}  // namespace host
