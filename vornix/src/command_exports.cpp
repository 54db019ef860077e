// The four plain commands: LED, reconnect, disconnect and re-initialise.
#include "command_channel.h"
#include "library_state.h"
#include "linebox_ioctl.h"
#include "port.h"
#include "refusals.h"
#include "shielded.h"
#include "vornix.h"

using namespace vornix;

namespace {
constexpr uint32_t kLedCodes[] = {IOCTL_LINEBOX_LED_0, IOCTL_LINEBOX_LED_1, IOCTL_LINEBOX_LED_2};
constexpr int kLedModes = 3;

// Steps 1-2 of a guarded plain command. Returns true when the export must answer
// now, with `result` set.
bool guarded_entry(vx_bool* result) {
    if (holding_off()) {
        *result = 1;
        return true;
    }
    if (refuse_closed()) {
        *result = 0;
        return true;
    }
    return false;
}
}  // namespace

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_LED(int slot, int mode) {
    vx_bool result = 0;
    if (guarded_entry(&result)) return result;
    if (refuse_bad_argument(mode < 0 || mode >= kLedModes) || refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(1, [&] { return static_cast<vx_bool>(plain_command(slot, kLedCodes[mode])); });
}

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_Reconnect(int slot) {
    vx_bool result = 0;
    if (guarded_entry(&result)) return result;
    if (refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(0, [&] { return static_cast<vx_bool>(plain_command(slot, IOCTL_LINEBOX_RECONNECT)); });
}

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_Disconnect(int slot) {
    vx_bool result = 0;
    if (guarded_entry(&result)) return result;
    if (refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(0, [&] { return static_cast<vx_bool>(plain_command(slot, IOCTL_LINEBOX_DISCONNECT)); });
}

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_USBInit(int slot) {
    if (refuse_closed()) return 0;
    if (refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(0, [&]() -> vx_bool {
        port::Handle h = port::open_box(slot, nullptr);
        if (h == port::kInvalidHandle) {
            start_holdoff();  // no further SW_USBInit from here
            return 0;
        }
        const bool accepted = port::control(h, IOCTL_LINEBOX_INIT, nullptr, 0);
        port::close(h);
        if (!accepted) start_holdoff();
        return 1;
    });
}
