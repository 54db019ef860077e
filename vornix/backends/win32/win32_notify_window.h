// What the rest of the Windows side needs of the notification window.
#pragma once
#include <windows.h>

namespace vornix::win32 {

// The window of the open library, or null.
HWND notify_window_handle();

// The DLL this code is linked into (its window class is registered for it).
HINSTANCE this_module();

// The one timer another part may set on the window (the simulator's delivery of
// hot-plug broadcasts); it goes with the window.
constexpr UINT_PTR kNotifyWindowTimer = 0x5658;

// Unloaded while open (FreeLibrary without SW_Free): takes the window down as
// SW_Free would, then unregisters its class, so that no broadcast to top-level
// windows reaches a window procedure in unmapped code. Safe under the loader lock.
void take_down_notify_window_at_unload();

}  // namespace vornix::win32
