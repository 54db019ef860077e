#include "unattended/host_log.h"

#include <system_error>

#include "platform/platform.h"

namespace host {

HostLog::HostLog(const std::string& folder, uint64_t max_bytes, Rename rename)
    : path_(platform::path_text(platform::fs_path(folder) / kName)), max_bytes_(max_bytes), rename_(std::move(rename)) {
    if (!rename_) {
        rename_ = [](const std::filesystem::path& from, const std::filesystem::path& to) {
            std::error_code ec;
            std::filesystem::rename(from, to, ec);
            return !ec;
        };
    }
    shift_in();  // a rotation a crash cut short
    open();
}

HostLog::~HostLog() {
    if (file_) std::fclose(file_);
}

std::filesystem::path HostLog::numbered(int n) const { return platform::fs_path(path_ + "." + std::to_string(n)); }

void HostLog::open() {
    file_ = std::fopen(path_.c_str(), "ab");
    if (!file_) return;
    std::error_code ec;
    const auto size = std::filesystem::file_size(platform::fs_path(path_), ec);
    size_ = ec ? 0 : size;
}

void HostLog::write_line(const std::string& line) {
    if (file_ && size_ > 0 && size_ + line.size() + 1 > max_bytes_ && --lines_to_retry_ <= 0) rotate();
    if (!file_) return;
    if (std::fprintf(file_, "%s\n", line.c_str()) > 0) size_ += line.size() + 1;
    std::fflush(file_);
}

void HostLog::rotate() {
    std::fclose(file_);
    file_ = nullptr;
    // The old logs move on only once host.log itself has moved out of the way: a
    // rename refused (the file held open) must cost none of them.
    shift_in();
    std::error_code ec;
    if (!std::filesystem::exists(numbered(0), ec) && rename_(platform::fs_path(path_), numbered(0))) shift_in();
    else lines_to_retry_ = kRetryAfterLines;
    open();
}

void HostLog::shift_in() {
    std::error_code ec;
    if (!std::filesystem::exists(numbered(0), ec)) return;
    // Each onto a free name only, so that a file held open keeps the one behind it.
    for (int n = kKeep - 1; n >= 0; --n) {
        if (!std::filesystem::exists(numbered(n), ec)) continue;
        if (n + 1 == kKeep) std::filesystem::remove(numbered(kKeep), ec);  // the oldest goes
        if (!std::filesystem::exists(numbered(n + 1), ec)) rename_(numbered(n), numbered(n + 1));
    }
}

}  // namespace host
