// The real boxes' time: the system's tick count. Not the C runtime's clock(): msvcrt's
// follows the wall clock, so every stamp jumps when the system time is set, and the
// Universal C runtime's answers -1 for ever once its count passes 2^31 - 1 (24.8
// days), which would make every stamp "now" and stop all polling. The tick count
// counts milliseconds since the system started, never steps with the wall clock, and
// wraps after 49.7 days; its low 32 bits taken as signed are the library's stamps, and
// their differences stay right across either wrap. Their world needs no catching up
// and starts nothing when the library opens.
#include <windows.h>

#include "../../src/device_port.h"

namespace vornix::port {

int32_t clock_ms() { return static_cast<int32_t>(GetTickCount()); }

void catch_up() {}

void opening() {}

}  // namespace vornix::port
