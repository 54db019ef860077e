// The simulated boxes' clock, moved by the host instead of by real time: a host that
// plays weeks of a scenario in minutes (a soak) creates, before its first SW_Init, a
// named memory mapping of this layout for its own process; the simulator DLL finds it
// at its first opening and then plays the scenario up to `now_ms`, whatever the real
// time. Both sides run in one process and the host moves the clock on the thread that
// calls the library, so plain reads and writes of aligned fields are enough.
#pragma once
#include <cstdint>

namespace vornix::sim {

struct SharedClock {
    int64_t now_ms;    // written by the host: the scenario's milliseconds since its start
    int32_t followed;  // written by the simulator: 1 once it plays by `now_ms`
    int32_t over;      // written by the simulator: 1 once the scenario has ended
};
static_assert(sizeof(SharedClock) == 16, "the mapping's layout is shared with hosts in other languages");

// The mapping's name is this prefix and the process id in decimal.
constexpr char kSharedClockPrefix[] = "Local\\vornix-simulated-clock-";

}  // namespace vornix::sim
