#include "change_broadcaster.h"

#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "linebox_ioctl.h"
#include "notify_windows.h"
#include "sim_bus.h"

namespace vornix::winehost {

namespace {

// The interface broadcast the system sends for a line box: its class and its path.
std::vector<BYTE> interface_broadcast(const std::string& path) {
    const size_t name_at = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    std::vector<BYTE> bytes(std::max(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A), name_at + path.size() + 1), 0);
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    b->dbcc_size = static_cast<DWORD>(bytes.size());
    b->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(&b->dbcc_classguid, &kLineBoxInterfaceGuid, sizeof b->dbcc_classguid);
    std::memcpy(bytes.data() + name_at, path.c_str(), path.size() + 1);
    return bytes;
}

void on_bus_change(port::HotplugEvent event, const std::string& path) {
    const std::vector<BYTE> broadcast = interface_broadcast(path);
    send_device_change(event == port::HotplugEvent::Arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                       broadcast.data());
}

}  // namespace

void send_device_change(uint32_t event, const void* data) {
    const std::vector<HWND> windows = notify_windows();
    if (windows.empty()) return;
    SendMessageA(windows.front(), WM_DEVICECHANGE, static_cast<WPARAM>(event),
                 reinterpret_cast<LPARAM>(data));
}

void install_change_broadcaster() { vornix::sim::bus().set_change_listener(on_bus_change); }

}  // namespace vornix::winehost
