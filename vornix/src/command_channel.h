// The command channel: open the box of a slot, one control request, the reply read
// for the two read requests, close. Failures start the recovery hold-off, which keeps
// the guarded operations away from every box for a while.
#pragma once
#include <cstdint>

#include "vornix.h"

namespace vornix {

// Hold-off guard, the first step of the guarded operations. True while a hold-off
// runs (the operation then answers success at once); ends an expired hold-off.
bool holding_off();

// Starts a hold-off of the full length from now.
void start_holdoff();

// Re-initialises the box of a slot (SW_USBInit): never held off. False when closed
// (last error 1), for a slot outside the tables, or when the box cannot be opened
// (hold-off started); true otherwise, also when the box rejected the request (hold-off
// started, no further re-initialisation).
vx_bool reinit_box(int slot);

// After a box could not be opened or rejected a request: re-initialise that box,
// then one full hold-off from the end of that attempt.
void slot_recovery(int slot);

// After a read request succeeded but its read failed or delivered nothing:
// re-initialise every box, then hold off.
void full_recovery();

// Guarded line command (SW_Reconnect, SW_Disconnect): 1 while held off; 0 when closed,
// for a bad slot or when the box cannot be opened (slot recovery); 1 otherwise, also
// when the box rejected it (slot recovery).
vx_bool line_command(int slot, uint32_t code);

// Guarded LED switch (SW_LED), mode 0..2: as line_command, and 0 with last error 87
// for another mode (the hold-off answers first).
vx_bool switch_led(int slot, int mode);

enum class ReadOutcome {
    NoBox,       // box could not be opened; slot recovery done
    Rejected,    // read request rejected; nothing read, no recovery
    ReadFailed,  // read failed or gave 0 bytes; full recovery done
    Data,        // `got` bytes (1..length) are in the buffer
};

// One read request (status or audio) and its read into `buffer`.
ReadOutcome read_request(int slot, uint32_t code, uint32_t offset, uint8_t* buffer,
                         uint32_t length, uint32_t* got);

// offset + length of a read request, taken as unsigned, within 65,536.
bool read_range_ok(int32_t offset, int32_t length);

}  // namespace vornix
