// The port on top of the simulated line-box bus (native build).
#include "sim_port.h"

#include <cstring>
#include <string>

#include "../../src/port.h"
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

Bus& bus() {
    static Bus instance;
    return instance;
}

uint32_t last_error() { return t_last_error; }
void set_last_error(uint32_t code) { t_last_error = code; }
int notify_windows_alive() { return g_windows_alive; }

}  // namespace vornix::sim

namespace vornix::port {

Handle open_box(int32_t slot, char* path) {
    auto& bus = sim::bus();
    std::string found;
    if (path) path[0] = '\0';
    const Handle h = bus.open(slot, &found);
    if (found.size() + 1 > kPathRecordSize) {  // does not fit a path record
        if (h != kInvalidHandle) bus.close(h);
        return kInvalidHandle;
    }
    if (path && !found.empty()) std::memcpy(path, found.c_str(), found.size() + 1);
    return h;
}

bool control(Handle box, uint32_t code, const void* in, uint32_t in_size) {
    return sim::bus().control(box, code, in, in_size);
}

bool read(Handle box, void* buffer, uint32_t size, uint32_t* got) {
    return sim::bus().read(box, buffer, size, got);
}

void close(Handle box) { sim::bus().close(box); }

int32_t clock_ms() { return sim::bus().now(); }

void set_last_error(uint32_t code) { sim::t_last_error = code; }

bool is_nt51() { return sim::bus().nt51(); }

void* create_notify_window(HotplugHandler handler) {
    auto* w = new sim::NotifyWindow{handler};
    sim::g_window = w;
    ++sim::g_windows_alive;
    // No message pump natively: a change reaches the newest window at once.
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
