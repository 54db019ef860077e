// The recorder's own log file, host.log in the recordings folder: where its event lines
// go when there is no console to show them (as a service). Every line is flushed as it
// is written; past a size limit the file is rotated, keeping a few old ones.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace host {

class HostLog {
public:
    static constexpr const char* kName = "host.log";
    static constexpr uint64_t kMaxBytes = 10ULL * 1024 * 1024;
    static constexpr int kKeep = 5;  // host.log.1 (the newest) .. host.log.5
    // A rotation the system refused (a log viewer holds host.log) is tried again after
    // this many more lines, not at every line.
    static constexpr int kRetryAfterLines = 100;

    // Renames a file, false when the system refuses; by default std::filesystem's.
    using Rename = std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)>;

    explicit HostLog(const std::string& folder, uint64_t max_bytes = kMaxBytes, Rename rename = {});
    ~HostLog();
    HostLog(const HostLog&) = delete;
    HostLog& operator=(const HostLog&) = delete;

    // False when the file cannot be opened (the folder is not writable).
    bool is_open() const { return file_ != nullptr; }
    void write_line(const std::string& line);

private:
    void open();
    void rotate();
    // host.log.0 (host.log just renamed, when there) becomes host.log.1, the older ones
    // move on.
    void shift_in();
    std::filesystem::path numbered(int n) const;

    std::string path_;
    uint64_t max_bytes_;
    Rename rename_;
    uint64_t size_ = 0;
    int lines_to_retry_ = 0;
    std::FILE* file_ = nullptr;
};

}  // namespace host
