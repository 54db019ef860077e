// Opening and closing the library, and the device count.
#pragma once
#include "vornix.h"

namespace vornix {

// SW_Init: enumerate, open, create the notification window; the first time after
// loading also reset the tables, fix the hold-off length and re-initialise every box.
void open_library();

// SW_Free: every LED off, list emptied, closed, window gone. Tables stay.
void close_library();

// SW_GetCount: boxes in the device path list, or -1 (last error 1) while closed.
int counted_boxes();

}  // namespace vornix
