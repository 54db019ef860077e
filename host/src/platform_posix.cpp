#include <csignal>
#include <cstdlib>
#include <string>
#include <ctime>
#include <unistd.h>

#include "platform.h"

namespace host::platform {

namespace {
volatile std::sig_atomic_t g_stop = 0;
extern "C" void on_stop_signal(int) { g_stop = 1; }
}  // namespace

void install_stop_handler() {
    struct sigaction sa {};
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool stop_requested() { return g_stop != 0; }
void mark_finished() {}
void pump_messages() {}

void sleep_ms(int ms) {
    if (ms <= 0) return;
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && !stop_requested()) {
    }
}

int64_t monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool stdout_is_live_terminal() {
    const char* term = std::getenv("TERM");
    return isatty(STDOUT_FILENO) && !(term && std::string(term) == "dumb");
}

}  // namespace host::platform
