// The notes file as a crash, a full disk or a hand may leave it: whatever the bytes,
// the reader takes only records whose check holds, and a record appended after the fix
// the reader asks for is read back as written, after every record taken before it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "notes/note_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> before;
    const host::NotesRead read = host::read_notes(text, true, [&](host::NoteChange&& c) { before.push_back(c.note); });
    if (read.whole_to > text.size()) std::abort();
    host::NoteChange added{{"2025-03-14T09:30:05+08:00", "5001", ""}, "2025-03-14T10:00:00+08:00", "127.0.0.1",
                           host::CallMark::CallBack, "\"quoted\",\r\nnext line"};
    const std::string grown = text + read.fix + host::note_record(added);
    std::vector<std::string> after;
    const host::NotesRead again = host::read_notes(grown, true, [&](host::NoteChange&& c) { after.push_back(c.note); });
    if (again.whole_to != grown.size() || after.empty() || after.back() != added.note) std::abort();
    // What was whole stays whole; a record the fix finished may join it.
    if (after.size() < before.size() + 1 || !std::equal(before.begin(), before.end(), after.begin())) std::abort();
    return 0;
}
