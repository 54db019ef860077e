// Exact replay: the native library makes the traced export calls in their order while
// its port is answered from the trace; every request, result and last error must be
// the traced one.
#pragma once
#include <string>

#include "trace_file.h"

namespace vornix::trace {

struct ReplayOutcome {
    bool clean = false;
    std::string report;  // the counts, or the first difference
};

// Replays `trace` (a loaded, whole or cut trace). Files the traced calls record go to
// `scratch_folder`.
// The library keeps state from one session of a process to the next, so the traces of
// one process replay in order in one process: `after_earlier` when the sessions before
// this one have just been replayed, `more_follow` when the next one will be. A later
// session replayed alone starts from a library opened once without boxes, which is as
// near as its own file allows.
ReplayOutcome replay(const TraceFile& trace, const std::string& scratch_folder, bool after_earlier = false,
                     bool more_follow = false);

}  // namespace vornix::trace
