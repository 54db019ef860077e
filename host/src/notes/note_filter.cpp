#include "notes/note_filter.h"

#include <algorithm>

#include "notes/call_notes.h"

namespace host {

namespace {
char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

size_t text_chars(std::string_view text) {
    size_t n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

bool read_note_filter(const std::string& text, const std::string& mark, NoteFilter* out, FilterRefusal* refusal) {
    NoteFilter f;
    if (text_chars(text) > kMostNoteChars) {
        *refusal = {"bad-note", "note", "a note is at most " + std::to_string(kMostNoteChars) + " characters"};
        return false;
    }
    f.text = text;
    if (!mark.empty()) {
        if (!mark_of(mark, &f.mark)) {
            std::string codes;
            for (CallMark m : kCallMarks) codes += std::string(codes.empty() ? "" : ", ") + mark_code(m);
            *refusal = {"bad-mark", "mark", "a mark is one of " + codes};
            return false;
        }
        f.by_mark = true;
    }
    *out = f;
    return true;
}

bool note_matches(const NoteFilter& filter, const CallNote* note) {
    if (!filter.any()) return true;
    if (!note) return false;
    if (filter.by_mark && note->mark != filter.mark) return false;
    if (filter.text.empty()) return true;
    const auto same = [](char a, char b) { return folded(a) == folded(b); };
    return std::search(note->note.begin(), note->note.end(), filter.text.begin(), filter.text.end(), same) !=
           note->note.end();
}

}  // namespace host
