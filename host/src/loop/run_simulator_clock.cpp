// Over the simulator DLL at full speed (--simulator-clock): the recorder shares the
// simulated boxes' clock with the DLL and moves it on by --poll-ms each round without
// waiting, so that weeks of a scenario play in minutes and a busy machine's stall holds
// the scenario rather than letting rings pass unseen. The recorder's own clock is that
// clock: the rows' times and lengths, the recordings' ages and --stop-after are the
// scenario's. The run ends with the scenario.
#include <windows.h>

#include <cstdio>
#include <string>

#include "loop/host_loop.h"
#include "loop/run_simulator_clock.h"
#include "shared_clock.h"

namespace host {

namespace {

// The mapping the simulator DLL looks for at its first opening, named for this process.
class SharedClockMapping {
public:
    SharedClockMapping() {
        const std::string name = vornix::sim::kSharedClockPrefix + std::to_string(GetCurrentProcessId());
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(vornix::sim::SharedClock), name.c_str());
        if (mapping_)
            view_ = static_cast<vornix::sim::SharedClock*>(
                MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(vornix::sim::SharedClock)));
    }
    ~SharedClockMapping() {
        if (view_) UnmapViewOfFile(view_);
        if (mapping_) CloseHandle(mapping_);
    }
    SharedClockMapping(const SharedClockMapping&) = delete;
    SharedClockMapping& operator=(const SharedClockMapping&) = delete;

    vornix::sim::SharedClock* get() const { return view_; }  // zeroed by the system

private:
    HANDLE mapping_ = nullptr;
    vornix::sim::SharedClock* view_ = nullptr;
};

}  // namespace

int run_on_simulator_clock(const HostOptions& options, HostLog* log, const StartHooks& start) {
    auto refuse = [&](const std::string& why) {
        if (start.failed) {
            start.failed(why);
        } else {
            std::fprintf(stderr, "%s\n", why.c_str());
        }
        return 2;
    };
    SharedClockMapping shared;
    if (!shared.get()) return refuse("--simulator-clock: the clock cannot be shared (error " +
                                     std::to_string(GetLastError()) + ")");
    vornix::sim::SharedClock& c = *shared.get();
    const HostClock clock([&c] { return c.now_ms; });
    bool real_library = false;
    LoopDriver driver;
    driver.keep_going = [&] {
        // Asked first right after SW_Init, when the simulator has found the clock.
        if (!c.followed) real_library = true;
        return c.followed && !c.over;
    };
    driver.wait = [&] { c.now_ms += options.poll_ms; };
    driver.log = log;
    driver.start = start;
    const int code = run_loop(options, clock, driver);
    if (real_library)
        return refuse("--simulator-clock: the vornix.dll beside the recorder is not the simulator; nothing was recorded");
    return code;
}

}  // namespace host
