// vornix_trace: what a field trace holds, replayed, shown or turned into a scenario.
//   vornix_trace replay FILE...  the native library against the trace (the traces of
//                                one process in session order); exit 0 when clean
//   vornix_trace show FILE       the trace as a timeline
//   vornix_trace scenario FILE   a scenario of what the boxes did (WAV files beside FILE)
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include <unistd.h>

#include "replay.h"
#include "trace_file.h"
#include "trace_scenario.h"
#include "trace_text.h"

namespace {

using namespace vornix::trace;

int usage() {
    std::fprintf(stderr, "usage: vornix_trace replay FILE... | show FILE | scenario FILE\n");
    return 2;
}

int show(const TraceFile& t) {
    TraceTime time;
    std::printf("trace version %u, started %lld (Unix time), audio %s\n", t.header.version,
                static_cast<long long>(t.header.start_unix_seconds),
                t.header.flags & kFlagAudioSummarized ? "as length and checksum" : "whole");
    for (size_t i = 0; i < t.events.size(); ++i) {
        const Event& e = t.events[i];
        if (e.type == Type::Clock) time.take(static_cast<int32_t>(e.value));
        const bool indented = e.type != Type::Call && e.type != Type::Hotplug;
        std::printf("%7zu %9.3f s  %s%s\n", i + 1, static_cast<double>(time.now()) / 1000.0, indented ? "  " : "", describe(e).c_str());
    }
    const std::string end = ending(t);
    if (!end.empty()) std::printf("%s\n", end.c_str());
    return 0;
}

// The traces of one process, in the order of their sessions.
int run_replay(std::vector<TraceFile>& traces) {
    namespace fs = std::filesystem;
    const fs::path scratch = fs::temp_directory_path() / ("vornix-replay-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    bool clean = true;
    for (size_t i = 0; i < traces.size() && clean; ++i) {
        const ReplayOutcome out = replay(traces[i], scratch.string(), i > 0, i + 1 < traces.size());
        if (traces.size() > 1) std::printf("session %u: ", traces[i].header.session);
        std::printf("%s\n", out.report.c_str());
        clean = out.clean;
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return clean ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    if (command != "replay" && argc != 3) return usage();
    std::vector<TraceFile> traces(static_cast<size_t>(argc - 2));
    for (int i = 2; i < argc; ++i) {
        TraceFile& t = traces[static_cast<size_t>(i - 2)];
        if (!load(argv[i], t)) {
            std::fprintf(stderr, "vornix_trace: cannot read %s\n", argv[i]);
            return 2;
        }
        if (!t.header_ok) {
            std::fprintf(stderr, "vornix_trace: %s: %s\n", argv[i], ending(t).c_str());
            return 2;
        }
    }
    if (command == "replay") return run_replay(traces);
    if (command == "show") return show(traces[0]);
    if (command == "scenario") return write_scenario(traces[0], argv[2], stdout) ? 0 : 1;
    return usage();
}
