// Deletes recordings on a thread of its own, so that a slow deletion (a share, a busy
// disk) never holds up the recording loop: the loop hands it files and takes back what
// became of them, and only ever tries the lock they share.
#pragma once
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform_thread.h"

namespace host {

class FileDeleter {
public:
    struct Done {
        enum class Result { Deleted, Gone, Failed };
        std::string name;  // as handed over
        Result result = Result::Gone;
        uint64_t bytes = 0;  // Deleted: what it freed
        std::string reason;  // Failed: the system's
    };
    struct Job {
        std::string name;  // what it is known by in Done
        std::filesystem::path path;
    };
    // Removes one file; by default std::filesystem's (tests stand in a slow or refusing disk).
    using Remove = std::function<bool(const std::filesystem::path&, std::error_code&)>;

    explicit FileDeleter(Remove remove = {});
    // Lets the deletion under way finish; files still waiting are left alone.
    ~FileDeleter();
    FileDeleter(const FileDeleter&) = delete;
    FileDeleter& operator=(const FileDeleter&) = delete;

    // Hands the files over, all together; false (none taken) when the deletions' thread
    // holds the lock or the files would be more than kMostWaiting: hand them again later.
    bool hand(std::vector<Job>* jobs);
    // Adds what became of the files handed over, as far as it is known; false when the
    // lock was taken (nothing added).
    bool take(std::vector<Done>* done);

    static constexpr size_t kMostWaiting = 16;

private:
    void work();
    Done remove(const Job& job) const;

    Remove remove_;
    platform::Mutex mutex_;
    platform::Signal wake_;
    std::deque<Job> jobs_;    // under mutex_
    std::vector<Done> done_;  // under mutex_
    bool stopping_ = false;   // under mutex_
    std::unique_ptr<platform::Thread> thread_;  // last: it starts once the rest is there
};

}  // namespace host
