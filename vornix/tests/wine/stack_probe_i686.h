// i686 only: calls a function through a raw address and watches the stack pointer, so
// that a calling-convention mismatch shows up instead of being hidden by the caller's
// frame. x86_64 Windows has a single calling convention, where the caller always owns
// the argument space, so there is nothing to tell apart there.
#pragma once
#include <cstdint>

extern "C" {
// Pushes `count` 32-bit arguments (the last one first, as stdcall and cdecl both do),
// calls `fn` and returns its EAX. `*esp_moved` receives how far ESP moved across the
// call: 0 when the callee removed its arguments (stdcall), -4 * count when it left
// them to the caller (cdecl).
uint32_t vx_probe_call(const void* fn, const uint32_t* args, uint32_t count, int32_t* esp_moved);
}
