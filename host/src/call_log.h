// The call log: calls.csv in the recordings folder, one RFC 4180 row per call that
// ended, appended and put on the disk row by row, so that a crash or a power cut never
// loses the row of a call that ended before it.
#pragma once
#include <string>
#include <vector>

#include "call_event.h"

namespace host {

constexpr const char* kCallLogName = "calls.csv";

// The columns, in order.
enum class CallColumn { Start, End, Slot, Box, Direction, Caller, Digits, Outcome, Seconds, File, Count };
constexpr size_t kCallColumns = static_cast<size_t>(CallColumn::Count);

// Column names, in order, as the header row gives them.
const std::vector<std::string>& call_log_columns();

// The row's fields: ISO 8601 local times, whole seconds off-hook, the caller and the
// digits as the box gave them, the recording's file name without its folder.
std::vector<std::string> call_row(const CallRecord& r);

class CallLog {
public:
    explicit CallLog(std::string folder);

    // Appends the row (and any earlier rows that could not be written) and syncs the
    // file. False when the file cannot be written; the rows are kept for the next try.
    bool append(const CallRecord& r);
    // Rows not yet in the file, as CSV records.
    const std::vector<std::string>& unwritten() const { return pending_; }
    const std::string& path() const { return path_; }

private:
    bool write_pending();

    std::string path_;
    std::vector<std::string> pending_;
};

}  // namespace host
