// The host's time: milliseconds on a monotonic clock for durations, and the wall clock
// for the times that event lines, file names and the call log carry. Over real boxes
// the wall clock is the system's, read at each event, so that a correction of it
// reaches the next event. Under the simulated boxes the monotonic clock is the bus's
// virtual clock, and the wall clock runs with it from the start.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>

namespace host {

// Milliseconds of a counter that ticks `per_second` times a second, without the drift
// of dividing by a rounded ticks-per-millisecond.
constexpr int64_t counter_ms(int64_t ticks, int64_t per_second) {
    return ticks / per_second * 1000 + ticks % per_second * 1000 / per_second;
}

class HostClock {
public:
    using WallTime = std::chrono::system_clock::time_point;

    HostClock(std::function<int64_t()> now_ms, std::function<WallTime()> wall_now)
        : now_ms_(std::move(now_ms)), wall_now_(std::move(wall_now)) {}

    // Wall time follows `now_ms` from the wall time at this moment.
    explicit HostClock(std::function<int64_t()> now_ms) : now_ms_(std::move(now_ms)) {
        wall_now_ = [now = now_ms_, start_ms = now_ms_(), start = std::chrono::system_clock::now()] {
            return start + std::chrono::milliseconds(now() - start_ms);
        };
    }

    int64_t now_ms() const { return now_ms_(); }
    WallTime wall_now() const { return wall_now_(); }

private:
    std::function<int64_t()> now_ms_;
    std::function<WallTime()> wall_now_;
};

}  // namespace host
