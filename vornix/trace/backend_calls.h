// The port as the backends under the recording layer answer it. The build compiles
// those backends with their port namespace renamed, so that the recording layer can
// take the port's own names and pass each request on to them.
#pragma once
#include <cstdint>
#include <cstdio>

namespace vornix::trace::backend {

intptr_t open_box(int32_t slot, char* path);
bool control(intptr_t box, uint32_t code, const void* in, uint32_t in_size);
bool read(intptr_t box, void* buffer, uint32_t size, uint32_t* got);
void close(intptr_t box);
int32_t clock_ms();
void catch_up();
void opening();
void set_last_error(uint32_t code);
bool is_nt51();
bool absolute_path(const char* path, char* out);
std::FILE* open_file(const char* path, const char* mode);
int64_t seek_to_end(std::FILE* file);
using HotplugHandler = void (*)(bool arrived);
void* create_notify_window(HotplugHandler handler);
void destroy_notify_window(void* window);

}  // namespace vornix::trace::backend
