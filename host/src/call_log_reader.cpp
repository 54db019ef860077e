#include "call_log_reader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "csv.h"

namespace host {

namespace {
constexpr size_t kChunk = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool contains(std::string_view text, const std::string& part) { return text.find(part) != std::string_view::npos; }
}  // namespace

bool CallRows::add(const std::vector<std::string>& record) {
    if (record.size() < kCallColumns) return false;
    Row row{text_.size(), {}};
    size_t used = 0;
    for (size_t c = 0; c < kCallColumns; ++c) {
        // Fields longer than any the host writes are cut rather than let wrap the places.
        const size_t n = std::min(record[c].size(), kMostRowBytes - used);
        text_.append(record[c], 0, n);
        used += n;
        row.end[c] = static_cast<uint16_t>(used);
    }
    rows_.push_back(row);
    return true;
}

void CallRows::reserve(uint64_t bytes) {
    constexpr uint64_t kShortestRow = 64;
    text_.reserve(static_cast<size_t>(bytes));
    rows_.reserve(static_cast<size_t>(bytes / kShortestRow));
}

void CallRows::clear() {
    text_.clear();
    rows_.clear();
}

std::string_view CallRows::field(size_t row, CallColumn column) const {
    const Row& r = rows_[row];
    const auto c = static_cast<size_t>(column);
    const size_t from = c ? r.end[c - 1] : 0;
    return std::string_view(text_).substr(r.at + from, r.end[c] - from);
}

bool CallRows::matches(size_t row, const CallFilter& filter) const {
    // Cheapest first: a year's log is searched whole for every page.
    // Local times compare as text; a shorter bound compares with as much of the start.
    const std::string_view start = field(row, CallColumn::Start);
    if (!filter.since.empty() && start.substr(0, filter.since.size()) < filter.since) return false;
    if (!filter.until.empty() && start.substr(0, filter.until.size()) > filter.until) return false;
    if (!filter.outcome.empty() && field(row, CallColumn::Outcome) != filter.outcome) return false;
    if (!filter.number.empty() && !contains(field(row, CallColumn::Caller), filter.number) &&
        !contains(field(row, CallColumn::Digits), filter.number))
        return false;
    return true;
}

CallLogReader::CallLogReader(const std::string& folder)
    : path_((std::filesystem::path(folder) / kCallLogName).string()) {}

bool CallLogReader::refresh() {
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path_, ec);
    if (ec) return false;
    if (size < read_to_) {
        read_to_ = 0;
        rows_.clear();
    }
    if (size == read_to_) return true;
    if (rows_.size() == 0) rows_.reserve(size);
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path_.c_str(), "rb"));
    if (!in) return false;
    // Read in chunks: the log can be far larger than what is kept of it.
    if (std::fseek(in.get(), static_cast<long>(read_to_), SEEK_SET) != 0) return false;
    std::string text;
    std::vector<std::string> record;
    for (;;) {
        const size_t old = text.size();
        text.resize(old + kChunk);
        text.resize(old + std::fread(&text[old], 1, kChunk, in.get()));
        if (text.size() == old) break;
        size_t pos = 0;
        for (size_t from = 0; csv_next_record(text, &pos, false, &record); from = pos) {
            const bool header = read_to_ == 0 && from == 0 && record == call_log_columns();
            if (!header) rows_.add(record);
        }
        read_to_ += pos;
        text.erase(0, pos);
    }
    return true;
}

}  // namespace host
