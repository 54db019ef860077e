// The port's device side: the line boxes and the world they live in. The core reaches
// boxes only through these functions; one backend implements them per build:
//   backends/win32  SetupAPI, CreateFileA/DeviceIoControl/ReadFile, the system's tick count
//   backends/sim    the simulated line-box bus, which keeps its own clock
// The clock belongs here rather than with the system services: simulated boxes play a
// scenario on their own time, also in the Windows simulator DLL. The core calls these
// functions from the host's thread only; none of them may throw.
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

// The library's milliseconds: a signed 32-bit count that only moves forward, wrapping
// (the system's tick count on Windows, the bus's clock on simulated boxes). Only
// differences of two readings mean anything: every stamp and duration is one.
int32_t clock_ms();

// Called at the start of every export that works on boxes, tables or files (not the
// do-nothing ones), before anything else: a backend whose world moves on by itself
// (the simulated boxes playing a scenario) catches up with it here, where the core is
// between two operations. The real boxes need nothing.
void catch_up();

// Called by SW_Init before it enumerates the boxes: a simulated world starts here.
void opening();

}  // namespace vornix::port
