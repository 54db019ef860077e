// Retirement of old recordings: deletes the recordings of calls older than a number of
// days and, while the disk is short of room, the oldest ones, before the space guard
// would have to stop recording new calls. Only recordings that this recorder's call
// log names in its own folder are ever deleted; the call log keeps their rows.
//
// The call log is read in the order its rows were written, a bounded piece per round,
// so that a folder of years never holds up the loop; of the recordings read and not yet
// retired a bounded number is held, and the one whose call started first goes first
// (so a long call, or a row dated ahead by a wrong clock, holds up no other).
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "call_log/call_event.h"
#include "call_log/call_log_cursor.h"

namespace host {

struct RetirementConfig {
    std::string folder;
    int keep_days = 0;              // 0: no age limit
    uint64_t keep_free_bytes = 0;   // 0: no room kept
    // The folder's free space now; by default read from the disk.
    std::function<uint64_t()> free_bytes;
    // True for the file name of a recording being written now.
    std::function<bool(const std::string&)> recording;
    // Real milliseconds, for the time a round may take; by default the system's.
    std::function<int64_t()> real_ms;
};

class Retirement {
public:
    Retirement(RetirementConfig config, CallEventSink sink);

    bool enabled() const { return config_.keep_days > 0 || config_.keep_free_bytes > 0; }

    // Does a round when one is due: at the first call, about once a minute, and on
    // every call while the last round left work over.
    void tick(int64_t now_ms, std::chrono::system_clock::time_point wall_now);

    static constexpr int kDeletionsPerRound = 8;
    static constexpr int kWorkPerRound = 2000;  // rows read and files looked at
    static constexpr size_t kHeld = 10000;      // recordings read and not yet due
    // A busy disk can take long over one deletion: a round stops once it took this long.
    static constexpr int64_t kRoundMs = 10;
    static constexpr int64_t kCheckEveryMs = 60 * 1000;

private:
    void round(int64_t now_ms, std::chrono::system_clock::time_point wall_now);
    // Reads rows into held_ until it is full or `work` runs out; false when it ran out.
    bool read_rows(int* work);
    // Deletes the recording; the bytes it freed, or nothing when it was not deleted.
    std::optional<uint64_t> retire(const std::string& name, int64_t now_ms, const std::string& why);
    void report(CallEventKind kind, int64_t now_ms, const std::string& file, const std::string& note);

    RetirementConfig config_;
    CallEventSink sink_;
    CallLogCursor cursor_;
    std::multimap<std::chrono::system_clock::time_point, std::string> held_;  // start -> file name
    size_t start_column_, file_column_;
    bool checked_ = false;
    bool backlog_ = false;
    int64_t checked_at_ms_ = 0;
};

}  // namespace host
