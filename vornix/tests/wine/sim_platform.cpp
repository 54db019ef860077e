// The system's tick count and the Windows version, from the simulated bus: its virtual
// clock, and NT 5.1 (XP SP3) or NT 6.1 (7 SP1) as the bus says.
#include <cstring>

#include "record_sizes.h"
#include "sim_bus.h"
#include "sim_imports.h"

namespace vornix::winehost {

namespace {

struct Version {
    DWORD major, minor, build;
    const char* service_pack;
};
constexpr Version kNt51 = {5, 1, 2600, "Service Pack 3"};
constexpr Version kNt61 = {6, 1, 7601, "Service Pack 1"};
constexpr DWORD kNotNtBit = 0x80000000u;  // GetVersion high bit: not the NT family

bool g_9x_family = false;
bool g_version_query_fails = false;


const Version& current() { return vornix::sim::bus().nt51() ? kNt51 : kNt61; }

}  // namespace

DWORD WINAPI sim_GetTickCount() { return static_cast<DWORD>(vornix::sim::bus().now()); }

DWORD WINAPI sim_GetVersion() {
    // Build in the high word (high bit clear: the NT family), minor, then major.
    const Version& v = current();
    const DWORD value = (v.build << 16) | (v.minor << 8) | v.major;
    return g_9x_family ? value | kNotNtBit : value;
}

BOOL WINAPI sim_GetVersionExA(LPOSVERSIONINFOA info) {
    if (!info) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    if (info->dwOSVersionInfoSize != vornix::win32::kVersionInfoSize) {
        // The real call also takes the 156-byte extended structure; the library sends 148.
        report_wrong_call("GetVersionExA", "size field must be 148 (OSVERSIONINFOA)");
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (g_version_query_fails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    const Version& v = current();
    info->dwMajorVersion = v.major;
    info->dwMinorVersion = v.minor;
    info->dwBuildNumber = v.build;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::strncpy(info->szCSDVersion, v.service_pack, sizeof info->szCSDVersion - 1);
    return TRUE;
}

void report_9x_family(bool on) { g_9x_family = on; }
void fail_version_query(bool on) { g_version_query_fails = on; }

}  // namespace vornix::winehost
