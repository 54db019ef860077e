// Entry of vornix.dll for load and unload.
#include <windows.h>

#include "win32_notify_window.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // At process exit (reserved not null) other threads are already gone and the
    // windows go with the process: nothing is touched then.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) vornix::win32::take_down_notify_window_at_unload();
    return TRUE;
}
