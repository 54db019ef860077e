// Fetching blocks of line audio behind the hold-off guard and the 200 ms audio-read
// guard, and the silence test.
#pragma once
#include <cstdint>

#include "vornix.h"

namespace vornix {

// What one audio fetch put into the caller's buffer.
enum class Delivery {
    Nothing,  // held off, guarded, refused, rejected, or the read failed/was empty
    Short,    // fewer bytes than asked
    Full,     // the whole block
};

// SW_Record, with a report of what arrived; `delivered` may be null.
vx_bool record_audio(int slot, int offset, unsigned char* buffer, int length, Delivery* delivered);

// SW_CheckSilence: reconnects the box, fetches 2048 samples and answers 1 (silent),
// 0, or -1; without a fresh block the slot's last answer stands.
int check_silence(int slot);

}  // namespace vornix
