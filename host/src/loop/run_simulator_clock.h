// The recorder over the simulator DLL, moving the simulated boxes' clock itself
// (--simulator-clock, Windows).
#pragma once
#include "loop/host_loop.h"

namespace host {

// Returns the process exit code; 2 when the clock cannot be shared or the library
// beside the recorder is not the simulator.
int run_on_simulator_clock(const HostOptions& options, HostLog* log, const StartHooks& start);

}  // namespace host
