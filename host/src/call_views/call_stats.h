// The office's figures over the last days: calls by hour of the day and by day (answered,
// missed and out), the answer rate, talk time, the busiest lines and the most frequent
// callers.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "call_views/call_index.h"

namespace host::call_views {

struct CallCounts {
    uint32_t answered = 0, missed = 0, outgoing = 0;
    void add(CallKind kind) { ++(kind == CallKind::Answered ? answered : kind == CallKind::Missed ? missed : outgoing); }
};

struct CallStats {
    long first_day = 0;            // local days since 1970
    std::array<CallCounts, 24> by_hour{};
    std::vector<CallCounts> by_day;  // from first_day on, one per day
    CallCounts total;
    uint64_t talk_seconds = 0;
    uint32_t talked = 0;  // calls with talk time, which the average is over
    std::vector<std::pair<int32_t, uint32_t>> lines;    // box serial, calls; busiest first
    std::vector<std::pair<uint32_t, uint32_t>> callers;  // latest row of the party, calls that rang; most first
};

// The calls that started on the `days` local days up to and including `today`.
CallStats call_stats(const CallIndex& index, long today, int days, size_t top);

}  // namespace host::call_views
