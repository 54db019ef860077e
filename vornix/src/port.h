// The device and platform port: everything the platform-neutral core needs from the
// outside world. Exactly one backend implements it per build:
//   backends/win32  SetupAPI, CreateFileA/DeviceIoControl/ReadFile, clock(), a hidden window
//   backends/sim    the simulated line-box bus (native build and tests)
// The core calls these functions from the host's thread only; none of them may throw.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vornix::port {

using Handle = intptr_t;
constexpr Handle kInvalidHandle = -1;

// Size of one path record of the device path list, terminator included.
constexpr size_t kPathRecordSize = 1280;

// Opens the box at position `slot` among the line box interfaces present right now
// (a fresh interface enumeration every call; nothing is cached).
// - On success returns a handle the caller must pass to close() exactly once.
// - Returns kInvalidHandle when the slot is at or past the end of the present
//   interfaces, when any enumeration step fails, or when the box cannot be opened.
// - When `path` is not null (kPathRecordSize bytes), the interface path is copied into
//   it with its terminator whenever the interface was found, also if the open itself
//   failed. A path that does not fit counts as an open failure and leaves `path` empty.
// - Allocates at most the interface-detail buffer, and releases it before returning.
Handle open_box(int32_t slot, char* path);

// Sends one control request to an open box. `in` may be null when `in_size` is 0.
// There is no output buffer. Returns false when the driver rejects the request.
bool control(Handle box, uint32_t code, const void* in, uint32_t in_size);

// Reads up to `size` bytes of the reply to the last read request into `buffer`.
// Returns false when the read fails; otherwise stores the byte count in `*got`
// (which may be 0 or less than `size`).
bool read(Handle box, void* buffer, uint32_t size, uint32_t* got);

// Closes a handle from open_box().
void close(Handle box);

// Milliseconds since the library was loaded, as the C runtime's clock() gives them;
// a signed 32-bit value that wraps. Durations are differences of two such values.
int32_t clock_ms();

// Called at the start of every export that works on boxes, tables or files (not the
// do-nothing ones), before anything else: a backend whose world moves on by itself
// (the simulated boxes playing a scenario) catches up with it here, where the core is
// between two operations. The real boxes need nothing.
void catch_up();

// Called by SW_Init before it enumerates the boxes: a simulated world starts here.
void opening();

// Size of a recording path the library keeps, terminator included.
constexpr size_t kFilePathSize = 4096;

// Writes into `out` (kFilePathSize bytes) the absolute form of `path` as the file
// functions would resolve it against the current folder right now; the file need not
// exist. Returns false, leaving `out` empty, when that form cannot be had or does not
// fit. The thread's last-error value stays as it was.
bool absolute_path(const char* path, char* out);

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
