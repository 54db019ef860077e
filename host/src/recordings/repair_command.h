// The two ways a repair runs: over the recordings folder when the host starts (before
// it opens the library, so no recording of its own is being written), and as
// `vornix_host --repair PATH...`.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "call_log/call_event.h"

namespace host {

// Repairs the folder's recordings: an event for each one repaired, a line on `out`
// for each file left alone or not repaired.
void repair_on_start(const std::string& folder, const CallEventSink& sink, int64_t now_ms, std::FILE* out);

// Repairs files and folders, a line for each file; folders a running host holds are
// left alone. Returns the exit code: 0, or 1 when a path could not be repaired.
int repair_paths(const std::vector<std::string>& paths, std::FILE* out);

}  // namespace host
