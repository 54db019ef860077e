// vornix_host: records every answered call on every line box.
#include <cstdio>
#include <string>

#include "call_table.h"
#include "host_loop.h"
#include "host_options.h"
#include "platform.h"
#include "recording_name.h"
#include "repair_command.h"

namespace {
#if defined(HOST_WITH_SIM)
constexpr bool kWithSim = true;
#else
constexpr bool kWithSim = false;
#endif
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;
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
    if (options.mode == host::HostOptions::Mode::Calls)
        return host::print_calls(options.folder, {options.number, options.since, options.until, ""}, stdout);
    if (options.mode == host::HostOptions::Mode::Repair) return host::repair_paths(options.repair_paths, stdout);

    std::string reason;
    if (!host::make_folder(options.folder, &reason)) {
        std::fprintf(stderr, "%s: cannot create %s: %s\n", program, options.folder.c_str(), reason.c_str());
        return kExitFailure;
    }
    // One host per folder: a second one would repair and log under the first one's hands.
    const host::platform::FolderLock lock(options.folder);
    if (lock.busy()) {
        std::fprintf(stderr, "%s: another vornix_host records into %s\n", program, options.folder.c_str());
        return kExitFailure;
    }
    if (!lock.held())
        std::fprintf(stderr, "%s: warning: cannot make the lock file in %s\n", program, options.folder.c_str());
    host::platform::install_stop_handler();
    // The loop writes to the console every round: a selection there would stop it.
    const host::platform::ConsoleSelectionOff selection_off;
    return host::run_host(options);
}
