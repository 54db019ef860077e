// The status poll and the per-slot status cache that every status query shares.
#pragma once
#include <cstddef>
#include <cstdint>

#include "library_state.h"
#include "linebox_protocol.h"
#include "vornix.h"

namespace vornix {

// Status poll (SW_Record1): guarded; reads a status report into `buffer` and installs
// the slot's status record from the bytes the box delivered. Every 101st poll of a
// slot re-initialises the box first.
vx_bool status_poll(int slot, int offset, unsigned char* buffer, int length);

enum class StatusAnswer {
    Failed,     // the poll failed
    FromPoll,   // a poll ran (it may have left the record unchanged)
    FromCache,  // the record was fresh: no device access
};

// Cached status query of a valid slot: polls when the slot's record is older than
// 600 ms, then answers from the slot's status record.
StatusAnswer cached_status_query(int slot);

// One flag byte of the status record (SW_OffHook, SW_RecEnd) into `*out`.
vx_bool read_flag(int slot, unsigned char* out, size_t flag);

// The same as 1 (flag set) / 0 / -1 (SW_CheckOffHook, SW_CheckRecEnd).
int check_flag(int slot, size_t flag);

// SW_CheckRing and SW_CheckDisconnect, which also leave the flag byte in the first
// byte of the result text buffer.
int check_ring(int slot);
int check_disconnect(int slot);

// True when a status record carries the validity marker '5' '5'.
bool record_is_valid(const StatusRecord& record);

}  // namespace vornix
