// SetupAPI over the simulated bus: a device information set is a snapshot of the
// line box interfaces present when it was made.
#include <cstddef>
#include <cstring>
#include <set>

#include "linebox_protocol.h"
#include "record_sizes.h"
#include "sim_bus.h"
#include "sim_imports.h"

namespace vornix::winehost {

namespace {

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;  // 0x12
// The size fields the real SetupAPI of this architecture insists on (28 and 5 on i686).
constexpr DWORD kInterfaceDataSize = vornix::win32::kSetupApi.interface_data;
constexpr DWORD kDetailDataSize = vornix::win32::kSetupApi.detail_data;
constexpr size_t kDetailPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);

struct DeviceInfoSet {
    std::vector<std::string> paths;  // interface paths, in bus order
};
std::set<DeviceInfoSet*> g_sets;

// Bus position and path of the last interface whose detail was handed out.
int g_detailed_slot = -1;
std::string g_detailed_path;

bool is_line_box_guid(const GUID* guid) {
    return guid && std::memcmp(guid, &kLineBoxInterfaceGuid, sizeof(GUID)) == 0;
}

DeviceInfoSet* find_set(HDEVINFO set) {
    auto* s = static_cast<DeviceInfoSet*>(set);
    return g_sets.count(s) ? s : nullptr;
}

// Position in its set of an interface the set's enumeration filled in, or -1.
int position_of(const DeviceInfoSet& s, const SP_DEVICE_INTERFACE_DATA* data) {
    if (!data || data->Reserved == 0 || data->Reserved > s.paths.size()) return -1;
    return static_cast<int>(data->Reserved - 1);
}

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

}  // namespace

HDEVINFO WINAPI sim_SetupDiGetClassDevsA(const GUID* class_guid, PCSTR enumerator, HWND parent, DWORD flags) {
    if (flags != kPresentInterfaces || !class_guid || enumerator || parent) {
        report_wrong_call("SetupDiGetClassDevsA", "wants the present interfaces (flags 0x12) of one class, "
                                                  "no enumerator, no parent window");
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto* s = new DeviceInfoSet;
    if (is_line_box_guid(class_guid)) {
        std::string path;
        for (int slot = 0; vornix::sim::bus().interface_at(slot, &path); ++slot) s->paths.push_back(path);
    }
    g_sets.insert(s);
    return s;
}

BOOL WINAPI sim_SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA device, const GUID* interface_guid,
                                            DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
    DeviceInfoSet* s = find_set(set);
    if (!s) {
        report_wrong_call("SetupDiEnumDeviceInterfaces", "not a live device information set");
        return fail(ERROR_INVALID_HANDLE);
    }
    if (device || !is_line_box_guid(interface_guid)) {
        report_wrong_call("SetupDiEnumDeviceInterfaces", "wants no device element and the line box interface GUID");
        return fail(ERROR_INVALID_PARAMETER);
    }
    if (!data || data->cbSize != kInterfaceDataSize) {
        report_wrong_call("SetupDiEnumDeviceInterfaces", "interface data size field must be sizeof(SP_DEVICE_INTERFACE_DATA)");
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    if (index >= s->paths.size()) {
        // The bus counts every attempt to open a box, also one that ends here.
        auto& bus = vornix::sim::bus();
        if (bus.box_at(static_cast<int>(index)) < 0) bus.open(static_cast<int>(index));
        return fail(ERROR_NO_MORE_ITEMS);
    }
    data->InterfaceClassGuid = *interface_guid;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI sim_SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                 PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                                 PDWORD required, PSP_DEVINFO_DATA) {
    DeviceInfoSet* s = find_set(set);
    if (!s) {
        report_wrong_call("SetupDiGetDeviceInterfaceDetailA", "not a live device information set");
        return fail(ERROR_INVALID_HANDLE);
    }
    const int position = position_of(*s, data);
    if (!data || data->cbSize != kInterfaceDataSize || position < 0) {
        report_wrong_call("SetupDiGetDeviceInterfaceDetailA", "interface data not from this set's enumeration");
        return fail(ERROR_INVALID_PARAMETER);
    }
    const std::string& path = s->paths[static_cast<size_t>(position)];
    const DWORD needed = static_cast<DWORD>(kDetailPathOffset + path.size() + 1);
    if (!detail) {
        if (size != 0) {
            report_wrong_call("SetupDiGetDeviceInterfaceDetailA", "size query wants size 0 with no buffer");
            return fail(ERROR_INVALID_USER_BUFFER);
        }
        if (required) *required = needed;
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (detail->cbSize != kDetailDataSize) {
        report_wrong_call("SetupDiGetDeviceInterfaceDetailA", "detail size field must be sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) without the path");
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    if (size < needed) {
        report_wrong_call("SetupDiGetDeviceInterfaceDetailA", "buffer smaller than the size query gave");
        if (required) *required = needed;
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    if (required) *required = needed;
    g_detailed_slot = position;
    g_detailed_path = path;
    return TRUE;
}

BOOL WINAPI sim_SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    DeviceInfoSet* s = find_set(set);
    if (!s) {
        report_wrong_call("SetupDiDestroyDeviceInfoList", "not a live device information set");
        return fail(ERROR_INVALID_HANDLE);
    }
    g_sets.erase(s);
    delete s;
    return TRUE;
}

int live_device_info_sets() { return static_cast<int>(g_sets.size()); }

void forget_device_info_sets() {
    for (DeviceInfoSet* s : g_sets) delete s;
    g_sets.clear();
    g_detailed_slot = -1;
    g_detailed_path.clear();
}

int slot_of_detailed_path(const std::string& path) {
    return g_detailed_slot >= 0 && path == g_detailed_path ? g_detailed_slot : -1;
}

}  // namespace vornix::winehost
