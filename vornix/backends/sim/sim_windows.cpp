// The Windows simulator DLL's own part: the bus, the scenario found through
// VORNIX_SCENARIO or as vornix.scn beside the DLL, and hot-plug that reaches the
// library through the window, as with real boxes. The system sends WM_DEVICECHANGE
// from a thread of its own, and it is handled only when the window's thread takes
// messages; here a timer on the library's window stands in for that thread: its
// procedure runs when the host dispatches the timer message, and only then hands the
// window the broadcasts the scenario caused. Only the window's thread may set that
// timer; a change the scenario caused on another thread (a host that polls elsewhere
// than where it opened the library) is handed over at the window thread's next call.
#include <windows.h>
#include <dbt.h>

#include <string>
#include <vector>

#include "../../src/device_port.h"
#include "../../src/system_port.h"
#include "../win32/win32_hotplug.h"
#include "../win32/win32_notify_window.h"
#include "scenario_session.h"
#include "shared_clock.h"
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

// Changes caused by the scenario and not yet seen by the window. The scenario moves on
// in whichever thread calls the library, and the timer runs in the window's thread
// while another may be calling: the list is shared between threads.
class PendingChanges {
public:
    PendingChanges() { InitializeCriticalSection(&lock_); }
    ~PendingChanges() { DeleteCriticalSection(&lock_); }
    PendingChanges(const PendingChanges&) = delete;
    PendingChanges& operator=(const PendingChanges&) = delete;

    void add(Change change, bool from_another_thread) {
        Guard g(lock_);
        changes_.push_back(std::move(change));
        if (from_another_thread) handed_over_ = true;
    }
    // Every change, in order, if another thread added one (all of them otherwise).
    std::vector<Change> take(bool only_if_handed_over) {
        Guard g(lock_);
        std::vector<Change> taken;
        if (only_if_handed_over && !handed_over_) return taken;
        taken.swap(changes_);
        handed_over_ = false;
        return taken;
    }

private:
    struct Guard {
        explicit Guard(CRITICAL_SECTION& l) : lock(l) { EnterCriticalSection(&lock); }
        ~Guard() { LeaveCriticalSection(&lock); }
        CRITICAL_SECTION& lock;
    };
    CRITICAL_SECTION lock_;
    std::vector<Change> changes_;
    bool handed_over_ = false;
};
PendingChanges g_pending;

bool owned_by_this_thread(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

// In the window's thread: hands the window the changes taken.
void deliver(HWND window, const std::vector<Change>& changes) {
    KillTimer(window, win32::kNotifyWindowTimer);
    for (const Change& c : changes) {
        const std::vector<BYTE> broadcast = win32::line_box_broadcast(c.path);
        SendMessageA(window, WM_DEVICECHANGE,
                     c.event == port::HotplugEvent::Arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(broadcast.data()));
    }
}

void CALLBACK deliver_by_timer(HWND window, UINT, UINT_PTR, DWORD) { deliver(window, g_pending.take(false)); }

void on_bus_change(port::HotplugEvent event, const std::string& path) {
    // Without a window nothing is told of the change, as on a real system.
    HWND window = win32::notify_window_handle();
    if (!window) return;
    const bool own = owned_by_this_thread(window);
    g_pending.add({event, path}, !own);
    if (!own) return;
    // A host that moves the clock itself plays seconds in a few real milliseconds, well
    // inside a timer's period: the change reaches the window at once, as the export
    // begins (as under the native library), rather than many simulated seconds later.
    if (host_moves_clock()) {
        deliver(window, g_pending.take(false));
    } else {
        SetTimer(window, win32::kNotifyWindowTimer, USER_TIMER_MINIMUM, deliver_by_timer);
    }
}

// The clock a host shares to move the scenario on itself (shared_clock.h), looked for
// once and mapped for the process's lifetime; null when the host shares none.
SharedClock* host_shared_clock() {
    static SharedClock* const shared = [] {
        const std::string name = kSharedClockPrefix + std::to_string(GetCurrentProcessId());
        HANDLE mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name.c_str());
        if (!mapping) return static_cast<SharedClock*>(nullptr);
        void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SharedClock));
        // The view keeps the mapping alive; the session is never ended before the process.
        CloseHandle(mapping);
        return static_cast<SharedClock*>(view);
    }();
    return shared;
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

// An environment variable of the process, "" when unset. The system's copy, not the C
// runtime's: a host that sets one at run time (Python's os.environ, .NET) changes only
// the system's.
std::string variable(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) return {};
    std::string value(size, '\0');
    const DWORD n = GetEnvironmentVariableA(name, &value[0], size);
    value.resize(n < size ? n : 0);
    return value;
}

}  // namespace

}  // namespace vornix::sim

namespace vornix::port {

void catch_up() {
    sim::catch_up_session();
    // The window's thread takes over what the scenario caused while another thread called.
    HWND window = win32::notify_window_handle();
    if (window && sim::owned_by_this_thread(window)) {
        const std::vector<sim::Change> changes = sim::g_pending.take(true);
        if (!changes.empty()) sim::deliver(window, changes);
    }
}

void opening() {
    sim::g_pending.take(false);
    sim::bus().set_change_listener(sim::on_bus_change);
    const std::string named = sim::variable("VORNIX_SCENARIO");
    const std::string path = named.empty() ? sim::scenario_beside_dll() : named;
    if (named.empty() && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        static bool told = false;
        if (!told) sim::report_session_problem("no scenario: set VORNIX_SCENARIO or put " + path + " (no line boxes)");
        told = true;
        return;
    }
    const std::string speed = sim::variable("VORNIX_SPEED");
    sim::start_session(sim::bus(), path, speed.empty() ? nullptr : speed.c_str(), sim::host_shared_clock());
}

}  // namespace vornix::port
