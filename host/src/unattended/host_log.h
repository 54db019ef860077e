// The recorder's own log file, host.log in the recordings folder: where its event lines
// go when there is no console to show them (as a service). Every line is flushed as it
// is written; past a size limit the file is rotated, keeping a few old ones.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace host {

class HostLog {
public:
    static constexpr const char* kName = "host.log";
    static constexpr uint64_t kMaxBytes = 10ULL * 1024 * 1024;
    static constexpr int kKeep = 5;  // host.log.1 (the newest) .. host.log.5

    explicit HostLog(const std::string& folder, uint64_t max_bytes = kMaxBytes);
    ~HostLog();
    HostLog(const HostLog&) = delete;
    HostLog& operator=(const HostLog&) = delete;

    // False when the file cannot be opened (the folder is not writable).
    bool is_open() const { return file_ != nullptr; }
    void write_line(const std::string& line);

private:
    void open();
    void rotate();

    std::string path_;
    uint64_t max_bytes_;
    uint64_t size_ = 0;
    std::FILE* file_ = nullptr;
};

}  // namespace host
