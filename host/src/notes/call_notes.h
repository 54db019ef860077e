// The calls' notes and marks as the notes file says them now (its last change of each
// call), and the one way they change: a record appended and synced first, taken in
// only once it is on the disk. Asked and changed from the threads beside the loop (the
// console's), never from the loop's; each call locks briefly.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "call_log/call_log_reader.h"
#include "notes/note_file.h"
#include "notes/note_filter.h"
#include "platform/platform_thread.h"

namespace host {

struct CallNote {
    CallMark mark = CallMark::None;
    std::string note;
    std::string written;
    std::string by;
};

// Who the call of a row of the log is.
CallKey call_key(const CallRows& rows, size_t row);
// key_text of that, into `key` (its room used again).
void row_key(const CallRows& rows, size_t row, std::string* key);

class CallNotes {
public:
    explicit CallNotes(const std::string& folder);

    // Reads the notes file whole (again); false when it cannot be read. No file is no
    // note yet, and true.
    bool load();
    // Appends the change and syncs the file; true once it is on the disk, and the
    // call's note is then this. False when the file cannot be written: nothing changed,
    // and what may have landed of the record is taken back or left out on reading.
    bool write(const NoteChange& change);

    std::optional<CallNote> find(const std::string& key) const;
    std::optional<CallNote> find(const CallKey& call) const { return find(key_text(call.start, call.box, call.file)); }
    // The calls whose last mark closes a call-back by hand ("no need to call back",
    // "called back"): the call-backs view leaves them out.
    std::vector<CallKey> closed_by_hand() const;
    // The key_text of every call whose note the filter asks for.
    std::unordered_set<std::string> matching(const NoteFilter& filter) const;
    // Every call's note now, by key_text; for whoever goes through them all.
    std::unordered_map<std::string, CallNote> all() const;

    size_t size() const;
    // Records left out at the last load (cut, garbled).
    size_t damaged() const;
    const std::string& path() const { return path_; }

private:
    void take(NoteChange&& c);

    std::string path_;
    mutable platform::Mutex mutex_;
    std::unordered_map<std::string, CallNote> by_call_;  // by key_text
    uint64_t whole_to_ = 0;  // the file's end after the last whole record known
    size_t damaged_ = 0;
};

}  // namespace host
