#include "notes/note_file.h"

#include <cstdio>
#include <iterator>

#include "call_log/csv.h"

namespace host {

namespace {
enum NoteColumn { Start, Box, File, Written, By, Mark, Note, Check, Count };

// CRC-32 (the one of zip and PNG) of the fields before the check, each closed by a gap.
std::string check_of(const std::vector<std::string>& fields) {
    uint32_t crc = 0xFFFFFFFFu;
    auto add = [&crc](unsigned char byte) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    };
    for (size_t i = 0; i < Check; ++i) {
        for (char c : fields[i]) add(static_cast<unsigned char>(c));
        add(kKeyGap);
    }
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(~crc));
    return text;
}

// What a record cut off before its end needs so that the next one starts on a fresh
// line: its open quote closed (a quote opens and closes in turn, a doubled one too),
// then the line's end.
std::string fix_for(std::string_view partial) {
    if (partial.empty()) return "";
    size_t quotes = 0;
    for (char c : partial) quotes += c == '"';
    if (quotes % 2) return "\"\r\n";
    return partial.back() == '\r' ? "\n" : "\r\n";
}
}  // namespace

std::string key_text(std::string_view start, std::string_view box, std::string_view file) {
    std::string key;
    key.reserve(start.size() + box.size() + file.size() + 2);
    key.append(start).append(1, kKeyGap).append(box).append(1, kKeyGap).append(file);
    return key;
}

const std::vector<std::string>& note_columns() {
    static const char* const names[] = {"start", "box", "file", "written", "by", "mark", "note", "check"};
    static_assert(std::size(names) == Count, "one name per column");
    static const std::vector<std::string> columns(std::begin(names), std::end(names));
    return columns;
}

std::string note_record(const NoteChange& c) {
    std::vector<std::string> fields{c.call.start, c.call.box, c.call.file, c.written, c.by, mark_code(c.mark), c.note};
    fields.push_back(check_of(fields));
    return csv_record(fields);
}

NotesRead read_notes(std::string_view text, bool from_start, const std::function<void(NoteChange&&)>& take) {
    NotesRead read;
    std::vector<std::string> f;
    size_t pos = 0;
    for (size_t from = 0; csv_next_record(text, &pos, false, &f); from = pos) {
        NoteChange c;
        if (from_start && from == 0 && f == note_columns()) continue;
        if (f.size() != Count || f[Check] != check_of(f) || !mark_of(f[Mark], &c.mark)) {
            ++read.damaged;
            continue;
        }
        c.call = {std::move(f[Start]), std::move(f[Box]), std::move(f[File])};
        c.written = std::move(f[Written]);
        c.by = std::move(f[By]);
        c.note = std::move(f[Note]);
        ++read.changes;
        take(std::move(c));
    }
    read.whole_to = pos;
    read.damaged += pos < text.size();
    read.fix = from_start && text.empty() ? csv_record(note_columns()) : fix_for(text.substr(pos));
    return read;
}

}  // namespace host
