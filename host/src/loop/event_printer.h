// Prints one line per call event and, on a terminal, a live status line per box
// below them, redrawn in place.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "call_log/call_event.h"
#include "lines/line_watcher.h"
#include "platform/host_clock.h"
#include "unattended/host_log.h"

namespace host {

// "09:30:05.120  slot 0   ring       13800138000   -      -", stamped with the wall
// clock when it is made: events are printed as they happen.
std::string event_line(const CallEvent& e, const HostClock& clock);
// "slot 0  [5001]  in call 00:12  13800138000  digits 12#  REC"
std::string status_line(int slot, const LineState& line, int64_t now_ms);

class EventPrinter {
public:
    EventPrinter(std::FILE* out, const HostClock& clock, bool live_status);

    void print(const CallEvent& e);
    // Every event line also goes to `log` (none: only to the screen).
    void copy_to(HostLog* log) { log_ = log; }
    // A line of the host's own (not an event), to the screen and the log alike.
    void note(const std::string& line);
    // Redraws the status block (no more than a few times per second of host time).
    void show_status(const std::vector<LineState>& lines);
    // Removes the status block, e.g. before exit.
    void clear_status();

private:
    void draw(const std::vector<LineState>& lines);

    std::FILE* out_;
    const HostClock& clock_;
    bool live_;
    HostLog* log_ = nullptr;
    int drawn_lines_ = 0;
    int64_t last_draw_ms_ = INT64_MIN;
    std::vector<LineState> last_lines_;
};

}  // namespace host
