#include "host_loop.h"

#include <cstdio>

#include "call_log.h"
#include "event_printer.h"
#include "line_watcher.h"
#include "platform.h"
#include "repair_command.h"
#include "round_times.h"
#include "vornix.h"
#include "web/web_console.h"

namespace host {

int run_loop(const HostOptions& options, const HostClock& clock, const LoopDriver& driver) {
    constexpr int64_t kMsPerMinute = 60 * 1000;
    EventPrinter printer(stdout, clock, options.live_status && platform::stdout_is_live_terminal());
    const CallEventSink print = [&](const CallEvent& e) { printer.print(e); };

    // Before the library opens: no recording of this host is being written yet.
    repair_on_start(options.folder, print, clock.now_ms(), stdout);

    int recordings = 0;
    WatcherConfig config;
    config.folder = options.folder;
    config.max_call_ms = options.max_call_minutes * kMsPerMinute;
    config.ring_gap_ms = options.ring_gap_seconds * 1000;
    config.min_free_bytes = static_cast<uint64_t>(options.min_free_mb) * SpaceGuard::kBytesPerMb;
    CallLog call_log(options.folder);
    bool log_fault_shown = false;
    LineWatcher watcher(
        config, clock,
        [&](const CallEvent& e) {
            if (e.kind == CallEventKind::Answered && !e.file.empty()) ++recordings;
            printer.print(e);
        },
        [&](const CallRecord& r) {
            if (call_log.append(r)) {
                log_fault_shown = false;
                return;
            }
            if (log_fault_shown) return;
            log_fault_shown = true;  // the rows are kept and written with the next one
            CallEvent e;
            e.kind = CallEventKind::Fault;
            e.at_ms = clock.now_ms();
            e.file = call_log.path();
            e.note = "call log cannot be written; its rows are kept until it can";
            printer.print(e);
        });

    web::WebConsole console(options);
    std::string web_error;
    if (!console.start(&web_error)) {
        std::fprintf(stderr, "web console: %s\n", web_error.c_str());
        return 1;
    }
    if (options.web_port >= 0) std::printf("web console: %s\n", console.url().c_str());
    std::fflush(stdout);

    SW_Init();
    const int64_t stop_at = options.stop_after_seconds > 0 ? clock.now_ms() + options.stop_after_seconds * 1000LL : -1;
    auto time_left = [&] { return stop_at < 0 || clock.now_ms() < stop_at; };
    RoundTimes rounds(options.round_times);
    while (!platform::stop_requested() && driver.keep_going() && time_left()) {
        rounds.begin();
        platform::pump_messages();
        watcher.tick();
        console.publish(watcher.lines(), clock);
        printer.show_status(watcher.lines());
        rounds.end();
        driver.wait();
    }
    rounds.report(stdout);
    printer.clear_status();
    const bool interrupted = platform::stop_requested();
    watcher.finish_all(interrupted ? "host stopped" : "end of the run");
    SW_Free();
    platform::mark_finished();
    // Rows the log never took are not lost: they go to the screen.
    for (const std::string& row : call_log.unwritten()) std::fprintf(stderr, "unlogged call: %s", row.c_str());
    std::printf("%s: %d recording%s in %s\n", interrupted ? "stopped" : "finished", recordings,
                recordings == 1 ? "" : "s", options.folder.c_str());
    return 0;
}

}  // namespace host
