#include "change_broadcaster.h"

#include <windows.h>
#include <dbt.h>

#include <vector>

#include "notify_windows.h"
#include "sim_bus.h"
#include "win32_hotplug.h"

namespace vornix::winehost {

namespace {

void on_bus_change(port::HotplugEvent event, const std::string& path) {
    const std::vector<BYTE> broadcast = win32::line_box_broadcast(path);
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
