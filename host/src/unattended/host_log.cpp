#include "unattended/host_log.h"

#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace host {

HostLog::HostLog(const std::string& folder, uint64_t max_bytes)
    : path_(platform::path_text(platform::fs_path(folder) / kName)), max_bytes_(max_bytes) {
    open();
}

HostLog::~HostLog() {
    if (file_) std::fclose(file_);
}

void HostLog::open() {
    file_ = std::fopen(path_.c_str(), "ab");
    if (!file_) return;
    std::error_code ec;
    const auto size = std::filesystem::file_size(platform::fs_path(path_), ec);
    size_ = ec ? 0 : size;
}

void HostLog::write_line(const std::string& line) {
    if (file_ && size_ > 0 && size_ + line.size() + 1 > max_bytes_) rotate();
    if (!file_) return;
    if (std::fprintf(file_, "%s\n", line.c_str()) > 0) size_ += line.size() + 1;
    std::fflush(file_);
}

void HostLog::rotate() {
    std::fclose(file_);
    file_ = nullptr;
    std::error_code ec;
    auto numbered = [&](int n) { return platform::fs_path(path_ + "." + std::to_string(n)); };
    std::filesystem::remove(numbered(kKeep), ec);
    for (int n = kKeep - 1; n >= 1; --n) std::filesystem::rename(numbered(n), numbered(n + 1), ec);
    std::filesystem::rename(platform::fs_path(path_), numbered(1), ec);
    open();
}

}  // namespace host
