// A trace file read whole and decoded, for the tools.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "trace_format.h"

namespace vornix::trace {

struct TraceFile {
    std::vector<uint8_t> bytes;
    Header header;
    bool header_ok = false;
    std::vector<Event> events;  // events[i] is record i + 1; its bytes point into `bytes`
    bool cut = false;           // ends inside a record (a crash or a copy cut short)
    bool bad = false;           // a record that does not decode
    size_t end_offset = 0;      // where the whole records end
};

// False when the file cannot be read; a cut or damaged trace loads up to its last
// whole record.
bool load(const std::string& path, TraceFile& trace);
void decode(TraceFile& trace);

// "trace ends after record N (cut at byte X)" and the like; empty for a whole trace.
std::string ending(const TraceFile& trace);

}  // namespace vornix::trace
