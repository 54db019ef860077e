// The scenario that the simulated library plays for whatever host loads it: named by
// the environment (VORNIX_SCENARIO) or found beside the library, started when the
// library first opens, and played on the library's own clock: real milliseconds since
// the library was loaded, times VORNIX_SPEED, or the milliseconds a host moves on
// itself (shared_clock.h). No thread: the world moves on when the
// host calls an export, which is when the backend catches up.
#pragma once
#include <string>

#include "shared_clock.h"
#include "sim_bus.h"

namespace vornix::sim {

// At the library's first opening (later calls do nothing): loads `path` and plays
// what is due at its start. `speed_text` is VORNIX_SPEED as given, or null for 1. A
// scenario that cannot be read or used is reported once on standard error, with its
// file and line; the bus then stays without boxes. With `host_clock` the scenario plays
// by the host's milliseconds instead, and the session marks the clock followed (and
// over at the scenario's end).
void start_session(Bus& bus, const std::string& path, const char* speed_text, SharedClock* host_clock = nullptr);

// Moves the scenario on to the library's clock now.
void catch_up_session();

// Whether the host moves the clock (a host_clock was given).
bool host_moves_clock();

// Reports a problem of the session once on standard error.
void report_session_problem(const std::string& what);

}  // namespace vornix::sim
