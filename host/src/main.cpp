// vornix_host: records every answered call on every line box.
#include <cstdio>
#include <memory>
#include <string>

#include "call_log/call_table.h"
#include "loop/caller_names.h"
#include "loop/host_loop.h"
#include "notes/call_notes.h"
#include "options/host_options.h"
#include "platform/platform.h"
#include "recordings/recording_name.h"
#include "recordings/repair_command.h"
#include "unattended/host_log.h"
#include "unattended/service.h"

namespace {
#if defined(HOST_WITH_SIM)
constexpr bool kWithSim = true;
#else
constexpr bool kWithSim = false;
#endif
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;
// How long --calls gives the database to name one caller.
constexpr int kCallsNameWaitMs = 6000;

// Records into the folder until stopped; `hooks.failed` learns why it could not start,
// `hooks.started` that it did.
int record(const host::HostOptions& options, const host::RecordHooks& hooks) {
    const std::string& folder = options.folder;
    std::unique_ptr<host::HostLog> log;
    auto fail = [&](const std::string& why) {
        if (log) log->write_line(why);
        hooks.failed(why);
        return kExitFailure;
    };
    std::string reason;
    if (!host::make_folder(folder, &reason)) return fail("cannot create " + folder + ": " + reason);
    if (hooks.to_host_log) {
        log = std::make_unique<host::HostLog>(folder);
        if (!log->is_open()) {
            log.reset();
            return fail("cannot write " + std::string(host::HostLog::kName) + " in " + folder);
        }
    }
    // One host per folder: a second one would repair and log under the first one's hands.
    const host::platform::FolderLock lock(folder);
    if (lock.busy()) return fail("another vornix_host records into " + folder);
    if (!lock.held()) {
        const std::string warning = "warning: cannot make the lock file in " + folder;
        std::fprintf(stderr, "%s\n", warning.c_str());
        if (log) log->write_line(warning);
    }
    host::platform::install_stop_handler();
    // The loop writes to the console every round: a selection there would stop it.
    const host::platform::ConsoleSelectionOff selection_off;
    // Started once the loop is about to run; a failure on the way there counts as one too.
    return host::run_host(options, log.get(), {hooks.started, [&](const std::string& why) { fail(why); }});
}
}  // namespace

int main(int argc, char** argv) {
    const char* program = argc > 0 && argv[0] ? argv[0] : "vornix_host";
    host::HostOptions options;
    std::string error;
    if (!host::parse_options(argc, argv, kWithSim, &options, &error)) {
        std::fprintf(stderr, "%s: %s (see --help)\n", program, error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(host::help_text(program, kWithSim).c_str(), stdout);
        return 0;
    }
    if (options.mode == host::HostOptions::Mode::Calls) {
        host::CallFilter filter;
        host::FilterRefusal refusal;
        if (!host::read_filter({options.number, options.since, options.until, options.outcome}, &filter, &refusal)) {
            std::fprintf(stderr, "%s: --%s: %s (see --help)\n", program, refusal.field.c_str(), refusal.message.c_str());
            return kExitUsage;
        }
        host::NoteFilter by_note;
        if (!host::read_note_filter(options.note, options.mark, &by_note, &refusal)) {
            std::fprintf(stderr, "%s: --%s: %s (see --help)\n", program, refusal.field.c_str(), refusal.message.c_str());
            return kExitUsage;
        }
        // The notes as the file says them now: one a recorder writes meanwhile is read
        // up to its last whole record.
        host::CallNotes notes(options.folder);
        if (!notes.load()) std::fprintf(stderr, "%s: cannot read %s: calls shown without notes\n", program, notes.path().c_str());
        std::string key;
        host::TableExtras extras{{"mark", "note"}, [&](const host::CallRows& rows, size_t row, std::vector<std::string>* cells) {
                                     host::row_key(rows, row, &key);
                                     const auto note = notes.find(key);
                                     if (!host::note_matches(by_note, note ? &*note : nullptr)) return false;
                                     if (note) *cells = {host::mark_code(note->mark), note->note};
                                     return true;
                                 }};
        if (options.phonebooks.empty() && options.customers_odbc.empty())
            return host::print_calls(options.folder, filter, stdout, extras);
        // The names as the recorder would show them; what cannot be read is said on stderr.
        const host::HostClock clock([] { return host::platform::monotonic_ms(); });
        host::CallerNames names(options, clock, [](const host::CallEvent& e) {
            std::fprintf(stderr, "%s: %s\n", e.file.c_str(), e.note.c_str());
        });
        if (!names.start(&error, 0)) {
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            return kExitFailure;
        }
        return host::print_calls(options.folder, filter, stdout, extras, [&](std::string_view caller) {
            return names.name_now(caller, kCallsNameWaitMs);
        });
    }
    if (options.mode == host::HostOptions::Mode::Repair) return host::repair_paths(options.repair_paths, stdout);

#if defined(_WIN32)
    if (options.mode == host::HostOptions::Mode::Service) return host::service_command(options);
    if (options.service == "run") return host::run_service([&](const host::RecordHooks& hooks) { return record(options, hooks); });
#endif
    host::RecordHooks hooks;
    hooks.failed = [program](const std::string& why) { std::fprintf(stderr, "%s: %s\n", program, why.c_str()); };
    return record(options, hooks);
}
