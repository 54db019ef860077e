#include "call_log/call_log_reader.h"

#include <algorithm>
#include <functional>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "call_log/csv.h"
#include "platform/platform.h"

namespace host {

namespace {
constexpr size_t kChunk = 1 << 20;
constexpr char kNumberGap = '\n';

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
    numbers_at_.push_back(static_cast<uint32_t>(numbers_.size()));
    // Separated so that no number is found across two fields or two rows.
    numbers_.append(field(rows_.size() - 1, CallColumn::Caller)).append(1, kNumberGap);
    numbers_.append(field(rows_.size() - 1, CallColumn::Digits)).append(1, kNumberGap);
    return true;
}

void CallRows::reserve(uint64_t bytes) {
    constexpr uint64_t kShortestRow = 64;
    constexpr uint64_t kNumbersShare = 6;  // caller and digits are less than a sixth of a row
    text_.reserve(static_cast<size_t>(bytes));
    rows_.reserve(static_cast<size_t>(bytes / kShortestRow));
    numbers_at_.reserve(static_cast<size_t>(bytes / kShortestRow));
    numbers_.reserve(static_cast<size_t>(bytes / kNumbersShare));
}

void CallRows::clear() {
    text_.clear();
    rows_.clear();
    numbers_.clear();
    numbers_at_.clear();
}

std::string_view CallRows::field(size_t row, CallColumn column) const {
    const Row& r = rows_[row];
    const auto c = static_cast<size_t>(column);
    const size_t from = c ? r.end[c - 1] : 0;
    return std::string_view(text_).substr(r.at + from, r.end[c] - from);
}

bool CallRows::matches(size_t row, const CallFilter& filter) const {
    if (!matches_but_number(row, filter)) return false;
    return filter.number.empty() || contains(field(row, CallColumn::Caller), filter.number) ||
           contains(field(row, CallColumn::Digits), filter.number);
}

std::vector<uint32_t> CallRows::matching(const CallFilter& filter) const {
    std::vector<uint32_t> found;
    if (filter.number.empty() || filter.number.find(kNumberGap) != std::string::npos) {
        for (size_t row = 0; row < rows_.size(); ++row)
            if (matches(row, filter)) found.push_back(static_cast<uint32_t>(row));
        return found;
    }
    const std::boyer_moore_horspool_searcher search(filter.number.begin(), filter.number.end());
    for (auto at = numbers_.begin();;) {
        at = std::search(at, numbers_.end(), search);
        if (at == numbers_.end()) break;
        const auto offset = static_cast<uint32_t>(at - numbers_.begin());
        const size_t row = static_cast<size_t>(std::upper_bound(numbers_at_.begin(), numbers_at_.end(), offset) -
                                               numbers_at_.begin()) - 1;
        if (matches_but_number(row, filter)) found.push_back(static_cast<uint32_t>(row));
        at = row + 1 < numbers_at_.size() ? numbers_.begin() + numbers_at_[row + 1] : numbers_.end();
    }
    return found;
}

bool CallRows::matches_but_number(size_t row, const CallFilter& filter) const {
    // Local times compare as text; a shorter bound compares with as much of the start.
    const std::string_view start = field(row, CallColumn::Start);
    if (!filter.since.empty() && start.substr(0, filter.since.size()) < filter.since) return false;
    if (!filter.until.empty() && start.substr(0, filter.until.size()) > filter.until) return false;
    return filter.outcome.empty() || field(row, CallColumn::Outcome) == filter.outcome;
}

CallLogReader::CallLogReader(const std::string& folder)
    : path_(platform::path_text(platform::fs_path(folder) / kCallLogName)) {}

bool CallLogReader::refresh() {
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(platform::fs_path(path_), ec);
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
