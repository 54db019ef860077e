// Retirement of old recordings: deletes the recordings of calls older than a number of
// days and, while the disk is short of room, the oldest ones, before the space guard
// would have to stop recording new calls. Only recordings that this recorder's call
// log names in its own folder are ever deleted; the call log keeps their rows.
//
// The call log is read in the order its rows were written, a bounded piece per round,
// so that a folder of years never holds up the loop; of the recordings read and not yet
// retired a bounded number is held, and the one whose call started first goes first
// (so a long call, or a row dated ahead by a wrong clock, holds up no other). The
// deletions themselves run on a thread of their own (FileDeleter).
//
// A call's age is counted to the clock, but never past the newest call in the log, nor
// further from the time it was first read to its end than the recorder has run since:
// a clock set years ahead by mistake, before the start or while it runs, makes no
// recording old (and is reported once).
#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "call_log/call_event.h"
#include "call_log/call_log_cursor.h"
#include "recordings/file_deleter.h"

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
    // How a file is removed, on the deletions' thread; by default std::filesystem's.
    FileDeleter::Remove remove;
};

class Retirement {
public:
    using WallTime = std::chrono::system_clock::time_point;

    Retirement(RetirementConfig config, CallEventSink sink);

    bool enabled() const { return config_.keep_days > 0 || config_.keep_free_bytes > 0; }

    // Takes in the deletions done since, then does a round when one is due: at the first
    // call, about once a minute, and on every call while the last round left work over.
    void tick(int64_t now_ms, WallTime wall_now);
    // Takes in the deletions done since (tick does it first).
    void collect(int64_t now_ms);
    // Files handed to the deletions' thread whose end is not known yet.
    bool deleting() const { return !handed_.empty(); }

    static constexpr int kDeletionsPerRound = 8;
    static constexpr int kWorkPerRound = 2000;  // rows read and files looked at
    static constexpr size_t kHeld = 10000;      // recordings read and not yet due
    static constexpr int64_t kRoundMs = 10;     // a round reading a slow log stops then
    static constexpr int64_t kCheckEveryMs = 60 * 1000;
    // A recording that could not be deleted (held open) is tried again this much later.
    static constexpr int64_t kRetryAfterMs = 10 * 60 * 1000;

private:
    struct Held {
        std::string name;
        bool tried = false;  // its deletion failed before (said once)
    };
    struct Handed {
        WallTime start;
        std::string why;
        bool tried = false;
        bool for_room = false;
    };
    struct Retry {
        WallTime start;
        std::string name;
        int64_t due_ms = 0;
    };

    void round(int64_t now_ms, WallTime wall_now);
    // Reads rows into held_ until it is full or `work` runs out; false when it ran out.
    bool read_rows(int* work);
    // The time calls' ages are counted to (see above).
    WallTime age_reference(int64_t now_ms, WallTime wall_now);
    void report(CallEventKind kind, int64_t now_ms, const std::string& file, const std::string& note);
    std::string path_text(const std::string& name) const;

    RetirementConfig config_;
    CallEventSink sink_;
    CallLogCursor cursor_;
    std::multimap<WallTime, Held> held_;  // by the call's start
    std::map<std::string, Handed> handed_;
    std::deque<Retry> retries_;           // in the order they fall due
    std::vector<FileDeleter::Done> done_;
    size_t start_column_, file_column_;
    bool checked_ = false;
    bool backlog_ = false;
    bool room_pending_ = false;  // a recording handed over to make room, not yet gone
    int64_t checked_at_ms_ = 0;
    // The age reference's anchors.
    std::optional<WallTime> newest_;  // the newest call's start read
    bool read_to_end_ = false;
    std::optional<WallTime> anchor_;  // the reference when the log was first read to its end
    int64_t anchor_ms_ = 0;
    bool anchored_to_log_ = false;    // the clock was too far past the newest call then
    bool clock_reported_ = false;
    FileDeleter deleter_;  // last: its thread goes first
};

}  // namespace host
