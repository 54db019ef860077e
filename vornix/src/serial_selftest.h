// Serial code of a box (from its status record) and the self-test.
#pragma once
#include "vornix.h"

namespace vornix {

// SW_SN: the slot's serial code, big-endian into code2[0..1] and into its last serial
// code, from the status record (polled unless fresh).
vx_bool read_serial(int slot, unsigned char* code2);

// SW_GetSN: the serial code when within 5000..5999, else 5301; -1 while closed.
int serial_number(int slot);

// SW_test: reads one status report directly, past the cache and the hold-off,
// installs its record and tells whether it carries the validity marker.
vx_bool self_test(int slot);

}  // namespace vornix
