#include "trace_file.h"

#include <fstream>
#include <iterator>

namespace vornix::trace {

bool load(const std::string& path, TraceFile& trace) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    trace.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    decode(trace);
    return true;
}

void decode(TraceFile& trace) {
    Reader reader(trace.bytes.data(), trace.bytes.size());
    trace.header_ok = reader.header_ok();
    trace.header = reader.header();
    trace.events.clear();
    Event e;
    while (reader.next(e)) trace.events.push_back(e);
    trace.cut = reader.cut();
    trace.bad = reader.bad();
    trace.end_offset = reader.end_offset();
}

std::string ending(const TraceFile& t) {
    const std::string after = "after record " + std::to_string(t.events.size());
    if (!t.header_ok) return "not a trace of this version (no header)";
    if (t.cut) return "trace ends " + after + " (cut at byte " + std::to_string(t.bytes.size()) + ", whole records end at byte " + std::to_string(t.end_offset) + ")";
    if (t.bad) return "trace damaged at record " + std::to_string(t.events.size() + 1) + " (byte " + std::to_string(t.end_offset) + ")";
    return "";
}

int64_t TraceTime::take(int32_t reading) {
    if (!started_) {
        started_ = true;
        first_ = last_ = reading;
    }
    ms_ += static_cast<uint32_t>(reading) - static_cast<uint32_t>(last_);
    last_ = reading;
    return ms_;
}

}  // namespace vornix::trace
