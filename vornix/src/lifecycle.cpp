// Opening and closing the library, the device count, and the hot-plug handler that
// keeps the device path list following the boxes.
#include "lifecycle.h"

#include "command_channel.h"
#include "device_list.h"
#include "device_port.h"
#include "library_state.h"
#include "refusals.h"
#include "system_port.h"

namespace vornix {

namespace {
constexpr uint32_t kCallbackArrival = 3, kCallbackRemoval = 4;

int VORNIX_CALL noop_device_change(uint32_t, uint32_t, uint32_t) { return 0; }

// The window keeps its own copy of the callback, taken when it was created.
DeviceChangeCallback g_window_callback = nullptr;

void on_hotplug(port::HotplugEvent event) noexcept {
    try {
        rebuild_device_list();
    } catch (...) {
        // Out of memory while enumerating: the list keeps what was found.
    }
    if (g_window_callback)
        g_window_callback(lib().change_context,
                          event == port::HotplugEvent::Arrived ? kCallbackArrival : kCallbackRemoval, 0);
}

void destroy_window() {
    Library& l = lib();
    if (!l.notify_window) return;
    port::destroy_notify_window(l.notify_window);
    l.notify_window = nullptr;
}
}  // namespace

void open_library() {
    Library& l = lib();
    port::opening();
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
    l.notify_window = port::create_notify_window(on_hotplug);
    if (l.tables_initialised == 1) return;
    l.tables_initialised = 1;
    if (port::is_nt51()) l.holdoff_seconds = 2;
    reset_tables();
    const int count = slots_of(device_count());
    for (int slot = 0; slot < count; ++slot) reinit_box(slot);
}

void close_library() {
    Library& l = lib();
    // While closed the count is refused (last error 1) and no LED is switched.
    const int count = slots_of(counted_boxes());
    for (int slot = 0; slot < count; ++slot) switch_led(slot, VORNIX_LED_OFF);
    clear_device_list();
    l.change_callback = nullptr;
    l.open = 0;
    destroy_window();
}

int counted_boxes() {
    if (refuse_closed()) return -1;
    return device_count();
}

}  // namespace vornix
