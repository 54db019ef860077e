// Trace events in words, for the timeline and for the replay's differences.
#pragma once
#include <cstdint>
#include <string>

#include "trace_format.h"

namespace vornix::trace {

// The export's name for its ordinal, or "#<ordinal>".
std::string export_name(uint16_t ordinal);

// One event in words. Without the answer: only what the library asked (the open's
// slot, the control's code and input, the read's size), as the replay compares it.
std::string describe(const Event& event, bool with_answer = true);

}  // namespace vornix::trace
