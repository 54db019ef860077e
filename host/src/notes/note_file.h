// The notes file, notes.csv in the recordings folder beside calls.csv: one CSV record
// (as calls.csv writes them) per change of a call's note or mark, appended and put on
// the disk record by record; the last change of a call is what it says now.
//
// A call is named by what never changes about it: its start and its box, as calls.csv
// gives them, and its recording's name where it has one. Each record ends with a check
// of its fields, so that a record cut by a crash or a full disk (and closed by the next
// append, which always starts on a fresh line) is told from a whole one and left out.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "notes/call_mark.h"

namespace host {

constexpr const char* kNotesName = "notes.csv";

// Who the call is: its start, its box and its recording's name (empty: none).
struct CallKey {
    std::string start, box, file;
    bool operator==(const CallKey& o) const { return start == o.start && box == o.box && file == o.file; }
};
// Between the parts of a key's text: no field holds it.
constexpr char kKeyGap = '\x1f';
// One text for a key, for maps.
std::string key_text(std::string_view start, std::string_view box, std::string_view file);

struct NoteChange {
    CallKey call;
    std::string written;  // when, ISO 8601 local time
    std::string by;       // who: the client's address
    CallMark mark = CallMark::None;
    std::string note;
};

// Column names, in order, as the header row gives them.
const std::vector<std::string>& note_columns();

// The change as one record, its check last, CRLF included.
std::string note_record(const NoteChange& change);

// What a reading of the notes file found.
struct NotesRead {
    size_t changes = 0;   // whole records taken
    size_t damaged = 0;   // records left out: cut, garbled or of a mark not known
    uint64_t whole_to = 0;  // the end of the last whole record
    std::string fix;      // what the file's end needs before the next record
};

// Reads the records of `text` from a record's start, calling `take` for every whole
// one; `from_start` says `text` is the file's beginning (where the header may be).
// Unless `at_end`, a record the text ends in is left for the next piece, not counted.
NotesRead read_notes(std::string_view text, bool from_start, const std::function<void(NoteChange&&)>& take,
                     bool at_end = true);

}  // namespace host
