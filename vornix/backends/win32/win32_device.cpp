// Finding and talking to line boxes through SetupAPI and the line box driver.
#include <windows.h>
#include <setupapi.h>

#include <cstdlib>
#include <cstring>

#include "../../src/device_port.h"
#include "../../src/linebox_protocol.h"
#include "record_sizes.h"
#include "win32_handles.h"

namespace vornix::port {

namespace {
constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;  // 0x12

GUID line_box_guid() {
    GUID g;
    g.Data1 = kLineBoxInterfaceGuid.data1;
    g.Data2 = kLineBoxInterfaceGuid.data2;
    g.Data3 = kLineBoxInterfaceGuid.data3;
    std::memcpy(g.Data4, kLineBoxInterfaceGuid.data4, sizeof g.Data4);
    return g;
}
}  // namespace

Handle open_box(int32_t slot, char* path) {
    win32::KeepLastError keep;
    if (path) path[0] = '\0';
    GUID guid = line_box_guid();
    win32::DeviceInfoSet set(SetupDiGetClassDevsA(&guid, nullptr, nullptr, kPresentInterfaces));
    if (!set.valid()) return kInvalidHandle;

    SP_DEVICE_INTERFACE_DATA iface;
    std::memset(&iface, 0, sizeof iface);
    iface.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);  // record_sizes.h: 28 on i686, 32 on x86_64
    if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &guid, static_cast<DWORD>(slot), &iface))
        return kInvalidHandle;

    DWORD required = 0;
    if (SetupDiGetDeviceInterfaceDetailA(set.get(), &iface, nullptr, 0, &required, nullptr) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return kInvalidHandle;

    // The one allocation of a device operation: the interface-detail buffer.
    win32::MallocPtr<SP_DEVICE_INTERFACE_DETAIL_DATA_A> detail(
        static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::malloc(required)));
    if (!detail) return kInvalidHandle;
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);  // 5 on i686, 8 on x86_64
    if (!SetupDiGetDeviceInterfaceDetailA(set.get(), &iface, detail.get(), required, nullptr, nullptr))
        return kInvalidHandle;

    const char* device_path = detail->DevicePath;
    const size_t length = strnlen(device_path, required);
    if (length + 1 > kPathRecordSize) return kInvalidHandle;  // does not fit a path record

    HANDLE h = CreateFileA(device_path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (path) std::memcpy(path, device_path, length + 1);
    return h == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<Handle>(h);
}

bool control(Handle box, uint32_t code, const void* in, uint32_t in_size) {
    win32::KeepLastError keep;
    DWORD returned = 0;
    return DeviceIoControl(reinterpret_cast<HANDLE>(box), code, const_cast<void*>(in), in_size, nullptr, 0,
                           &returned, nullptr) != FALSE;
}

bool read(Handle box, void* buffer, uint32_t size, uint32_t* got) {
    win32::KeepLastError keep;
    DWORD n = 0;
    const BOOL ok = ReadFile(reinterpret_cast<HANDLE>(box), buffer, size, &n, nullptr);
    *got = n;
    return ok != FALSE;
}

void close(Handle box) {
    win32::KeepLastError keep;
    CloseHandle(reinterpret_cast<HANDLE>(box));
}

}  // namespace vornix::port
