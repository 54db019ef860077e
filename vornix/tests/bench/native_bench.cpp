// Native runner of the scenario tests: library and simulated bus in one process.
#include "bench.h"

#include "library_state.h"
#include "sim_port.h"

namespace bench {

vornix::sim::Bus& bus() { return vornix::sim::bus(); }

void fresh_library() {
    vornix::reload_for_tests();
    vornix::sim::bus().reset();
    vornix::sim::set_last_error(0);
}

uint32_t last_error() { return vornix::sim::last_error(); }
void set_last_error(uint32_t code) { vornix::sim::set_last_error(code); }
void dispatch_messages() {}
int notify_windows_alive() { return vornix::sim::notify_windows_alive(); }

}  // namespace bench
