// The two reasons an export turns a call away, each with its last-error value:
// the library is not open (1), or an argument is out of range (87).
#pragma once
#include "library_state.h"
#include "system_port.h"

namespace vornix {

// True, with last error 1, when the library is not open.
inline bool refuse_closed() {
    if (lib().open != 0) return false;
    port::set_last_error(kErrorNotOpen);
    return true;
}

// True, with last error 87, when `bad` holds.
inline bool refuse_bad_argument(bool bad) {
    if (bad) port::set_last_error(kErrorBadArgument);
    return bad;
}

// True for a slot outside 0..63, which must never index a table. The last error is 1
// while the library is closed ("not open" comes first, also for the exports that meet
// the open flag only in their status poll), 87 otherwise.
inline bool refuse_bad_slot(int slot) {
    if (valid_slot(slot)) return false;
    if (!refuse_closed()) port::set_last_error(kErrorBadArgument);
    return true;
}

}  // namespace vornix
