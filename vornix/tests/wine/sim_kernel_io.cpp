// CreateFileA, DeviceIoControl, ReadFile and CloseHandle over the simulated bus for
// line box paths and handles; everything else is passed to the real functions.
#include "linebox_protocol.h"
#include "sim_bus.h"
#include "sim_imports.h"

namespace vornix::winehost {

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;           // 0xC0000000
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;  // 3
constexpr DWORD kReadRequestWordSize = 4;
// What a line box that cannot be opened or rejects a request reports.
constexpr DWORD kDeviceError = ERROR_GEN_FAILURE;

vornix::sim::Handle sim_handle(HANDLE h) { return reinterpret_cast<vornix::sim::Handle>(h); }

bool is_box_handle(HANDLE h) { return vornix::sim::bus().is_sim_handle(sim_handle(h)); }

// Bus position of the line box interface at `path` right now, or -1.
int slot_of_path(const std::string& path) {
    const int detailed = slot_of_detailed_path(path);
    if (detailed >= 0) return detailed;
    std::string at;
    for (int slot = 0; vornix::sim::bus().interface_at(slot, &at); ++slot)
        if (at == path) return slot;
    return -1;
}

bool is_read_request(DWORD code) { return code == IOCTL_LINEBOX_READ_STATUS || code == IOCTL_LINEBOX_READ_AUDIO; }

}  // namespace

HANDLE WINAPI sim_CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE template_file) {
    const int slot = name ? slot_of_path(name) : -1;
    if (slot < 0) return CreateFileA(name, access, share, security, disposition, flags, template_file);
    if (access != kReadWrite || share != kShareReadWrite || security || disposition != OPEN_EXISTING ||
        flags != FILE_ATTRIBUTE_NORMAL || template_file) {
        report_wrong_call("CreateFileA", "a line box opens for read and write, shared read and write, "
                                         "OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nothing else");
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const vornix::sim::Handle h = vornix::sim::bus().open(slot);
    if (h == vornix::sim::kInvalidHandle) {
        SetLastError(kDeviceError);
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(h);
}

BOOL WINAPI sim_DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                                LPDWORD returned, LPOVERLAPPED overlapped) {
    if (!is_box_handle(device))
        return DeviceIoControl(device, code, in, in_size, out, out_size, returned, overlapped);
    // Without an overlapped structure the real call writes the byte count unconditionally.
    if (!returned || overlapped || out || out_size != 0) {
        report_wrong_call("DeviceIoControl", "wants a byte count, no overlapped structure and no output buffer");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD want_in = is_read_request(code) ? kReadRequestWordSize : 0;
    if (in_size != want_in || (want_in != 0) != (in != nullptr)) {
        report_wrong_call("DeviceIoControl", "read requests carry the 4-byte request word, commands nothing");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *returned = 0;
    if (!vornix::sim::bus().control(sim_handle(device), code, in, in_size)) {
        SetLastError(kDeviceError);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI sim_ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED overlapped) {
    if (!is_box_handle(file)) return ReadFile(file, buffer, size, got, overlapped);
    if (!got || overlapped || (!buffer && size != 0)) {
        report_wrong_call("ReadFile", "wants a buffer, a byte count and no overlapped structure");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint32_t n = 0;
    const bool ok = vornix::sim::bus().read(sim_handle(file), buffer, size, &n);
    *got = n;
    if (!ok) {
        SetLastError(kDeviceError);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI sim_CloseHandle(HANDLE handle) {
    if (!is_box_handle(handle)) return CloseHandle(handle);
    vornix::sim::bus().close(sim_handle(handle));
    return TRUE;
}

}  // namespace vornix::winehost
