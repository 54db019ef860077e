// Hot-plug through the real window: every device change on the simulated bus becomes
// a WM_DEVICECHANGE sent to the library's notification window.
#pragma once
#include <cstdint>

namespace vornix::winehost {

// Makes the bus announce its changes to the notification window.
void install_change_broadcaster();

// Sends WM_DEVICECHANGE (`event`, `data`) to the newest notification window of this
// process, if there is one; it is handled before this returns.
void send_device_change(uint32_t event, const void* data);

}  // namespace vornix::winehost
