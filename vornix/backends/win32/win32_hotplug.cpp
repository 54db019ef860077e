#include "win32_hotplug.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "../../src/linebox_protocol.h"
#include "record_sizes.h"

namespace vornix::win32 {

namespace {
constexpr size_t kTypeEnd = offsetof(DEV_BROADCAST_HDR, dbch_devicetype) + sizeof(DWORD);
constexpr size_t kClassGuidEnd = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) + sizeof(GUID);
static_assert(offsetof(DEV_BROADCAST_HDR, dbch_devicetype) == 4, "device type at byte 4");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) == 12, "interface class at byte 12");

bool is_line_box_class(const GUID& guid) { return std::memcmp(&guid, &kLineBoxInterfaceGuid, sizeof guid) == 0; }
}  // namespace

DEV_BROADCAST_DEVICEINTERFACE_A line_box_filter() {
    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(&filter.dbcc_classguid, &kLineBoxInterfaceGuid, sizeof filter.dbcc_classguid);
    return filter;
}

std::vector<BYTE> line_box_broadcast(const std::string& path) {
    const size_t name_at = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    std::vector<BYTE> bytes(std::max(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A), name_at + path.size() + 1), 0);
    DEV_BROADCAST_DEVICEINTERFACE_A b = line_box_filter();
    b.dbcc_size = static_cast<DWORD>(bytes.size());
    std::memcpy(bytes.data(), &b, name_at);
    std::memcpy(bytes.data() + name_at, path.c_str(), path.size() + 1);
    return bytes;
}

bool decode_device_change(WPARAM event, LPARAM data, port::HotplugEvent* out) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header) return false;
    DWORD size = 0, type = 0;
    std::memcpy(&size, &header->dbch_size, sizeof size);
    if (size < kTypeEnd) return false;
    std::memcpy(&type, &header->dbch_devicetype, sizeof type);
    if (type != DBT_DEVTYP_DEVICEINTERFACE || size < kClassGuidEnd) return false;
    GUID guid;
    std::memcpy(&guid, &reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header)->dbcc_classguid, sizeof guid);
    if (!is_line_box_class(guid)) return false;
    *out = event == DBT_DEVICEARRIVAL ? port::HotplugEvent::Arrived : port::HotplugEvent::Left;
    return true;
}

}  // namespace vornix::win32
