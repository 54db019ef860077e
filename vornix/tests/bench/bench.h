// The test bench: what a scenario test needs besides the exports of vornix.h.
// The same scenario tests are built for two runners:
//   native       the library on the simulated backend, in-process (native_bench.cpp)
//   Windows/Wine the real vornix.dll with its device imports redirected to the
//                simulated bus (wine/ host)
#pragma once
#include <cstdint>

#include "sim_bus.h"
#include "vornix.h"

namespace bench {

// The simulated line-box bus under the library.
vornix::sim::Bus& bus();

// Puts the library back into its just-loaded state and empties the bus.
void fresh_library();

// The calling thread's last-error value, as the host would read it.
uint32_t last_error();
void set_last_error(uint32_t code);

// Lets the library's notification window handle pending device-change messages
// (natively broadcasts are delivered at once).
void dispatch_messages();

// Notification windows of the library alive right now.
int notify_windows_alive();

}  // namespace bench
