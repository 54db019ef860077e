// Compiled with the backends' renamed port namespace: the port's headers below then
// name the backends' functions, which this file hands to the recording layer.
#include "backend_calls.h"

#include "device_port.h"
#include "system_port.h"

namespace vornix::trace::backend {

namespace {
HotplugHandler g_handler = nullptr;
void on_event(port::HotplugEvent event) {
    if (g_handler) g_handler(event == port::HotplugEvent::Arrived);
}
}  // namespace

intptr_t open_box(int32_t slot, char* path) { return port::open_box(slot, path); }
bool control(intptr_t box, uint32_t code, const void* in, uint32_t in_size) {
    return port::control(box, code, in, in_size);
}
bool read(intptr_t box, void* buffer, uint32_t size, uint32_t* got) { return port::read(box, buffer, size, got); }
void close(intptr_t box) { port::close(box); }
int32_t clock_ms() { return port::clock_ms(); }
void catch_up() { port::catch_up(); }
void opening() { port::opening(); }
void set_last_error(uint32_t code) { port::set_last_error(code); }
bool is_nt51() { return port::is_nt51(); }
bool absolute_path(const char* path, char* out) { return port::absolute_path(path, out); }
std::FILE* open_file(const char* path, const char* mode) { return port::open_file(path, mode); }
int64_t seek_to_end(std::FILE* file) { return port::seek_to_end(file); }
void* create_notify_window(HotplugHandler handler) {
    g_handler = handler;
    return port::create_notify_window(on_event);
}
void destroy_notify_window(void* window) { port::destroy_notify_window(window); }

}  // namespace vornix::trace::backend
