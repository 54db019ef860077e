#include "call_log/call_log.h"

#include <cmath>
#include <iterator>
#include <filesystem>
#include <memory>
#include <set>

#include "call_log/call_log_cursor.h"
#include "call_log/csv.h"
#include "call_log/time_text.h"
#include "platform/platform.h"

namespace host {

namespace {
constexpr char kQuote = '"';

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr long kTailBytes = 4096;  // longer than any row

// What the file's end needs before the next row: the header row when the file is
// missing or empty; after a power cut in the middle of a row, the end of that row
// (its open quote closed, so that it cannot swallow the rows after it).
bool tail_fix(const std::string& path, std::string* fix) {
    fix->clear();
    std::error_code ec;
    const auto size = std::filesystem::file_size(platform::fs_path(path), ec);
    if (ec || size == 0) {
        *fix = csv_record(call_log_columns());
        return true;
    }
    File in(std::fopen(path.c_str(), "rb"));
    if (!in) return false;
    const long tail = size < static_cast<uintmax_t>(kTailBytes) ? static_cast<long>(size) : kTailBytes;
    std::string bytes(static_cast<size_t>(tail), '\0');
    if (std::fseek(in.get(), -tail, SEEK_END) != 0 || std::fread(&bytes[0], 1, bytes.size(), in.get()) != bytes.size())
        return false;
    if (bytes.back() == '\n') return true;
    const size_t row_start = bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n') + 1;
    size_t quotes = 0;
    for (size_t i = row_start; i < bytes.size(); ++i) quotes += bytes[i] == kQuote;
    if (quotes % 2) *fix += kQuote;
    *fix += "\r\n";
    return true;
}
}  // namespace

const std::vector<std::string>& call_log_columns() {
    static const char* const names[] = {"start",  "end",    "slot",    "box",     "direction",
                                        "caller", "digits", "outcome", "seconds", "file"};
    static_assert(std::size(names) == kCallColumns, "one name per column");
    static const std::vector<std::string> columns(std::begin(names), std::end(names));
    return columns;
}

std::vector<std::string> call_row(const CallRecord& r) {
    const long long seconds = std::llround(static_cast<double>(r.talk_ms) / 1000.0);
    return {iso8601_local(r.start),
            iso8601_local(r.end),
            std::to_string(r.slot),
            std::to_string(r.serial),
            r.incoming ? "incoming" : "outgoing",
            r.caller,
            r.digits,
            outcome_name(r.outcome),
            std::to_string(seconds),
            r.file.empty() ? "" : platform::path_text(platform::fs_path(r.file).filename())};
}

CallLog::CallLog(std::string folder)
    : path_(platform::path_text(platform::fs_path(folder) / kCallLogName)),
      aside_path_(platform::path_text(platform::fs_path(folder) / kUnwrittenLogName)) {}

bool CallLog::append(const CallRecord& r) {
    keep(r);
    return flush();
}

void CallLog::keep(const CallRecord& r) { pending_.push_back(csv_record(call_row(r))); }

int CallLog::bring_back() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(platform::fs_path(aside_path_), ec)) {
        aside_waiting_ = ec.value() != 0;
        return aside_waiting_ ? -1 : 0;
    }
    std::string text;
    {
        File in(std::fopen(aside_path_.c_str(), "rb"));
        if (!in) return -1;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;) text.append(buffer, n);
        if (std::ferror(in.get())) return -1;
    }
    // Rows set aside and already in the log (added before a crash, or by hand) are
    // left out, each as often as the log holds it.
    std::multiset<std::vector<std::string>> set_aside_rows;
    const auto rows = parse_csv(text);
    for (const auto& row : rows)
        if (row != call_log_columns()) set_aside_rows.insert(row);
    CallLogCursor in_log(path_);
    for (std::vector<std::string> row; !set_aside_rows.empty() && in_log.next(&row);) {
        const auto found = set_aside_rows.find(row);
        if (found != set_aside_rows.end()) set_aside_rows.erase(found);
    }
    std::vector<std::string> missing;
    for (const auto& row : rows) {
        const auto left = set_aside_rows.find(row);
        if (left == set_aside_rows.end()) continue;
        missing.push_back(csv_record(row));
        set_aside_rows.erase(left);
    }
    const int added = static_cast<int>(missing.size());
    if (!missing.empty() && !write_rows(path_, &missing)) return -1;
    // A side file that stays (held open) holds only rows the log has now: the next
    // start finds them there and removes it then.
    aside_waiting_ = false;
    fs::remove(platform::fs_path(aside_path_), ec);
    return added;
}

bool CallLog::write_rows(const std::string& to, std::vector<std::string>* rows) {
    std::string text;
    if (!tail_fix(to, &text)) return false;
    std::error_code ec;
    const bool existed = std::filesystem::exists(platform::fs_path(to), ec);
    const auto length = existed ? std::filesystem::file_size(platform::fs_path(to), ec) : 0;
    if (ec) return false;
    for (const auto& row : *rows) text += row;
    bool written = false;
    {
        File out(std::fopen(to.c_str(), "ab"));
        if (!out) return false;
        written = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size() && platform::sync_file(out.get());
    }
    if (!written) {
        // A disk that fills up in the middle of the rows: what landed is taken back, so
        // that the retry writes every row once and whole.
        if (existed) std::filesystem::resize_file(platform::fs_path(to), length, ec);
        else std::filesystem::remove(platform::fs_path(to), ec);
        return false;
    }
    rows->clear();
    return true;
}

}  // namespace host
