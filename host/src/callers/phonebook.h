// The office's phonebook files (--phonebook FILE, repeatable), read at start and again
// whenever one changes, on a thread of its own: the recording loop and the console go
// on with the snapshot they have until the new one is swapped in whole.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "callers/number_key.h"
#include "callers/phonebook_snapshot.h"
#include "platform/platform_thread.h"

namespace host::callers {

struct PhonebookReport {
    std::string file;  // UTF-8
    int line = 0;      // 0: the file as a whole
    std::string what;
};
using PhonebookReportSink = std::function<void(const PhonebookReport&)>;

class Phonebook {
public:
    // `files` as the system names them. `reports` hears of every file that cannot be
    // read and every line that cannot, each once (not again on a reload that finds the
    // same line at the same place); it is called on the thread that reads.
    Phonebook(std::vector<std::string> files, NumberPlan plan, PhonebookReportSink reports);
    ~Phonebook();
    Phonebook(const Phonebook&) = delete;
    Phonebook& operator=(const Phonebook&) = delete;

    // Reads every file now and publishes the snapshot (at start, before the loop).
    void load();
    // From now on a thread of its own looks at the files every `poll_ms` and reads one
    // again when its size or time of change differ and have stayed so for one look
    // (a file still being written is not read half). A file that went away or cannot
    // be read keeps the contacts it gave before.
    void watch(int poll_ms = 2000);
    // One such look, on the caller's thread; true when a new snapshot was published.
    bool check_now();

    // The snapshot in force. For any thread but the recording loop: it may wait for a
    // swap in progress (a pointer's copy).
    std::shared_ptr<const PhonebookSnapshot> snapshot() const;
    // For the recording loop: never waits; false (and `*out` untouched) while a swap is
    // in progress. Worth calling only when generation() moved.
    bool try_snapshot(std::shared_ptr<const PhonebookSnapshot>* out) const;
    // Counts the snapshots published; read without a lock.
    uint32_t generation() const { return generation_.load(std::memory_order_acquire); }
    // Takes back a snapshot its holder is done with, so that a phonebook of many
    // megabytes is freed on the reading thread and not on the recording loop. Never
    // waits: false (and `*old` kept) while busy; try again later.
    bool try_retire(std::shared_ptr<const PhonebookSnapshot>* old) const;

private:
    struct Stamp {
        bool exists = false;
        uintmax_t size = 0;
        int64_t mtime = 0;
        bool operator==(const Stamp& o) const { return exists == o.exists && size == o.size && mtime == o.mtime; }
        bool operator!=(const Stamp& o) const { return !(*this == o); }
    };
    struct File {
        std::string path;
        Stamp loaded, seen;  // what was read last; what the last look saw
        bool ever_looked = false;
        std::shared_ptr<const ContactTable> table;
        std::vector<std::string> reported;  // "line|what" of this file already reported
        std::string file_problem;           // the whole-file report in force
    };
    static Stamp stamp_of(const std::string& path);
    void read_file(File* f, const Stamp& stamp);
    void publish();
    void watch_loop(int poll_ms);

    NumberPlan plan_;
    PhonebookReportSink reports_;
    platform::Mutex read_mutex_;  // one reader of the files at a time
    std::vector<File> files_;

    void free_retired();

    mutable platform::Mutex snapshot_mutex_;  // held only to copy, swap or hand back pointers
    std::shared_ptr<const PhonebookSnapshot> snapshot_;
    mutable std::vector<std::shared_ptr<const PhonebookSnapshot>> retired_;
    std::atomic<uint32_t> generation_{0};

    std::atomic<bool> stop_{false};
    platform::Signal wake_;
    std::unique_ptr<platform::Thread> watcher_;
};

}  // namespace host::callers
