// Running over the real line boxes: real time, no end but Ctrl+C (or over the
// simulator DLL on the clock the recorder moves itself).
#include "loop/host_loop.h"
#include "loop/run_simulator_clock.h"
#include "platform/platform.h"

namespace host {

int run_host(const HostOptions& options, HostLog* log, const StartHooks& start) {
    if (options.simulator_clock) return run_on_simulator_clock(options, log, start);
    HostClock clock([] { return platform::monotonic_ms(); }, [] { return std::chrono::system_clock::now(); });
    LoopDriver driver;
    driver.keep_going = [] { return true; };
    driver.wait = [&] { platform::sleep_ms(options.poll_ms); };
    driver.log = log;
    driver.start = start;
    return run_loop(options, clock, driver);
}

}  // namespace host
