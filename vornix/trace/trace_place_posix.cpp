// Trace files of the native traced library: VORNIX_TRACE_DIR, else its own folder.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "trace_recorder.h"

namespace vornix::trace {

uint32_t thread_error() { return static_cast<uint32_t>(errno); }
void restore_thread_error(uint32_t code) { errno = static_cast<int>(code); }

bool trace_file_path(char* out, size_t capacity, unsigned sequence, unsigned again, int64_t start_unix_seconds) {
    const char* named = std::getenv("VORNIX_TRACE_DIR");
    const char* folder = named && *named ? named : nullptr;
    int folder_length = folder ? static_cast<int>(std::strlen(folder)) : 0;
    Dl_info self;
    if (!folder) {
        if (!dladdr(reinterpret_cast<void*>(&trace_file_path), &self) || !self.dli_fname) return false;
        const char* slash = std::strrchr(self.dli_fname, '/');
        folder = slash ? self.dli_fname : ".";
        folder_length = slash ? static_cast<int>(slash - self.dli_fname) : 1;
    }
    char suffix[16] = "";
    if (again) std::snprintf(suffix, sizeof suffix, "-%u", again);
    const int n = std::snprintf(out, capacity, "%.*s/vornix-%lld-%ld-%u%s.vxt", folder_length, folder,
                                static_cast<long long>(start_unix_seconds), static_cast<long>(getpid()), sequence,
                                suffix);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

}  // namespace vornix::trace
