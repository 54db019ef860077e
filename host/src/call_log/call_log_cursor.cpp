#include "call_log/call_log_cursor.h"

#include <filesystem>
#include <fstream>

#include "call_log/call_log.h"
#include "call_log/csv.h"
#include "platform/platform.h"

namespace host {

bool CallLogCursor::next(std::vector<std::string>* row) {
    if (rows_.empty() && !fill()) return false;
    *row = std::move(rows_.front());
    rows_.pop_front();
    return true;
}

bool CallLogCursor::fill() {
    std::error_code ec;
    // The path is in the system's code page: std::filesystem takes it only through
    // fs_path (as a plain string a Chinese folder name fails on Windows).
    const uint64_t size = std::filesystem::file_size(platform::fs_path(path_), ec);
    if (ec) return false;
    if (size < offset_) offset_ = 0;  // a new log in place of the old one
    if (size == offset_) return false;
    std::ifstream in(path_, std::ios::binary);
    if (!in.seekg(static_cast<std::streamoff>(offset_))) return false;
    std::string bytes(static_cast<size_t>(std::min<uint64_t>(size - offset_, kChunkBytes)), '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));

    // Only whole rows: up to the last line end outside quotes.
    size_t end = 0;
    bool quoted = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '"') quoted = !quoted;
        if (bytes[i] == '\n' && !quoted) end = i + 1;
    }
    if (end == 0) {
        // A full piece without a row end is no row the host wrote: passed over.
        if (bytes.size() == kChunkBytes) offset_ += kChunkBytes;
        return false;
    }
    bool header = offset_ == 0;
    offset_ += end;
    bytes.resize(end);
    for (auto& row : parse_csv(bytes)) {
        if (!(header && row == call_log_columns())) rows_.push_back(std::move(row));
        header = false;
    }
    return !rows_.empty();
}

}  // namespace host
