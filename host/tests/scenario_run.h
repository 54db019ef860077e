// A scenario played on the simulated bus with the watcher over the real exports: the
// events and the call records it hands on.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fixture/runner.h"
#include "lines/line_watcher.h"
#include "scenario_player.h"

namespace host_test {

struct Played {
    std::vector<host::CallEvent> events;
    std::vector<host::CallRecord> calls;
    std::vector<host::CallEvent> of(host::CallEventKind kind) const {
        std::vector<host::CallEvent> out;
        for (const auto& e : events)
            if (e.kind == kind) out.push_back(e);
        return out;
    }
    std::vector<host::CallEventKind> kinds() const {
        std::vector<host::CallEventKind> out;
        for (const auto& e : events) out.push_back(e.kind);
        return out;
    }
};

struct PlayOptions {
    PlayOptions(int64_t stop_at = -1, int64_t max_call = 60 * 60 * 1000) : stop_at_ms(stop_at), max_call_ms(max_call) {}
    int64_t stop_at_ms;  // >= 0: the run ends early, the way Ctrl+C ends it
    int64_t max_call_ms;
    std::function<host::HostClock::WallTime()> wall;  // empty: wall time runs with the bus
    host::CallRecordSink on_call;                      // sees each call as it is handed on
    int64_t stall_at_ms = -1;  // >= 0: the loop is held up there for `stall_ms` (a busy machine)
    int64_t stall_ms = 0;
};

// Plays `text` to its end with the watcher polling every 50 ms.
inline Played play(const std::string& text, const std::string& folder, const PlayOptions& options = {}) {
    using namespace host;
    runner::fresh_library();
    Played run;
    vornix::sim::ScenarioPlayer player(runner::bus(), vornix::sim::parse_scenario(text, "test"));
    player.start();
    const auto now = [&] { return player.now_ms(); };
    const HostClock clock = options.wall ? HostClock(now, options.wall) : HostClock(now);
    WatcherConfig config;
    config.folder = folder;
    config.max_call_ms = options.max_call_ms;
    LineWatcher watcher(config, clock, [&](const CallEvent& e) { run.events.push_back(e); },
                        [&](const CallRecord& r) {
                            if (options.on_call) options.on_call(r);
                            run.calls.push_back(r);
                        });
    SW_Init();
    constexpr int kPollMs = 50;
    bool stalled = false;
    while (!player.over() && (options.stop_at_ms < 0 || player.now_ms() < options.stop_at_ms)) {
        watcher.tick();
        player.advance(kPollMs);
        if (!stalled && options.stall_at_ms >= 0 && player.now_ms() >= options.stall_at_ms) {
            player.advance(static_cast<int32_t>(options.stall_ms));
            stalled = true;
        }
    }
    watcher.finish_all("stopped");
    SW_Free();
    EXPECT_EQ(runner::bus().counters().open_handles, 0);
    return run;
}

}  // namespace host_test
