// The Windows simulator DLL's own part: the bus, the scenario found through
// VORNIX_SCENARIO or as vornix.scn beside the DLL, and hot-plug that reaches the
// library only through the host's message pump, as with real boxes. The system sends
// WM_DEVICECHANGE from a thread of its own, and it is handled only when the window's
// thread takes messages; here a timer on the library's window stands in for that
// thread: its procedure runs when the host dispatches the timer message, and only then
// hands the window the broadcasts the scenario caused.
#include <windows.h>
#include <dbt.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../../src/device_port.h"
#include "../../src/system_port.h"
#include "../win32/win32_hotplug.h"
#include "../win32/win32_notify_window.h"
#include "scenario_session.h"
#include "sim_bus.h"

namespace vornix::sim {

Bus& bus() {
    static Bus instance;
    return instance;
}

namespace {

constexpr char kScenarioBesideDll[] = "vornix.scn";

struct Change {
    port::HotplugEvent event;
    std::string path;
};
std::vector<Change> g_pending;  // caused by the scenario, not yet seen by the window

void CALLBACK deliver_changes(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);
    std::vector<Change> changes;
    changes.swap(g_pending);
    for (const Change& c : changes) {
        const std::vector<BYTE> broadcast = win32::line_box_broadcast(c.path);
        SendMessageA(window, WM_DEVICECHANGE,
                     c.event == port::HotplugEvent::Arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(broadcast.data()));
    }
}

void on_bus_change(port::HotplugEvent event, const std::string& path) {
    // Without a window nothing is told of the change, as on a real system.
    HWND window = win32::notify_window_handle();
    if (!window) return;
    g_pending.push_back({event, path});
    SetTimer(window, win32::kNotifyWindowTimer, USER_TIMER_MINIMUM, deliver_changes);
}

std::string scenario_beside_dll() {
    HMODULE module = win32::this_module();
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return kScenarioBesideDll;
    std::string dll(path, n);
    const size_t slash = dll.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : dll.substr(0, slash + 1)) + kScenarioBesideDll;
}

// An environment variable as the C runtime sees it (the host's own, also under Wine).
const char* variable(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

}  // namespace

}  // namespace vornix::sim

namespace vornix::port {

void opening() {
    sim::g_pending.clear();
    sim::bus().set_change_listener(sim::on_bus_change);
    const char* named = sim::variable("VORNIX_SCENARIO");
    const std::string path = named ? named : sim::scenario_beside_dll();
    if (!named && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        static bool told = false;
        if (!told) sim::report_session_problem("no scenario: set VORNIX_SCENARIO or put " + path + " (no line boxes)");
        told = true;
        return;
    }
    sim::start_session(sim::bus(), path, sim::variable("VORNIX_SPEED"));
}

}  // namespace vornix::port
