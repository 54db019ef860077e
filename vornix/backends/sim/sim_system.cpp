// The native library's system services, simulated: the thread's last-error value, the
// Windows version the bus pretends, absolute paths and 64-bit file positions, and a
// notification "window" that the bus's hot-plug events reach at once (there is no
// message pump to wait for).
#include "sim_system.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

bool absolute_path(const char* path, char* out) {
    const int saved = errno;  // errno is this library's last-error value
    const size_t n = std::strlen(path);
    size_t at = 0;
    bool ok = true;
    if (path[0] != '/') {
        // Joined, not resolved: the file may not exist yet, and ".." stays for the
        // system to follow as it would at the open.
        ok = getcwd(out, kFilePathSize) != nullptr;
        if (ok) {
            at = std::strlen(out);
            if (at == 0 || out[at - 1] != '/') out[at++] = '/';
        }
    }
    ok = ok && at + n < kFilePathSize;
    if (ok) std::memcpy(out + at, path, n + 1);
    else out[0] = '\0';
    errno = saved;
    return ok;
}

int64_t seek_to_end(std::FILE* file) {
    static_assert(sizeof(off_t) == 8, "file positions of 64 bits");
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    return ftello(file);
}

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
