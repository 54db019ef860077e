// The command channel: open the box of a slot, one control request, the reply read
// for the two read requests, close. Failures start the recovery hold-off, which keeps
// the guarded exports away from every box for a while.
#pragma once
#include <cstdint>

namespace vornix {

// Hold-off guard, the first step of the guarded exports. True while a hold-off runs
// (the export then returns success at once); ends an expired hold-off otherwise.
bool holding_off();

// Starts a hold-off of the full length from now.
void start_holdoff();

// After a box could not be opened or rejected a request: re-initialise that box,
// then hold off.
void slot_recovery(int slot);

// After a read request succeeded but its read failed or delivered nothing:
// re-initialise every box, then hold off.
void full_recovery();

// Plain command for SW_LED/SW_Reconnect/SW_Disconnect after their argument checks:
// false when the box could not be opened (slot recovery), true otherwise (a rejected
// request also recovers the slot).
bool plain_command(int slot, uint32_t code);

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
