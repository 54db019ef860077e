// The call log: calls.csv in the recordings folder, one RFC 4180 row per call that
// ended, appended and put on the disk row by row, so that a crash or a power cut never
// loses the row of a call that ended before it.
#pragma once
#include <string>
#include <vector>

#include "call_log/call_event.h"

namespace host {

constexpr const char* kCallLogName = "calls.csv";
// Beside it, the rows the log could not take when the host stopped (the log held open
// by another program): the same columns. They go into the log at the next start, or
// once the log can be written again.
constexpr const char* kUnwrittenLogName = "calls-unwritten.csv";

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
    // file. False when the file cannot be written: the file is left as it was and the
    // rows are kept for the next try.
    bool append(const CallRecord& r);
    // Keeps the row for the next write: the rows of calls that end together take one sync.
    void keep(const CallRecord& r);
    // Writes every row kept and syncs once. False when the file cannot be written.
    bool flush() { return write_rows(path_, &pending_); }
    // Writes the rows still kept into the side file; false when that fails too.
    bool set_aside() { return pending_.empty() || write_rows(aside_path_, &pending_); }
    // Brings the side file's rows back: appends, in their order, those the log does not
    // hold yet, then removes the side file. A crash at any point costs no row and
    // doubles none: the next try finds in the log what it added before. The rows
    // added; -1 when the log or the side file cannot be used now (try again later).
    int bring_back();
    // True until the side file is brought back (or found not to be there).
    bool aside_waiting() const { return aside_waiting_; }
    // Rows not yet in the file, as CSV records.
    const std::vector<std::string>& unwritten() const { return pending_; }
    const std::string& path() const { return path_; }
    const std::string& aside_path() const { return aside_path_; }

private:
    // Appends the rows (CSV records) to the file and syncs it; they are cleared once there.
    bool write_rows(const std::string& to, std::vector<std::string>* rows);

    std::string path_;
    std::string aside_path_;
    std::vector<std::string> pending_;
    bool aside_waiting_ = true;
};

}  // namespace host
