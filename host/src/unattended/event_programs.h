// Programs told of calls (--on-event): for each ring, caller ID, answer, hang-up,
// missed call and finished recording the host runs the business's program with the
// event in VORNIX_* environment variables, so that it can show the caller's record or
// copy a recording away. The loop only starts and reaps them, never waits for one.
#pragma once
#include <cstdint>
#include <deque>
#include <list>
#include <string>
#include <vector>

#include "call_log/call_event.h"
#include "platform/host_clock.h"
#include "unattended/child_process.h"

namespace host {

struct EventProgramLimits {
    size_t running = 4;                 // programs at once
    size_t waiting = 32;                // events queued behind them; more are dropped, and logged
    int64_t time_limit_ms = 30 * 1000;  // then the program is killed
    int64_t retry_start_ms = 1000;      // a start that failed is tried once more after this
};

// The names of the events `e` tells programs of: none, one, or two for an event that
// also finished a recording ("recorded").
std::vector<std::string> told_events(const CallEvent& e);

// The variables a program is given for `event`, as "NAME=value", stamped now: programs
// are told of an event as it happens.
std::vector<std::string> event_variables(const std::string& event, const CallEvent& e, const HostClock& clock);

class EventPrograms {
public:
    // `log` is told of every program that cannot be started, fails, is killed, or of
    // an event that could not be told.
    EventPrograms(std::string program, const HostClock& clock, CallEventSink log, EventProgramLimits limits = {});

    // Called with every event: queues a run for each told event.
    void notice(const CallEvent& e);
    // Reaps programs that ended, kills those over their time, starts queued ones, in
    // order; a start that fails is tried once more before the program is said not told.
    void tick();
    // At exit: a last tick, then the events still queued are dropped; programs still
    // running are left to finish by themselves (both logged).
    void finish();

    size_t running() const { return running_.size(); }
    size_t waiting() const { return queue_.size(); }

private:
    struct Run {
        std::string event;
        int slot = -1;
        std::vector<std::string> vars;
        int64_t retry_at_ms = -1;  // its start failed once: tried again from then on
    };
    struct Running {
        ChildProcess process;
        std::string event;
        int slot = -1;
        int64_t started_ms = 0;
        bool killed = false;
    };
    void log(const std::string& event, int slot, const std::string& what);

    std::string program_;
    const HostClock& clock_;
    CallEventSink log_;
    EventProgramLimits limits_;
    std::deque<Run> queue_;
    std::list<Running> running_;
};

}  // namespace host
