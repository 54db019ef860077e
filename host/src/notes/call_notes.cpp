#include "notes/call_notes.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/platform.h"

namespace host {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The lock held for a scope.
class Held {
public:
    explicit Held(platform::Mutex& m) : m_(m) { m_.lock(); }
    ~Held() { m_.unlock(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    platform::Mutex& m_;
};

// The file's bytes from `from` on; false when it cannot be read (none there is "").
bool read_from(const std::string& path, uint64_t from, std::string* text) {
    text->clear();
    std::error_code ec;
    if (!std::filesystem::exists(platform::fs_path(path), ec)) return !ec;
    const uint64_t size = std::filesystem::file_size(platform::fs_path(path), ec);
    File in(std::fopen(path.c_str(), "rb"));
    if (ec || !in || std::fseek(in.get(), static_cast<long>(from), SEEK_SET) != 0) return false;
    // Read at once as far as the size said, then on to the end (the file may grow).
    text->resize(size > from ? static_cast<size_t>(size - from) : 0);
    text->resize(std::fread(&(*text)[0], 1, text->size(), in.get()));
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;) text->append(buffer, n);
    return !std::ferror(in.get());
}
}  // namespace

CallKey call_key(const CallRows& rows, size_t row) {
    return {std::string(rows.field(row, CallColumn::Start)), std::string(rows.field(row, CallColumn::Box)),
            std::string(rows.field(row, CallColumn::File))};
}

void row_key(const CallRows& rows, size_t row, std::string* key) {
    key->clear();
    key->append(rows.field(row, CallColumn::Start)).append(1, kKeyGap);
    key->append(rows.field(row, CallColumn::Box)).append(1, kKeyGap);
    key->append(rows.field(row, CallColumn::File));
}

CallNotes::CallNotes(const std::string& folder)
    : path_(platform::path_text(platform::fs_path(folder) / kNotesName)) {}

void CallNotes::take(NoteChange&& c) {
    CallNote& note = by_call_[key_text(c.call.start, c.call.box, c.call.file)];
    note = {c.mark, std::move(c.note), std::move(c.written), std::move(c.by)};
}

bool CallNotes::load() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(platform::fs_path(path_), ec)) {
        if (ec) return false;
        const Held hold(mutex_);
        by_call_.clear();
        whole_to_ = damaged_ = 0;
        return true;
    }
    const uint64_t size = fs::file_size(platform::fs_path(path_), ec);
    File in(std::fopen(path_.c_str(), "rb"));
    if (ec || !in) return false;
    const Held hold(mutex_);
    by_call_.clear();
    damaged_ = 0;
    constexpr size_t kShortestRecord = 64;
    by_call_.reserve(static_cast<size_t>(size / kShortestRecord));
    // A piece at a time, the record a piece ends in carried over to the next.
    constexpr size_t kPiece = 1 << 20;
    std::string text;
    uint64_t at = 0;
    const auto keep = [this](NoteChange&& c) { take(std::move(c)); };
    for (bool end = false; !end;) {
        const size_t old = text.size();
        text.resize(old + kPiece);
        text.resize(old + std::fread(&text[old], 1, kPiece, in.get()));
        end = text.size() == old;
        if (std::ferror(in.get())) return false;
        const NotesRead read = read_notes(text, at == 0, keep, end);
        at += read.whole_to;
        text.erase(0, static_cast<size_t>(read.whole_to));
        damaged_ += read.damaged;
    }
    whole_to_ = at;
    return true;
}

bool CallNotes::write(const NoteChange& change) {
    namespace fs = std::filesystem;
    const Held hold(mutex_);
    // What follows the last whole record (a record cut by a crash, or by a write that
    // failed and could not be taken back) is closed first; a file grown shorter under
    // our hands is read over from its start.
    std::error_code ec;
    const bool existed = fs::exists(platform::fs_path(path_), ec);
    const uint64_t size = existed ? fs::file_size(platform::fs_path(path_), ec) : 0;
    if (ec) return false;
    if (size < whole_to_) whole_to_ = 0;
    std::string after;
    if (size > whole_to_ && !read_from(path_, whole_to_, &after)) return false;
    std::string text = read_notes(after, whole_to_ == 0, [](NoteChange&&) {}).fix;
    text += note_record(change);
    bool written = false;
    {
        File out(std::fopen(path_.c_str(), "ab"));
        if (!out) return false;
        written = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size() && platform::sync_file(out.get());
    }
    if (!written) {
        // A disk that fills up in the middle of the record: what landed is taken back.
        if (existed) fs::resize_file(platform::fs_path(path_), size, ec);
        else fs::remove(platform::fs_path(path_), ec);
        return false;
    }
    // A record that lacked only its line's end is whole now: taken in with this one.
    const uint64_t was_whole_to = whole_to_;
    whole_to_ = size + text.size();
    if (!after.empty() && read_from(path_, was_whole_to, &after)) {
        read_notes(after, was_whole_to == 0, [this](NoteChange&& c) { take(std::move(c)); });
        return true;
    }
    NoteChange c = change;
    take(std::move(c));
    return true;
}

std::optional<CallNote> CallNotes::find(const std::string& key) const {
    const Held hold(mutex_);
    const auto it = by_call_.find(key);
    if (it == by_call_.end()) return std::nullopt;
    return it->second;
}

std::vector<CallKey> CallNotes::closed_by_hand() const {
    const Held hold(mutex_);
    std::vector<CallKey> closed;
    for (const auto& [key, note] : by_call_) {
        if (!closes_call_back(note.mark)) continue;
        const size_t box = key.find(kKeyGap), file = key.find(kKeyGap, box + 1);
        closed.push_back({key.substr(0, box), key.substr(box + 1, file - box - 1), key.substr(file + 1)});
    }
    return closed;
}

std::unordered_set<std::string> CallNotes::matching(const NoteFilter& filter) const {
    const Held hold(mutex_);
    std::unordered_set<std::string> keys;
    for (const auto& [key, note] : by_call_)
        if (note_matches(filter, &note)) keys.insert(key);
    return keys;
}

std::unordered_map<std::string, CallNote> CallNotes::all() const {
    const Held hold(mutex_);
    return by_call_;
}

size_t CallNotes::size() const {
    const Held hold(mutex_);
    return by_call_.size();
}

size_t CallNotes::damaged() const {
    const Held hold(mutex_);
    return damaged_;
}

}  // namespace host
