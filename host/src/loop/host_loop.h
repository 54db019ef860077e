// The host's main loop, the same over real and simulated boxes: open the library,
// watch every box until asked to stop, finish every recording, close the library.
#pragma once
#include <functional>
#include <string>

#include "options/host_options.h"
#include "platform/host_clock.h"
#include "unattended/host_log.h"

namespace host {

// What whoever started the run is told of its start (a service reports itself running
// only once it records, and every start that fails to the event log).
struct StartHooks {
    std::function<void()> started;                   // the console serves, the library is open
    std::function<void(const std::string&)> failed;  // why it could not start; none: stderr
};

struct LoopDriver {
    std::function<bool()> keep_going;  // false: the run is over (e.g. the scenario ended)
    std::function<void()> wait;        // between two rounds over the boxes
    HostLog* log = nullptr;            // where the lines go too when no one sees the screen
    StartHooks start;
};

// Returns the process exit code.
int run_loop(const HostOptions& options, const HostClock& clock, const LoopDriver& driver);

// The build's own way of running: over real boxes, or over a scenario on the
// simulated bus.
int run_host(const HostOptions& options, HostLog* log = nullptr, const StartHooks& start = {});

}  // namespace host
