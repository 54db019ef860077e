// What the boxes of a trace did, as a scenario file for the simulated boxes: plugged
// and pulled boxes with their serial codes, rings with caller ID, off-hook, DTMF,
// hang-ups, faults, and each call's audio as a WAV file.
#pragma once
#include <cstdio>
#include <string>

#include "trace_file.h"

namespace vornix::trace {

// Writes the scenario to `out`; the calls' WAV files go beside `trace_path`, named
// after it. False when a WAV file cannot be written.
bool write_scenario(const TraceFile& trace, const std::string& trace_path, std::FILE* out);

}  // namespace vornix::trace
