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

// The library's time in a trace: milliseconds since the trace's first clock reading.
// The clock is a signed 32-bit count that passes 2^31 after 24.8 days and turns over
// after 49.7; each reading moves the time on by its unsigned difference from the one
// before, so that neither sends it back.
class TraceTime {
public:
    // Takes a clock reading; returns the time it stands for.
    int64_t take(int32_t reading);
    int64_t now() const { return ms_; }
    // The first reading, when there was one.
    bool started() const { return started_; }
    int32_t first() const { return first_; }

private:
    bool started_ = false;
    int32_t first_ = 0, last_ = 0;
    int64_t ms_ = 0;
};

}  // namespace vornix::trace
