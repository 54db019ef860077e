// The native library's simulated system services, for native tests: the thread's
// last-error value and the notification windows the library has alive.
#pragma once
#include <cstdint>

namespace vornix::sim {

uint32_t last_error();
void set_last_error(uint32_t code);
// Notification windows created and not yet destroyed.
int notify_windows_alive();

}  // namespace vornix::sim
