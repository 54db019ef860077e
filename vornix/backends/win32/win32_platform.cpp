// Last-error value, Windows version and the file positions and paths of recordings
// for the library core.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "../../src/system_port.h"
#include "record_sizes.h"
#include "win32_handles.h"

namespace vornix::port {

namespace {
constexpr DWORD kVersionNotNt = 0x80000000u;  // GetVersion high bit: not the NT family
constexpr DWORD kNt51Major = 5, kNt51Minor = 1;
}  // namespace

void set_last_error(uint32_t code) { SetLastError(code); }

bool absolute_path(const char* path, char* out) {
    win32::KeepLastError keep;
    // Resolved in the ANSI code page, as the C runtime's fopen resolves the same text.
    const DWORD n = GetFullPathNameA(path, static_cast<DWORD>(kFilePathSize), out, nullptr);
    if (n > 0 && n < kFilePathSize) return true;
    out[0] = '\0';
    return false;
}

std::FILE* open_file(const char* path, const char* mode) {
    win32::KeepLastError keep;
    return std::fopen(path, mode);
}

int64_t seek_to_end(std::FILE* file) {
    // fseek and ftell work in a 32-bit long here.
    if (fseeko64(file, 0, SEEK_END) != 0) return -1;
    return ftello64(file);
}

bool is_nt51() {
    win32::KeepLastError keep;
    if (GetVersion() & kVersionNotNt) return false;
    auto* info = static_cast<OSVERSIONINFOA*>(std::calloc(1, sizeof(OSVERSIONINFOA)));  // 148 bytes on both
    if (!info) return false;
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    const bool nt51 = GetVersionExA(info) && info->dwMajorVersion == kNt51Major &&
                      info->dwMinorVersion == kNt51Minor;
    std::free(info);
    return nt51;
}

}  // namespace vornix::port
