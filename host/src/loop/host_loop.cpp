#include "loop/host_loop.h"

#include <cstdio>
#include <filesystem>

#include "call_log/call_log.h"
#include "lines/line_watcher.h"
#include "loop/caller_names.h"
#include "loop/event_printer.h"
#include "loop/round_times.h"
#include "platform/platform.h"
#include "recordings/repair_command.h"
#include "recordings/retirement.h"
#include "unattended/event_programs.h"
#include "vornix.h"
#include "web/web_console.h"

namespace host {

namespace {
void print_log_fault(EventPrinter& printer, const HostClock& clock, const std::string& file, const char* note) {
    CallEvent e;
    e.kind = CallEventKind::Fault;
    e.at_ms = clock.now_ms();
    e.file = file;
    e.note = note;
    printer.print(e);
}

// Rows the log cannot take (held open by a spreadsheet) are not lost: they go to the side
// file in the folder, and where even that fails, to the screen.
void save_rows(CallLog& call_log, EventPrinter& printer, const HostClock& clock, HostLog* log) {
    if (call_log.flush()) return;
    if (call_log.set_aside()) {
        print_log_fault(printer, clock, call_log.aside_path(), "call log cannot be written; its last rows are in this file");
        return;
    }
    for (const std::string& row : call_log.unwritten()) {
        std::fprintf(stderr, "unlogged call: %s", row.c_str());
        if (log) log->write_line("unlogged call: " + row.substr(0, row.find_last_not_of("\r\n") + 1));
    }
}
}  // namespace

int run_loop(const HostOptions& options, const HostClock& clock, const LoopDriver& driver) {
    constexpr int64_t kMsPerMinute = 60 * 1000;
    EventPrinter printer(stdout, clock, options.live_status && platform::stdout_is_live_terminal());
    printer.copy_to(driver.log);
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
    // Rows an earlier run had to set aside go into the log now, or once it can be written.
    auto bring_back_rows = [&] {
        const int added = call_log.bring_back();
        if (added > 0)
            printer.note(std::string(kUnwrittenLogName) + ": " + std::to_string(added) + " row" + (added == 1 ? "" : "s") +
                         " set aside before added to " + kCallLogName);
    };
    bring_back_rows();
    bool log_fault_shown = false;
    EventPrograms programs(options.on_event, clock, print);
    CallerNames names(options, clock, print);
    bool closing = false;  // the rows of the calls the stop ends are written together
    LineWatcher watcher(
        config, clock,
        [&](const CallEvent& e) {
            if (e.kind == CallEventKind::Answered && !e.file.empty()) ++recordings;
            CallEvent named = e;
            names.name(&named);
            printer.print(named);
            programs.notice(named);
        },
        [&](const CallRecord& r) {
            if (closing) {
                call_log.keep(r);
                return;
            }
            if (call_log.append(r)) {
                log_fault_shown = false;
                if (call_log.aside_waiting()) bring_back_rows();
                return;
            }
            if (log_fault_shown) return;
            log_fault_shown = true;  // the rows are kept and written with the next one
            print_log_fault(printer, clock, call_log.path(), "call log cannot be written; its rows are kept until it can");
        });

    RetirementConfig keep;
    keep.folder = options.folder;
    keep.keep_days = options.keep_days;
    keep.keep_free_bytes = static_cast<uint64_t>(options.keep_free_mb) * SpaceGuard::kBytesPerMb;
    keep.recording = [&watcher](const std::string& name) {
        for (const LineState& l : watcher.lines())
            if (!l.file.empty() && platform::fs_path(l.file).filename() == platform::fs_path(name)) return true;
        return false;
    };
    Retirement retirement(keep, print);

    // When the system ends the process soon after, what is done first is kept: every
    // recording is finished, then all rows are written with one sync, then the library
    // closes (and switches the LEDs off).
    bool closed = false;
    auto close_down = [&](const std::string& reason) {
        if (closed) return;
        closed = true;
        printer.clear_status();
        closing = true;
        watcher.finish_all(reason);
        save_rows(call_log, printer, clock, driver.log);
        SW_Free();
        programs.finish();  // starts what it can, waits for nothing
        platform::mark_finished();
    };
    const platform::SessionEndWatch session_end([&] { close_down("session ending"); });

    auto cannot_start = [&](const std::string& why) {
        if (driver.start.failed) {
            driver.start.failed(why);
        } else {
            std::fprintf(stderr, "%s\n", why.c_str());
            if (driver.log) driver.log->write_line(why);
        }
        return 1;
    };
    std::string names_error;
    if (!names.start(&names_error)) return cannot_start(names_error);
    web::WebConsole console(options);
    console.use_callers(names.phonebook(), names.database(), names.plan());
    std::string web_error;
    if (!console.start(&web_error)) return cannot_start("web console: " + web_error);
    if (options.web_port >= 0) {
        std::printf("web console: %s\n", console.url().c_str());
        if (driver.log) driver.log->write_line("web console: " + console.url());
    }
    std::fflush(stdout);

    SW_Init();
    if (driver.start.started) driver.start.started();
    const int64_t stop_at = options.stop_after_seconds > 0 ? clock.now_ms() + options.stop_after_seconds * 1000LL : -1;
    auto time_left = [&] { return stop_at < 0 || clock.now_ms() < stop_at; };
    RoundTimes rounds(options.round_times);
    while (!platform::stop_requested() && driver.keep_going() && time_left()) {
        rounds.begin();
        platform::pump_messages();
        if (closed) break;  // the session ended while the messages were dispatched
        watcher.tick();
        names.tick(watcher.lines());
        programs.tick();
        retirement.tick(clock.now_ms(), clock.wall_now());
        console.publish(watcher.lines(), names.cards(), clock);
        printer.show_status(watcher.lines());
        rounds.end();
        driver.wait();
    }
    rounds.report(stdout);
    const bool interrupted = platform::stop_requested();
    close_down(interrupted ? "host stopped" : "end of the run");
    // After the status block is gone: printed without drawing it again.
    const std::string summary = (interrupted ? "stopped: " : "finished: ") + std::to_string(recordings) +
                                " recording" + (recordings == 1 ? "" : "s") + " in " + options.folder;
    std::printf("%s\n", summary.c_str());
    if (driver.log) driver.log->write_line(summary);
    return 0;
}

}  // namespace host
