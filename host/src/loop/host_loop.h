// The host's main loop, the same over real and simulated boxes: open the library,
// watch every box until asked to stop, finish every recording, close the library.
#pragma once
#include <functional>

#include "options/host_options.h"
#include "platform/host_clock.h"
#include "unattended/host_log.h"

namespace host {

struct LoopDriver {
    std::function<bool()> keep_going;  // false: the run is over (e.g. the scenario ended)
    std::function<void()> wait;        // between two rounds over the boxes
    HostLog* log = nullptr;            // where the lines go too when no one sees the screen
};

// Returns the process exit code.
int run_loop(const HostOptions& options, const HostClock& clock, const LoopDriver& driver);

// The build's own way of running: over real boxes, or over a scenario on the
// simulated bus.
int run_host(const HostOptions& options, HostLog* log = nullptr);

}  // namespace host
