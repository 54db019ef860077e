// Trace files on Windows: VORNIX_TRACE_DIR, else the folder of the traced DLL itself,
// which the installer can find and which the business application may write.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "trace_recorder.h"

namespace vornix::trace {

uint32_t thread_error() { return GetLastError(); }
void restore_thread_error(uint32_t code) { SetLastError(code); }

bool trace_file_path(char* out, size_t capacity, unsigned sequence, unsigned again, int64_t start_unix_seconds) {
    char folder[MAX_PATH] = {};
    const char* named = std::getenv("VORNIX_TRACE_DIR");
    if (named && *named) {
        if (std::strlen(named) >= sizeof folder) return false;
        std::strcpy(folder, named);
    } else {
        HMODULE module = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCSTR>(&trace_file_path), &module))
            return false;
        const DWORD n = GetModuleFileNameA(module, folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return false;
        char* slash = std::strrchr(folder, '\\');
        if (!slash) return false;
        *slash = '\0';
    }
    char suffix[16] = "";
    if (again) std::snprintf(suffix, sizeof suffix, "-%u", again);
    const int n = std::snprintf(out, capacity, "%s\\vornix-%lld-%lu-%u%s.vxt", folder,
                                static_cast<long long>(start_unix_seconds),
                                static_cast<unsigned long>(GetCurrentProcessId()), sequence,
                                suffix);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

}  // namespace vornix::trace
