// The port's system side: what the core needs of the operating system apart from the
// boxes. One backend implements it per build:
//   backends/win32  SetLastError, GetVersion/GetVersionExA, a hidden notification window
//   backends/sim    a thread-local last error, the version the bus pretends, and a
//                   "window" that the bus's hot-plug events reach at once (native only)
// The core calls these functions from the host's thread only; none of them may throw.
#pragma once
#include <cstdint>

namespace vornix::port {

// Sets the calling thread's last-error value (1 not open, 87 bad argument).
void set_last_error(uint32_t code);

// True when the system is Windows NT 5.1 (GetVersion high bit clear, then
// GetVersionExA reports 5.1). Any failure counts as false.
bool is_nt51();

// What the backend makes of a device change: a line box interface arrived or left.
// Broadcasts of other device types or interface classes, and events other than a
// completed arrival or removal, never reach the core.
enum class HotplugEvent { Arrived, Left };
using HotplugHandler = void (*)(HotplugEvent event);

// Creates the hidden notification window and registers it for arrivals and removals
// of the line box interface class. Events reach `handler` on the thread that
// created the window while it dispatches messages. Returns an opaque window token,
// or null when creation failed (the library then just follows no hot-plug).
void* create_notify_window(HotplugHandler handler);

// Destroys a window from create_notify_window() (if it still exists) and ends its
// registration; a window of another thread, which cannot be destroyed from here, is
// cut loose so that it reaches the library no more. Null is ignored.
void destroy_notify_window(void* window);

}  // namespace vornix::port
