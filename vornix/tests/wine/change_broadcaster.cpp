#include "change_broadcaster.h"

#include <windows.h>
#include <dbt.h>

#include <cstddef>

#include "linebox_ioctl.h"
#include "notify_windows.h"
#include "sim_bus.h"

namespace vornix::winehost {

// The bus lays out its interface broadcasts as DEV_BROADCAST_DEVICEINTERFACE_A.
static_assert(offsetof(DEV_BROADCAST_HDR, dbch_devicetype) == kBroadcastTypeOffset, "header layout");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) == kBroadcastGuidOffset, "GUID offset");
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == kInterfaceBroadcastSize, "32-byte broadcast");

void send_device_change(uint32_t event, const void* data) {
    const std::vector<HWND> windows = notify_windows();
    if (windows.empty()) return;
    SendMessageA(windows.front(), WM_DEVICECHANGE, static_cast<WPARAM>(event),
                 reinterpret_cast<LPARAM>(data));
}

void install_change_broadcaster() { vornix::sim::bus().set_change_listener(send_device_change); }

}  // namespace vornix::winehost
