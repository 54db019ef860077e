// vornix_trace: what a field trace holds, replayed, shown or turned into a scenario.
//   vornix_trace replay FILE     the native library against the trace; exit 0 when clean
//   vornix_trace show FILE       the trace as a timeline
//   vornix_trace scenario FILE   a scenario of what the boxes did (WAV files beside FILE)
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "replay.h"
#include "trace_file.h"
#include "trace_scenario.h"
#include "trace_text.h"

namespace {

using namespace vornix::trace;

int usage() {
    std::fprintf(stderr, "usage: vornix_trace replay|show|scenario FILE\n");
    return 2;
}

int show(const TraceFile& t) {
    long long clock = 0;
    std::printf("trace version %u, started %lld (Unix time), audio %s\n", t.header.version,
                static_cast<long long>(t.header.start_unix_seconds),
                t.header.flags & kFlagAudioSummarized ? "as length and checksum" : "whole");
    for (size_t i = 0; i < t.events.size(); ++i) {
        const Event& e = t.events[i];
        if (e.type == Type::Clock) clock = e.value;
        const bool indented = e.type != Type::Call && e.type != Type::Hotplug;
        std::printf("%7zu %9.3f s  %s%s\n", i + 1, clock / 1000.0, indented ? "  " : "", describe(e).c_str());
    }
    const std::string end = ending(t);
    if (!end.empty()) std::printf("%s\n", end.c_str());
    return 0;
}

int run_replay(const TraceFile& t) {
    namespace fs = std::filesystem;
    const fs::path scratch = fs::temp_directory_path() / ("vornix-replay-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const ReplayOutcome out = replay(t, scratch.string());
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    std::printf("%s\n", out.report.c_str());
    return out.clean ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return usage();
    TraceFile t;
    if (!load(argv[2], t)) {
        std::fprintf(stderr, "vornix_trace: cannot read %s\n", argv[2]);
        return 2;
    }
    if (!t.header_ok) {
        std::fprintf(stderr, "vornix_trace: %s: %s\n", argv[2], ending(t).c_str());
        return 2;
    }
    const std::string command = argv[1];
    if (command == "replay") return run_replay(t);
    if (command == "show") return show(t);
    if (command == "scenario") return write_scenario(t, argv[2], stdout) ? 0 : 1;
    return usage();
}
