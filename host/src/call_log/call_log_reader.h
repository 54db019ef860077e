// The call log read back, for `--calls` and the web console alike: every row of
// calls.csv kept in one block of text with the fields' places beside it (a year of
// busy lines is a million rows), read on from where the file last ended.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "call_log/call_log.h"

namespace host {

struct CallFilter {
    std::string number;   // in the caller number or the digits dialled
    std::string since;    // the call started on or after (a prefix of ISO 8601 local time)
    std::string until;    // the call started on or before; a date alone takes in the whole day
    std::string outcome;  // as the log names it; empty: any
};

class CallRows {
public:
    // A record with fewer fields than the log's columns is not a call: false, not kept.
    bool add(const std::vector<std::string>& record);
    void clear();
    // Room for what a log of `bytes` holds, taken from the system only as it is used.
    void reserve(uint64_t bytes);
    size_t size() const { return rows_.size(); }
    std::string_view field(size_t row, CallColumn column) const;
    bool matches(size_t row, const CallFilter& filter) const;
    // Every row that matches, in the log's order. A number is looked for in one pass
    // over all the callers and digits rather than row by row.
    std::vector<uint32_t> matching(const CallFilter& filter) const;

private:
    struct Row {
        uint64_t at;                   // first field's place in text_
        uint16_t end[kCallColumns];    // where each field ends, from `at`
    };
    static constexpr size_t kMostRowBytes = 65535;  // more is cut off the last fields
    bool matches_but_number(size_t row, const CallFilter& filter) const;

    std::string text_;
    std::vector<Row> rows_;
    std::string numbers_;               // each row's caller and digits, one row after another
    std::vector<uint32_t> numbers_at_;  // where each row's begin in numbers_
};

class CallLogReader {
public:
    explicit CallLogReader(const std::string& folder);

    // Reads the rows the file gained since the last refresh (all of them the first time,
    // and again from the start when the file was replaced by a shorter one). A row still
    // being written is read once it is whole. False when there is no log.
    bool refresh();
    const CallRows& rows() const { return rows_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    uint64_t read_to_ = 0;  // end of the last whole row read
    CallRows rows_;
};

}  // namespace host
