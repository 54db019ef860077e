// Running over the real line boxes: real time, no end but Ctrl+C.
#include "loop/host_loop.h"
#include "platform/platform.h"

namespace host {

int run_host(const HostOptions& options, HostLog* log, const StartHooks& start) {
    HostClock clock([] { return platform::monotonic_ms(); }, [] { return std::chrono::system_clock::now(); });
    LoopDriver driver;
    driver.keep_going = [] { return true; };
    driver.wait = [&] { platform::sleep_ms(options.poll_ms); };
    driver.log = log;
    driver.start = start;
    return run_loop(options, clock, driver);
}

}  // namespace host
