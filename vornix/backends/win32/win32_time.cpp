// The real boxes' time: the C runtime's clock(). Their world needs no catching up and
// starts nothing when the library opens.
#include <ctime>

#include "../../src/device_port.h"

namespace vornix::port {

int32_t clock_ms() {
    // The C runtime counts CLOCKS_PER_SEC (1000) ticks per second since load.
    return static_cast<int32_t>(clock());
}

void catch_up() {}

void opening() {}

}  // namespace vornix::port
