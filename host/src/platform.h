// What the host needs from the operating system: the stop request (Ctrl+C), message
// dispatch for the library's hot-plug window, sleeping, a monotonic clock and the
// terminal test for the live status lines.
#pragma once
#include <cstdint>
#include <string>

namespace host::platform {

// Ctrl+C (and, where there is one, a console close or termination request) asks the
// host to stop; the main loop then finishes every recording before it exits.
void install_stop_handler();
bool stop_requested();
// Tells a waiting console-close handler that the recordings are finished.
void mark_finished();

// Dispatches pending window messages of this thread, so that device-change
// notifications reach the library's hidden window.
void pump_messages();

void sleep_ms(int ms);
int64_t monotonic_ms();

// True when stdout is a terminal that can redraw the live status lines.
bool stdout_is_live_terminal();

}  // namespace host::platform
