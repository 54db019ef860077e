#include "callers/phonebook.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "callers/phonebook_file.h"
#include "callers/text_codec.h"
#include "platform/platform.h"

namespace host::callers {

Phonebook::Phonebook(std::vector<std::string> files, NumberPlan plan, PhonebookReportSink reports)
    : plan_(std::move(plan)), reports_(std::move(reports)), snapshot_(std::make_shared<PhonebookSnapshot>()) {
    for (std::string& path : files) {
        File f;
        f.path = std::move(path);
        files_.push_back(std::move(f));
    }
}

Phonebook::~Phonebook() {
    stop_ = true;
    wake_.notify();
    watcher_.reset();
}

Phonebook::Stamp Phonebook::stamp_of(const std::string& path) {
    Stamp s;
    std::error_code ec;
    const std::filesystem::path p = platform::fs_path(path);
    const uintmax_t size = std::filesystem::file_size(p, ec);
    if (ec) return s;
    const auto mtime = std::filesystem::last_write_time(p, ec);
    if (ec) return s;
    s.exists = true;
    s.size = size;
    s.mtime = static_cast<int64_t>(mtime.time_since_epoch().count());
    return s;
}

void Phonebook::read_file(File* f, const Stamp& stamp) {
    PhonebookFileResult result = read_phonebook_file(f->path, plan_);
    f->loaded = stamp;
    const std::string file = system_to_utf8(f->path);
    std::string problem;
    for (const LineReport& r : result.reports) {
        if (r.line == 0) {
            problem = r.what;
            continue;
        }
        const std::string seen = std::to_string(r.line) + "|" + r.what;
        if (std::find(f->reported.begin(), f->reported.end(), seen) != f->reported.end()) continue;
        f->reported.push_back(seen);
        if (reports_) reports_({file, r.line, r.what});
    }
    if (!problem.empty() && problem != f->file_problem && reports_) {
        const bool kept = result.table == nullptr && f->table != nullptr;
        reports_({file, 0, kept ? problem + "; the contacts read from it before stay" : problem});
    }
    f->file_problem = problem;
    if (result.table) f->table = std::move(result.table);
}

void Phonebook::publish() {
    std::vector<std::shared_ptr<const ContactTable>> tables;
    for (const File& f : files_)
        if (f.table) tables.push_back(f.table);
    auto fresh = std::make_shared<const PhonebookSnapshot>(std::move(tables));
    {
        snapshot_mutex_.lock();
        snapshot_.swap(fresh);
        snapshot_mutex_.unlock();
    }
    generation_.fetch_add(1, std::memory_order_acq_rel);
    // The old snapshot goes here, outside the lock, unless a reader still holds it.
}

void Phonebook::load() {
    free_retired();
    read_mutex_.lock();
    for (File& f : files_) {
        const Stamp s = stamp_of(f.path);
        f.seen = s;
        f.ever_looked = true;
        read_file(&f, s);
    }
    publish();
    read_mutex_.unlock();
}

bool Phonebook::try_retire(std::shared_ptr<const PhonebookSnapshot>* old) const {
    if (!snapshot_mutex_.try_lock()) return false;
    // Pushing may allocate; the list is cleared on every look, so it stays short.
    retired_.push_back(std::move(*old));
    snapshot_mutex_.unlock();
    old->reset();
    return true;
}

void Phonebook::free_retired() {
    std::vector<std::shared_ptr<const PhonebookSnapshot>> freed;
    snapshot_mutex_.lock();
    freed.swap(retired_);
    snapshot_mutex_.unlock();
    // `freed` goes here, outside the lock.
}

bool Phonebook::check_now() {
    free_retired();
    read_mutex_.lock();
    bool changed = false;
    for (File& f : files_) {
        const Stamp s = stamp_of(f.path);
        const bool steady = f.ever_looked && s == f.seen;
        f.seen = s;
        f.ever_looked = true;
        if (s == f.loaded || !steady) continue;
        read_file(&f, s);
        changed = true;
    }
    if (changed) publish();
    read_mutex_.unlock();
    return changed;
}

void Phonebook::watch(int poll_ms) {
    if (watcher_ || files_.empty()) return;
    watcher_ = std::make_unique<platform::Thread>([this, poll_ms] { watch_loop(poll_ms); },
                                                  platform::Thread::Priority::Below);
}

void Phonebook::watch_loop(int poll_ms) {
    while (!stop_) {
        wake_.wait_ms(poll_ms);
        if (stop_) break;
        check_now();
    }
}

std::shared_ptr<const PhonebookSnapshot> Phonebook::snapshot() const {
    snapshot_mutex_.lock();
    std::shared_ptr<const PhonebookSnapshot> s = snapshot_;
    snapshot_mutex_.unlock();
    return s;
}

bool Phonebook::try_snapshot(std::shared_ptr<const PhonebookSnapshot>* out) const {
    if (!snapshot_mutex_.try_lock()) return false;
    *out = snapshot_;
    snapshot_mutex_.unlock();
    return true;
}

}  // namespace host::callers
