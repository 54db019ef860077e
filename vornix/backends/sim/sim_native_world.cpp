// The native library's simulated boxes: the one bus, and the scenario named by
// VORNIX_SCENARIO, started when the library opens and moved on as exports begin. (The Windows simulator DLL has its
// own, in sim_windows.cpp.)
#include <cstdlib>

#include "../../src/device_port.h"
#include "scenario_session.h"
#include "sim_bus.h"

namespace vornix::sim {

Bus& bus() {
    static Bus instance;
    return instance;
}

}  // namespace vornix::sim

namespace vornix::port {

void catch_up() { sim::catch_up_session(); }

void opening() {
    // Without the variable nothing plays: tests and the host drive the bus themselves.
    const char* path = std::getenv("VORNIX_SCENARIO");
    if (path && *path) sim::start_session(sim::bus(), path, std::getenv("VORNIX_SPEED"));
}

}  // namespace vornix::port
