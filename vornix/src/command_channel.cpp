#include "command_channel.h"

#include "box_handle.h"
#include "clock_age.h"
#include "device_list.h"
#include "device_port.h"
#include "library_state.h"
#include "linebox_protocol.h"
#include "refusals.h"
#include "shielded.h"

namespace vornix {

namespace {
constexpr int32_t kMsPerSecond = 1000;
constexpr uint64_t kReadWindow = 65536;  // offset + length of a read request
constexpr uint32_t kLedCodes[] = {IOCTL_LINEBOX_LED_0, IOCTL_LINEBOX_LED_1, IOCTL_LINEBOX_LED_2};
static_assert(VORNIX_LED_OFF == 0 && VORNIX_LED_1 == 1 && VORNIX_LED_2 == 2, "modes index the codes");
constexpr int kLedModes = 3;

void set_holdoff_length() {
    Library& l = lib();
    l.holdoff_length = l.holdoff_seconds * kMsPerSecond;
}

// Restarts the hold-off from now, so one full hold-off follows a recovery's
// re-initialisations (which may have started hold-offs of their own).
void restart_holdoff() {
    Library& l = lib();
    l.holdoff_start = port::clock_ms();
    l.normal = 0;
}

// Open, one request without input, close. False when the box could not be opened
// (slot recovery); true otherwise, a rejected request also recovering the slot.
bool plain_command(int slot, uint32_t code) {
    bool rejected = false;
    {
        BoxHandle box(slot);
        if (!box.ok()) {
            slot_recovery(slot);
            return false;
        }
        rejected = !port::control(box.get(), code, nullptr, 0);
    }
    if (rejected) slot_recovery(slot);
    return true;
}

// The first two steps of a guarded command. True when it must answer now, with `result`.
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

bool holding_off() {
    Library& l = lib();
    if (l.normal == 1) return false;
    // Held off while strictly less than the hold-off length has passed.
    const int32_t elapsed = clock_age(l.holdoff_start);
    if (elapsed >= 0 && elapsed < l.holdoff_length) return true;
    l.normal = 1;
    return false;
}

void start_holdoff() {
    set_holdoff_length();
    restart_holdoff();
}

vx_bool reinit_box(int slot) {
    if (refuse_closed()) return 0;
    if (refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(0, [&]() -> vx_bool {
        bool accepted = false;
        {
            BoxHandle box(slot);
            if (!box.ok()) {
                start_holdoff();  // no further re-initialisation from here
                return 0;
            }
            accepted = port::control(box.get(), IOCTL_LINEBOX_INIT, nullptr, 0);
        }
        if (!accepted) start_holdoff();
        return 1;
    });
}

void slot_recovery(int slot) {
    set_holdoff_length();
    reinit_box(slot);
    restart_holdoff();
}

void full_recovery() {
    set_holdoff_length();
    const int count = slots_of(device_count());
    for (int s = 0; s < count; ++s) reinit_box(s);
    restart_holdoff();
}

vx_bool line_command(int slot, uint32_t code) {
    vx_bool result = 0;
    if (guarded_entry(&result)) return result;
    if (refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(0, [&] { return static_cast<vx_bool>(plain_command(slot, code)); });
}

vx_bool switch_led(int slot, int mode) {
    vx_bool result = 0;
    if (guarded_entry(&result)) return result;
    if (refuse_bad_argument(mode < 0 || mode >= kLedModes) || refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(1, [&] { return static_cast<vx_bool>(plain_command(slot, kLedCodes[mode])); });
}

ReadOutcome read_request(int slot, uint32_t code, uint32_t offset, uint8_t* buffer,
                         uint32_t length, uint32_t* got) {
    *got = 0;
    bool read_failed = false;
    {
        BoxHandle box(slot);
        if (!box.ok()) {
            slot_recovery(slot);
            return ReadOutcome::NoBox;
        }
        const uint32_t word = read_request_word(offset, length);
        if (!port::control(box.get(), code, &word, sizeof word)) return ReadOutcome::Rejected;
        read_failed = !port::read(box.get(), buffer, length, got) || *got == 0;
    }
    if (read_failed) {
        *got = 0;
        full_recovery();
        return ReadOutcome::ReadFailed;
    }
    return ReadOutcome::Data;
}

bool read_range_ok(int32_t offset, int32_t length) {
    // Widened, so that offsets and lengths near 2^32 cannot wrap past the check.
    return static_cast<uint64_t>(static_cast<uint32_t>(offset)) +
               static_cast<uint64_t>(static_cast<uint32_t>(length)) <=
           kReadWindow;
}

}  // namespace vornix
