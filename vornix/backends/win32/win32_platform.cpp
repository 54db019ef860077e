// Last-error value and Windows version for the library core.
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
