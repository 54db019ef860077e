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

// YYYY-MM-DDTHH:MM:SS as one number that orders as the text does, from 2000 for 133
// years; 0 for anything else.
uint32_t start_key(std::string_view start) {
    static const std::string_view shape = "dddd-dd-ddTdd:dd:dd";
    if (start.size() < shape.size()) return 0;
    uint32_t field[6] = {}, n = 0;
    for (size_t i = 0; i < shape.size(); ++i) {
        const char c = start[i];
        if (shape[i] != 'd') {
            if (c != shape[i]) return 0;
            ++n;
        } else if (c < '0' || c > '9') {
            return 0;
        } else {
            field[n] = field[n] * 10 + static_cast<uint32_t>(c - '0');
        }
    }
    if (field[0] < 2000 || field[0] >= 2133) return 0;
    const uint32_t day = ((field[0] - 2000) * 12 + (field[1] - 1)) * 31 + (field[2] - 1);
    return ((day * 24 + field[3]) * 60 + field[4]) * 60 + field[5];
}
}  // namespace

bool CallRows::add(const std::vector<std::string>& record) {
    if (record.size() < kCallColumns) return false;
    Row row{text_.size(), {}, 0};
    size_t used = 0;
    for (size_t c = 0; c < kCallColumns; ++c) {
        // Fields longer than any the host writes are cut rather than let wrap the places.
        const size_t n = std::min(record[c].size(), kMostRowBytes - used);
        text_.append(record[c], 0, n);
        used += n;
        row.end[c] = static_cast<uint16_t>(used);
    }
    rows_.push_back(row);
    rows_.back().start_key = start_key(field(rows_.size() - 1, CallColumn::Start));
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
    by_start_.reserve(static_cast<size_t>(bytes / kShortestRow));
    numbers_.reserve(static_cast<size_t>(bytes / kNumbersShare));
}

void CallRows::clear() {
    text_.clear();
    rows_.clear();
    numbers_.clear();
    numbers_at_.clear();
    by_start_.clear();
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

bool CallRows::starts_before(uint32_t a, uint32_t b) const {
    return rows_[a].start_key < rows_[b].start_key || (rows_[a].start_key == rows_[b].start_key && a < b);
}

const std::vector<uint32_t>& CallRows::by_start() const {
    const size_t ordered = by_start_.size();
    if (ordered == rows_.size()) return by_start_;
    for (size_t row = ordered; row < rows_.size(); ++row) by_start_.push_back(static_cast<uint32_t>(row));
    const auto before = [this](uint32_t a, uint32_t b) { return starts_before(a, b); };
    const auto added = by_start_.begin() + static_cast<std::ptrdiff_t>(ordered);
    if (!std::is_sorted(added, by_start_.end(), before)) std::sort(added, by_start_.end(), before);
    std::inplace_merge(std::upper_bound(by_start_.begin(), added, *added, before), added, by_start_.end(), before);
    return by_start_;
}

std::vector<uint32_t> CallRows::matching(const CallFilter& filter) const {
    std::vector<uint32_t> found;
    const std::vector<uint32_t>& order = by_start();
    if (filter.number.empty() || filter.number.find(kNumberGap) != std::string::npos) {
        for (uint32_t row : order)
            if (matches(row, filter)) found.push_back(row);
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
    // Found in the log's order: a few are sorted, many picked out of the start order.
    constexpr size_t kSortedShare = 16;
    if (found.size() * kSortedShare < order.size()) {
        std::sort(found.begin(), found.end(), [this](uint32_t a, uint32_t b) { return starts_before(a, b); });
        return found;
    }
    std::vector<bool> hit(rows_.size());
    for (uint32_t row : found) hit[row] = true;
    found.clear();
    for (uint32_t row : order)
        if (hit[row]) found.push_back(row);
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
