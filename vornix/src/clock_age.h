// Ages of the library's stamps (port::clock_ms(), a signed 32-bit count of
// milliseconds that wraps); ages are the signed 32-bit difference, so a wrap does not
// freeze the library. A negative age means more than half the clock's range has passed (or the
// stamp was reset just before a wrap): such a stamp is long past.
#pragma once
#include <cstdint>

#include "device_port.h"

namespace vornix {

inline int32_t clock_age(int32_t stamp) {
    return static_cast<int32_t>(static_cast<uint32_t>(port::clock_ms()) - static_cast<uint32_t>(stamp));
}

// True while `stamp` lies no more than `window_ms` in the past.
inline bool within_ms(int32_t stamp, int32_t window_ms) {
    const int32_t age = clock_age(stamp);
    return age >= 0 && age <= window_ms;
}

}  // namespace vornix
