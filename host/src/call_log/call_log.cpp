#include "call_log/call_log.h"

#include <cmath>
#include <iterator>
#include <filesystem>
#include <memory>

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

bool CallLog::write_pending(const std::string& to) {
    std::string text;
    if (!tail_fix(to, &text)) return false;
    std::error_code ec;
    const bool existed = std::filesystem::exists(platform::fs_path(to), ec);
    const auto length = existed ? std::filesystem::file_size(platform::fs_path(to), ec) : 0;
    if (ec) return false;
    for (const auto& row : pending_) text += row;
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
    pending_.clear();
    return true;
}

}  // namespace host
