// Reads the call log's rows in the order they were written, a bounded piece at a time
// and from where the last read ended, so that a log of many years never holds up the
// loop and rows added since are found next time.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace host {

class CallLogCursor {
public:
    explicit CallLogCursor(std::string path) : path_(std::move(path)) {}

    // The next complete row, the header row left out; false when no further row is
    // complete yet (a row still being written is left for later).
    bool next(std::vector<std::string>* row);

    static constexpr size_t kChunkBytes = 64 * 1024;  // read at most this much at once

private:
    bool fill();

    std::string path_;
    uint64_t offset_ = 0;  // bytes of the file already taken into rows
    std::deque<std::vector<std::string>> rows_;
};

}  // namespace host
