// The native library's system services, simulated: the thread's last-error value, the
// Windows version the bus pretends, and a notification "window" that the bus's hot-plug
// events reach at once (there is no message pump to wait for). The files are real:
// posix_files.cpp.
#include "sim_system.h"

#include <cerrno>
#include <string>

#include "../../src/system_port.h"
#include "sim_bus.h"

namespace vornix::sim {

namespace {
thread_local uint32_t t_last_error = 0;

struct NotifyWindow {
    port::HotplugHandler handler;
};
NotifyWindow* g_window = nullptr;  // the one window the bus delivers to
int g_windows_alive = 0;
}  // namespace

uint32_t last_error() { return t_last_error; }
void set_last_error(uint32_t code) { t_last_error = code; }
int notify_windows_alive() { return g_windows_alive; }

}  // namespace vornix::sim

namespace vornix::port {

// A host outside this program has no way to the thread-local value; it finds the
// refusal in errno, POSIX's thread-local last error, read right after the failed call.
void set_last_error(uint32_t code) {
    sim::t_last_error = code;
    errno = static_cast<int>(code);
}

bool is_nt51() { return sim::bus().nt51(); }

void* create_notify_window(HotplugHandler handler) {
    auto* w = new sim::NotifyWindow{handler};
    sim::g_window = w;
    ++sim::g_windows_alive;
    // No message pump natively: a change reaches the newest window at once. A scenario
    // moves on only as an export begins, so the list is never rebuilt under an operation.
    sim::bus().set_change_listener([](HotplugEvent event, const std::string&) {
        if (sim::g_window) sim::g_window->handler(event);
    });
    return w;
}

void destroy_notify_window(void* window) {
    if (!window) return;
    auto* w = static_cast<sim::NotifyWindow*>(window);
    if (sim::g_window == w) sim::g_window = nullptr;
    --sim::g_windows_alive;
    delete w;
}

}  // namespace vornix::port
