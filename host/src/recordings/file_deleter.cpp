#include "recordings/file_deleter.h"

namespace host {

namespace {
constexpr int kIdleWaitMs = 1000;  // a lost wake costs no more than this
}  // namespace

FileDeleter::FileDeleter(Remove remove) : remove_(std::move(remove)) {
    if (!remove_) remove_ = [](const std::filesystem::path& p, std::error_code& ec) { return std::filesystem::remove(p, ec); };
    thread_ = std::make_unique<platform::Thread>([this] { work(); }, platform::Thread::Priority::Below);
}

FileDeleter::~FileDeleter() {
    mutex_.lock();
    stopping_ = true;
    mutex_.unlock();
    wake_.notify();
    thread_.reset();
}

bool FileDeleter::hand(std::vector<Job>* jobs) {
    if (!mutex_.try_lock()) return false;
    const bool room = jobs_.size() + jobs->size() <= kMostWaiting;
    if (room)
        for (Job& job : *jobs) jobs_.push_back(std::move(job));
    mutex_.unlock();
    if (!room) return false;
    jobs->clear();
    wake_.notify();
    return true;
}

bool FileDeleter::take(std::vector<Done>* done) {
    if (!mutex_.try_lock()) return false;
    for (Done& d : done_) done->push_back(std::move(d));
    done_.clear();
    mutex_.unlock();
    return true;
}

void FileDeleter::work() {
    for (;;) {
        wake_.wait_ms(kIdleWaitMs);
        for (;;) {
            mutex_.lock();
            if (stopping_ || jobs_.empty()) {
                const bool stop = stopping_;
                mutex_.unlock();
                if (stop) return;
                break;
            }
            const Job job = std::move(jobs_.front());
            jobs_.pop_front();
            mutex_.unlock();
            Done d = remove(job);
            mutex_.lock();
            done_.push_back(std::move(d));
            mutex_.unlock();
        }
    }
}

FileDeleter::Done FileDeleter::remove(const Job& job) const {
    namespace fs = std::filesystem;
    Done d;
    d.name = job.name;
    std::error_code ec;
    // Gone already (retired before, or by hand), or not a file at all: nothing to do.
    if (!fs::is_regular_file(fs::symlink_status(job.path, ec))) return d;
    std::error_code size_ec;
    const uint64_t size = fs::file_size(job.path, size_ec);
    if (remove_(job.path, ec)) {
        d.result = Done::Result::Deleted;
        d.bytes = size_ec ? 0 : size;
    } else if (ec) {
        d.result = Done::Result::Failed;
        d.reason = ec.message();
    }
    return d;
}

}  // namespace host
