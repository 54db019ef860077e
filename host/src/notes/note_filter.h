// Which calls a person asks for by their notes, from `--calls` or the console's filter:
// what was typed, checked once here for both, as call_log/call_filter does for the
// number and the dates.
#pragma once
#include <string>
#include <string_view>

#include "call_log/call_filter.h"
#include "notes/call_mark.h"

namespace host {

// The longest note, in characters (UTF-8 code points).
constexpr size_t kMostNoteChars = 500;

struct NoteFilter {
    std::string text;  // in the note, letters A-Z of either case alike; empty: any
    bool by_mark = false;
    CallMark mark = CallMark::None;
    bool any() const { return !text.empty() || by_mark; }
};

struct CallNote;

// The filter for what was typed; false with the refusal (bad-note, bad-mark).
bool read_note_filter(const std::string& text, const std::string& mark, NoteFilter* out, FilterRefusal* refusal);

// True when a call with this note (null: none) is one the filter asks for.
bool note_matches(const NoteFilter& filter, const CallNote* note);

// Characters of UTF-8 text (bytes that do not continue a character).
size_t text_chars(std::string_view text);

}  // namespace host
