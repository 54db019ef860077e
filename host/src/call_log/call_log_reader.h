// The call log read back, for `--calls` and the web console alike: every row of
// calls.csv kept in one block of text with the fields' places beside it (a year of
// busy lines is a million rows), read on from where the file last ended.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "call_log/call_filter.h"
#include "call_log/call_log.h"

namespace host {

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
    // Every row that matches, in the order the calls started (the log's own order is
    // the order they ended), the log's order among calls that started in the same
    // second. A number is looked for in one pass over all the callers and digits
    // rather than row by row.
    std::vector<uint32_t> matching(const CallFilter& filter) const;
    // Every row in the order the calls started, as matching() gives them.
    const std::vector<uint32_t>& in_start_order() const { return by_start(); }

private:
    struct Row {
        uint64_t at;                   // first field's place in text_
        uint16_t end[kCallColumns];    // where each field ends, from `at`
        uint32_t start_key;            // the start's local time as a number, 0 when none
    };
    static_assert(sizeof(Row) == 32, "the start's key takes the room the places leave");
    static constexpr size_t kMostRowBytes = 65535;  // more is cut off the last fields
    bool matches_but_number(size_t row, const CallFilter& filter) const;
    bool starts_before(uint32_t a, uint32_t b) const;
    // Brings by_start_ up to date with the rows added since it was last asked for.
    const std::vector<uint32_t>& by_start() const;

    std::string text_;
    std::vector<Row> rows_;
    std::string numbers_;               // each row's caller and digits, one row after another
    std::vector<uint32_t> numbers_at_;  // where each row's begin in numbers_
    // Every row in the order the calls started: rows mostly come in nearly that order,
    // so the rows added since are sorted among themselves and merged in where the first
    // of them belongs, near the end.
    mutable std::vector<uint32_t> by_start_;
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
