// The port's system side: what the core needs of the operating system apart from the
// boxes. One backend implements it per build:
//   backends/win32  SetLastError, GetVersion/GetVersionExA, a hidden notification window,
//                   GetFullPathNameA, fopen and 64-bit file positions
//   backends/sim    a thread-local last error, the version the bus pretends, getcwd,
//                   fopen and 64-bit file positions, and a "window" that the bus's hot-plug
//                   events reach at once (native only)
// The core calls these functions from the host's thread only; none of them may throw.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vornix::port {

// Size of a recording path the library keeps, terminator included.
constexpr size_t kFilePathSize = 4096;

// Writes into `out` (kFilePathSize bytes) the absolute form of `path` as the file
// functions would resolve it against the current folder right now; the file need not
// exist. Returns false, leaving `out` empty, when that form cannot be had or does not
// fit. The thread's last-error value stays as it was.
bool absolute_path(const char* path, char* out);

// Opens a recording's file: mode "w+b" creates it anew (the start of a recording),
// "r+b" opens it again to go on (every 11th chunk). Null when it cannot be opened. The
// thread's last-error value stays as it was. The field trace keeps the outcome, so
// that a replay fails where the site failed.
std::FILE* open_file(const char* path, const char* mode);

// Seeks `file` to its end and returns the position there, the file's length, in 64
// bits (a call recording outgrows 2 GiB after some 74 hours); -1 when either fails.
int64_t seek_to_end(std::FILE* file);

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
