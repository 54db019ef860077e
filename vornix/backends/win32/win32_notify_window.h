// What the DLL's unload needs of the notification window.
#pragma once

namespace vornix::win32 {

// Unloaded while open (FreeLibrary without SW_Free): takes the window down as
// SW_Free would, then unregisters its class, so that no broadcast to top-level
// windows reaches a window procedure in unmapped code. Safe under the loader lock.
void take_down_notify_window_at_unload();

}  // namespace vornix::win32
