// Windows runner of the scenario tests: the real vornix.dll, loaded afresh for every
// test, with its device imports redirected to the simulated bus of this program.
#include <windows.h>

#include <gtest/gtest.h>

#include "bench.h"
#include "wine/library_loader.h"
#include "wine/notify_windows.h"
#include "wine/sim_imports.h"

namespace vornix::sim {

// The bus lives in the test program; the library reaches it only through its imports.
Bus& bus() {
    static Bus instance;
    return instance;
}

}  // namespace vornix::sim

namespace bench {

vornix::sim::Bus& bus() { return vornix::sim::bus(); }

void fresh_library() {
    const int leaked = vornix::winehost::live_device_info_sets();
    if (leaked != 0) ADD_FAILURE() << "the previous test left " << leaked << " device information set(s) undestroyed";
    vornix::winehost::reload_library();
    vornix::sim::bus().reset();
    SetLastError(0);
}

uint32_t last_error() { return GetLastError(); }
void set_last_error(uint32_t code) { SetLastError(code); }

void dispatch_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int notify_windows_alive() { return static_cast<int>(vornix::winehost::notify_windows().size()); }

}  // namespace bench
