// Opening and closing the library, the device count, and the hot-plug handler that
// keeps the device path list following the boxes.
#include <cstring>

#include "device_list.h"
#include "library_state.h"
#include "linebox_ioctl.h"
#include "port.h"
#include "refusals.h"
#include "shielded.h"
#include "vornix.h"

namespace vornix {

namespace {
constexpr uint32_t kCallbackArrival = 3, kCallbackRemoval = 4;
constexpr size_t kGuidSize = 16;

int VORNIX_CALL noop_device_change(uint32_t, uint32_t, uint32_t) { return 0; }

// The window keeps its own copy of the callback, taken when it was created.
DeviceChangeCallback g_window_callback = nullptr;

void on_device_change(uint32_t event, const void* data) noexcept {
    if (!data) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t device_type = 0;
    std::memcpy(&device_type, bytes + kBroadcastTypeOffset, sizeof device_type);
    if (device_type != kDeviceTypeInterface) return;
    if (std::memcmp(bytes + kBroadcastGuidOffset, &kLineBoxInterfaceGuid, kGuidSize) != 0) return;
    if (event != kDeviceArrival && event != kDeviceRemoveComplete) return;
    try {
        rebuild_device_list();
    } catch (...) {
        // Out of memory while enumerating: the list keeps what was found.
    }
    if (g_window_callback)
        g_window_callback(lib().change_context,
                          event == kDeviceArrival ? kCallbackArrival : kCallbackRemoval, 0);
}

void destroy_window() {
    Library& l = lib();
    if (!l.notify_window) return;
    port::destroy_notify_window(l.notify_window);
    l.notify_window = nullptr;
}
}  // namespace

}  // namespace vornix

using namespace vornix;

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_Init(void) {
    Library& l = lib();
    try {
        rebuild_device_list();
    } catch (...) {
        // A failed enumeration leaves the boxes found so far.
    }
    l.change_callback = noop_device_change;
    l.change_context = 0;
    l.open = 1;
    // A repeated SW_Init replaces the earlier window rather than leaking it.
    destroy_window();
    g_window_callback = l.change_callback;
    l.notify_window = port::create_notify_window(on_device_change);
    if (l.tables_initialised == 1) return 1;
    l.tables_initialised = 1;
    if (port::is_nt51()) l.holdoff_seconds = 2;
    reset_tables();
    const int count = slots_of(SW_GetCount());
    for (int slot = 0; slot < count; ++slot) SW_USBInit(slot);
    return 1;
}

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_Free(void) {
    Library& l = lib();
    const int count = slots_of(SW_GetCount());
    for (int slot = 0; slot < count; ++slot) SW_LED(slot, 0);
    clear_device_list();
    l.change_callback = nullptr;
    l.open = 0;
    destroy_window();
    return 1;
}

extern "C" VORNIX_API int VORNIX_CALL SW_GetCount(void) {
    Library& l = lib();
    if (refuse_closed()) return -1;
    return static_cast<int>(l.device_paths.size());
}
