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
ReplayOutcome replay(const TraceFile& trace, const std::string& scratch_folder);

}  // namespace vornix::trace
